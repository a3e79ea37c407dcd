#include "editor/EditorModel.h"

EditorModel::EditorModel(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style,
                         QObject *parent, EditorRenderers renderers)
    : QObject(parent), m_document(image, sourcePath, style, renderers.unpack),
      m_render(m_document, std::move(renderers)) {
    connect(&m_document, &EditorDocument::styleChanged, this, &EditorModel::styleChanged);
    connect(&m_document, &EditorDocument::toolChanged, this, &EditorModel::toolChanged);
    connect(&m_document, &EditorDocument::annotationsChanged, this, &EditorModel::annotationsChanged);
    connect(&m_document, &EditorDocument::cropChanged, this, &EditorModel::cropChanged);
    connect(&m_document, &EditorDocument::selectedIDChanged, this, &EditorModel::selectedIDChanged);
    connect(&m_document, &EditorDocument::editingTextIDChanged, this, &EditorModel::editingTextIDChanged);
    connect(&m_document, &EditorDocument::annotationColorChanged, this, &EditorModel::annotationColorChanged);
    connect(&m_document, &EditorDocument::thicknessChanged, this, &EditorModel::thicknessChanged);
    connect(&m_document, &EditorDocument::historyChanged, this, &EditorModel::historyChanged);

    connect(&m_page, &EditorPageState::isDetectingSensitiveChanged, this, &EditorModel::isDetectingSensitiveChanged);
    connect(&m_page, &EditorPageState::isReadingTextChanged, this, &EditorModel::isReadingTextChanged);
    connect(&m_page, &EditorPageState::showOriginalChanged, this, &EditorModel::showOriginalChanged);
    connect(&m_page, &EditorPageState::isCommandBarOpenChanged, this, &EditorModel::isCommandBarOpenChanged);
    connect(&m_page, &EditorPageState::commandQueryChanged, this, &EditorModel::commandQueryChanged);
    connect(&m_page, &EditorPageState::commandSelectionChanged, this, &EditorModel::commandSelectionChanged);
    connect(&m_page, &EditorPageState::isShortcutsOpenChanged, this, &EditorModel::isShortcutsOpenChanged);
    connect(&m_page, &EditorPageState::backdropDraftChanged, this, &EditorModel::backdropDraftChanged);

    connect(&m_render, &EditorRenderJob::previewChanged, this, &EditorModel::previewChanged);
    connect(&m_render, &EditorRenderJob::outputSizeChanged, this, &EditorModel::outputSizeChanged);
    connect(&m_render, &EditorRenderJob::estimatedBytesChanged, this, &EditorModel::estimatedBytesChanged);
    connect(&m_render, &EditorRenderJob::exportPixelSizeChanged, this, &EditorModel::exportPixelSizeChanged);
}

EditorModel::~EditorModel() = default;

void EditorModel::close() {
    if (onClose) onClose();
}

QImage EditorModel::finalImage(const std::optional<ExportSettings> &settings) {
    finishTextEditing();
    return m_render.finalImage(settings);
}
