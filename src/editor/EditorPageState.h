#pragma once

#include "core/BackdropDraft.h"
#include "editor/EditorCommand.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

// What the editor page shows besides the capture: the command bar, the shortcuts sheet, the backdrop
// editor and the flags of the work under way. Main thread only.
class EditorPageState : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // --- Flags -------------------------------------------------------------------------------------
    bool isDetectingSensitive() const { return m_detectingSensitive; }
    void setDetectingSensitive(bool on);
    bool isReadingText() const { return m_readingText; }
    void setReadingText(bool on);
    bool showOriginal() const { return m_showOriginal; }
    void setShowOriginal(bool on);

    // --- Command bar -------------------------------------------------------------------------------
    bool isCommandBarOpen() const { return m_commandBarOpen; }
    // Every assignment of true also empties the query and selects the first row.
    void setCommandBarOpen(bool open);
    const QString &commandQuery() const { return m_commandQuery; }
    // Every assignment selects the first row, so typing always highlights the first match.
    void setCommandQuery(const QString &query);
    int commandSelection() const { return m_commandSelection; }
    void setCommandSelection(int row);
    // The rows whose group and title hold the query (trimmed of spaces and tabs), compared without
    // case or accents; every row for an empty query.
    QList<EditorCommand> filtered(QList<EditorCommand> rows) const;
    // Moves the selection by `step` rows, wrapping around a list of `rowCount`.
    void moveCommandSelection(int step, int rowCount);

    // --- Sheets ------------------------------------------------------------------------------------
    bool isShortcutsOpen() const { return m_shortcutsOpen; }
    void setShortcutsOpen(bool open);
    // The backdrop under edit; while set, the backdrop editor is shown. The page's cancel sets none.
    const std::optional<BackdropDraft> &backdropDraft() const { return m_backdropDraft; }
    void setBackdropDraft(const std::optional<BackdropDraft> &draft);

signals:
    void isDetectingSensitiveChanged();
    void isReadingTextChanged();
    void showOriginalChanged();
    void isCommandBarOpenChanged();
    void commandQueryChanged();
    void commandSelectionChanged();
    void isShortcutsOpenChanged();
    void backdropDraftChanged();

private:
    bool m_detectingSensitive = false;
    bool m_readingText = false;
    bool m_showOriginal = false;
    bool m_commandBarOpen = false;
    QString m_commandQuery;
    int m_commandSelection = 0;
    bool m_shortcutsOpen = false;
    std::optional<BackdropDraft> m_backdropDraft;
};
