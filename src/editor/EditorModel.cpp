#include "editor/EditorModel.h"

#include "core/StyleStore.h"

EditorModel::EditorModel(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style,
                         StyleStore &styles, QObject *parent, EditorRenderers renderers)
    : QObject(parent), m_styles(styles),
      m_document(image, sourcePath, style.value_or(styles.defaultStyle()), renderers.unpack),
      m_render(m_document, styles, std::move(renderers)) {}

EditorModel::~EditorModel() = default;

void EditorModel::close() {
    if (onClose) onClose();
}

QImage EditorModel::finalImage(const std::optional<ExportSettings> &settings) {
    m_document.finishTextEditing();
    return m_render.finalImage(settings);
}
