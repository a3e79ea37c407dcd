#include "editor/EditorModel.h"

#include "core/StyleStore.h"

EditorModel::EditorModel(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style,
                         QObject *parent)
    : QObject(parent), m_original(image), m_sourcePath(sourcePath),
      m_style(style ? *style : StyleStore::shared().defaultStyle()) {}

void EditorModel::close() {
    if (onClose) onClose();
}

void EditorModel::finishTextEditing() {
    // No text annotation can be typed yet: there is nothing to commit.
}
