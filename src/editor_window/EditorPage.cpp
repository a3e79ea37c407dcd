#include "editor_window/EditorPage.h"

#include "core/Localization.h"
#include "editor/EditorModel.h"
#include "widgets/Theme.h"

#include <QPainter>

namespace {
constexpr qreal kMargin = 32;
}

EditorPage::EditorPage(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("editorPage"));
}

void EditorPage::setModel(EditorModel *model) {
    m_model = model;
    setAccessibleName(model ? L("Editor") : QString());
    update();
}

QRectF EditorPage::imageRect() const {
    if (!m_model || m_model->original().isNull()) return {};
    const QRectF area = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    if (area.isEmpty()) return {};
    // Never enlarged past its own pixels: a small capture stays sharp in the middle of the page.
    QSizeF size = QSizeF(m_model->imageSize()) / devicePixelRatioF();
    if (size.width() > area.width() || size.height() > area.height()) size.scale(area.size(), Qt::KeepAspectRatio);
    return {area.center().x() - size.width() / 2, area.center().y() - size.height() / 2, size.width(), size.height()};
}

void EditorPage::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Theme::bg());
    const QRectF target = imageRect();
    if (target.isEmpty()) {
        p.setPen(Theme::text3());
        p.setFont(Theme::font(14));
        p.drawText(rect(), Qt::AlignCenter, L("Nenhuma captura aberta"));
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.setRenderHint(QPainter::Antialiasing);
    p.drawImage(target, m_model->original());
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(target.adjusted(-0.5, -0.5, 0.5, 0.5));
}
