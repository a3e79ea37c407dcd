#include "widgets/BackdropSwatch.h"

#include "core/BackdropRenderer.h"
#include "widgets/Theme.h"

#include <QPainter>

BackdropSwatch::BackdropSwatch(const Backdrop &backdrop, qreal cornerRadius, QWidget *parent)
    : QWidget(parent), m_backdrop(backdrop), m_cornerRadius(cornerRadius) {}

void BackdropSwatch::setBackdrop(const Backdrop &backdrop) {
    if (backdrop == m_backdrop) return;
    m_backdrop = backdrop;
    update();
}

void BackdropSwatch::setCornerRadius(qreal radius) {
    m_cornerRadius = radius;
    update();
}

void BackdropSwatch::paintEvent(QPaintEvent *) {
    QPainter p(this);
    paint(p, QRectF(rect()), m_backdrop, m_cornerRadius);
}

void BackdropSwatch::paint(QPainter &p, const QRectF &rect, const Backdrop &backdrop, qreal cornerRadius) {
    const auto color = [&](qsizetype i) { return Theme::rgb(backdrop.colors.value(i, 0) & 0xFFFFFF); };
    const qreal w = rect.width(), h = rect.height();
    // Filled through the rounded shape rather than clipped to it: a clip path costs a mask at every
    // paint, and the editor's stage repaints at every pointer move.
    const QPainterPath shape = Theme::continuousRoundedRect(rect, cornerRadius);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    switch (backdrop.kind) {
    case Backdrop::Kind::transparent: {
        p.fillPath(shape, QColor(255, 255, 255, qRound(255 * 0.03)));
        QPen slash(Theme::text3(), 1.2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        slash.setMiterLimit(10);
        p.setPen(slash);
        p.drawLine(rect.topLeft() + QPointF(0.15 * w, 0.85 * h), rect.topLeft() + QPointF(0.85 * w, 0.15 * h));
        break;
    }
    case Backdrop::Kind::solid: p.fillPath(shape, color(0)); break;
    case Backdrop::Kind::linear: {
        const auto [start, end] = BackdropRenderer::linearEndpoints(backdrop.angle, rect.size());
        QLinearGradient gradient(rect.topLeft() + QPointF(start.x() * w, start.y() * h),
                                 rect.topLeft() + QPointF(end.x() * w, end.y() * h));
        const qsizetype n = BackdropRenderer::drawnColors(backdrop).size();
        for (qsizetype i = 0; i < n; ++i) gradient.setColorAt(n == 1 ? 0 : qreal(i) / qreal(n - 1), color(i));
        if (n > 0) p.fillPath(shape, gradient); // no colours: a gradient without stops draws nothing
        break;
    }
    case Backdrop::Kind::mesh: {
        const QImage mesh = BackdropRenderer::meshImage(backdrop, meshAspect(rect.size()), meshResolution(w));
        if (mesh.isNull()) {
            p.fillPath(shape, color(0));
            break;
        }
        QBrush stretched(mesh);
        stretched.setTransform(
            QTransform::fromTranslate(rect.left(), rect.top()).scale(w / mesh.width(), h / mesh.height()));
        p.fillPath(shape, stretched);
        break;
    }
    }
    p.restore();
}
