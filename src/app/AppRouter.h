#pragma once

#include "core/BeautyStyle.h"

#include <QImage>
#include <QObject>
#include <QStringList>

#include <optional>

#include "editor/EditorModel.h"

// The single source of navigation of the main window: which page it shows and which capture is open
// in the editor. The only creator of editor models. Main thread only.
class AppRouter : public QObject {
    Q_OBJECT
public:
    enum class Page { home, editor, history, tutorial, brand, settings };
    Q_ENUM(Page)

    static AppRouter &shared();
    explicit AppRouter(QObject *parent = nullptr);
    ~AppRouter() override;

    Page page() const { return m_page; }
    void setPage(Page page);
    EditorModel *editor() const { return m_editor; }

    // Replaces the open editor with a new model of the capture and switches to the editor page.
    // The model's close hook closes the main window and keeps the capture open.
    void openEditor(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style);
    // Drops the open editor; the editor page falls back to home, any other page stays.
    void closeEditor();
    // Files just deleted from the recents folder: closes the editor when its source is among them.
    void recentDeleted(const QStringList &paths);

signals:
    void pageChanged(AppRouter::Page page);
    void editorChanged(EditorModel *editor);

private:
    void replaceEditor(EditorModel *editor);

    Page m_page = Page::home;
    EditorModel *m_editor = nullptr;
};
