#include "editor/EditorModel.h"

#include "core/CaptureFileName.h"
#include "core/StyleStore.h"
#include "platform/Clock.h"

#include <QFileInfo>

EditorModel::EditorModel(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style,
                         StyleStore &styles, QObject *parent)
    : QObject(parent), m_styles(styles), m_renderers(EditorRenderers::shared()),
      m_document(image, sourcePath, style.value_or(styles.defaultStyle()), &m_renderers),
      m_render(m_document, styles, m_renderers), m_openedAt(platform::Clock::shared().now()) {}

EditorModel::~EditorModel() = default;

QDateTime EditorModel::takenAt() const {
    if (const std::optional<QDateTime> named = CaptureFileName::timeOf(QFileInfo(m_document.sourcePath()).fileName()))
        return *named;
    return m_openedAt;
}

void EditorModel::close() {
    if (onClose) onClose();
}

QImage EditorModel::finalImage(const std::optional<ExportSettings> &settings) {
    m_document.finishTextEditing();
    return m_render.finalImage(settings);
}
