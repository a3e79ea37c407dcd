#pragma once

#include "core/Backdrop.h"
#include "editor_window/BackdropSheet.h"

#include <QDialog>
#include <QImage>
#include <QList>
#include <QWidget>

#include <array>
#include <functional>
#include <optional>

class BackdropColorsSection;
class BackdropEditorState;
class QLabel;
class QLineEdit;

// The backdrop editor sheet's content (860 × 560): header with the summary and "Surpreenda-me", the
// live stage with the kind picker, the column of name, colours, direction or mesh hint and palettes,
// and the footer. It edits its own copy of the backdrop; the host hears only its three callbacks and
// decides whether the sheet closes. Escape cancels, Return saves. When it goes off screen the shared
// colour panel is detached and hidden.
class BackdropEditorView : public QWidget {
    Q_OBJECT
public:
    struct Host {
        Backdrop backdrop;
        QImage sample; // drawn on the stage; null shows the backdrop alone
        bool isNew = false;
        std::function<void(const Backdrop &)> onSave;
        std::function<void()> onDelete; // empty: no delete button
        std::function<void()> onCancel;
        std::optional<QList<quint32>> brandPalette; // offered first among the palettes
        QString saveTitle;                          // shown as it stands
    };

    explicit BackdropEditorView(Host host, QWidget *parent = nullptr);
    ~BackdropEditorView() override;

    static const std::array<Backdrop::Kind, 3> &editableKinds();
    static const QList<QList<quint32>> &palettes();

    BackdropEditorState &state() const { return *m_state; }
    QString title() const;

    // Opens the shared colour panel on the selected colour; its picks land in that slot while it exists.
    void openPalette();
    // Hands the host the working copy, its name trimmed (a blank one "Meu fundo").
    void save();
    void cancel();

    // The content of the editor's own sheet (BackdropSheet::setContent): the editor offers deleting
    // exactly when the draft is a stored backdrop, so a sheet without it is titled "Novo fundo".
    static QWidget *content(QWidget *sheet, const BackdropSheet::Request &request,
                            const BackdropSheet::Actions &actions);
    // The presenter of BackdropSheet: the sheet for pages other than the editor (no delete), a
    // window-modal dialog over `parent`'s window; closing it by the window manager cancels.
    static void present(QWidget *parent, const BackdropSheet::Request &request, BackdropSheet::Completion done);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    static Host hostFor(const BackdropSheet::Request &request, const BackdropSheet::Actions &actions, bool isNew);
    QWidget *buildHeader();
    QWidget *buildStageColumn();
    QWidget *buildControls();
    QWidget *buildFooter();
    void sync();
    void selectionChanged();

    Host m_host;
    BackdropEditorState *m_state;
    QLabel *m_summary = nullptr;
    QLineEdit *m_name = nullptr;
    BackdropColorsSection *m_colors = nullptr;
    QWidget *m_direction = nullptr;
    QWidget *m_meshHint = nullptr;
};
