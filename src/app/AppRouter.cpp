#include "app/AppRouter.h"

#include "app/MainWindowController.h"
#include "core/StyleStore.h"
#include "editor/EditorModel.h"

#include <QWidget>

AppRouter &AppRouter::shared() {
    static AppRouter *router = new AppRouter; // lives as long as the process
    return *router;
}

AppRouter::AppRouter(QObject *parent) : QObject(parent) {}

AppRouter::~AppRouter() { delete m_editor; }

void AppRouter::setPage(Page page) {
    if (page == m_page) return;
    m_page = page;
    emit pageChanged(page);
}

void AppRouter::replaceEditor(EditorModel *editor) {
    EditorModel *old = m_editor;
    m_editor = editor;
    if (old) old->render().stopBackgroundWork();
    emit editorChanged(editor);
    // A view that still shows the old model takes it and lets it go with itself; else it goes once
    // the views have returned (they may still be inside a call from it).
    if (old && !old->parent()) old->deleteLater();
}

void AppRouter::openEditor(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style) {
    if (m_editor) m_editor->document().finishTextEditing();
    auto *model = new EditorModel(image, sourcePath, style, StyleStore::shared());
    model->onClose = [] {
        if (QWidget *window = MainWindowController::shared().window()) window->close();
    };
    replaceEditor(model);
    setPage(Page::editor);
}

void AppRouter::closeEditor() {
    if (m_editor) m_editor->document().finishTextEditing();
    replaceEditor(nullptr);
    if (m_page == Page::editor) setPage(Page::home);
}

void AppRouter::recentDeleted(const QStringList &paths) {
    if (!m_editor || m_editor->document().sourcePath().isEmpty()) return;
    if (paths.contains(m_editor->document().sourcePath())) closeEditor();
}
