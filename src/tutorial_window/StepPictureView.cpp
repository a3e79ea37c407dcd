#include "tutorial_window/StepPictureView.h"

#include "core/Localization.h"
#include "tutorial_window/PictureLoader.h"
#include "tutorials/StepPicture.h"
#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

constexpr qreal kPictureRadius = 8;
constexpr qreal kBadge = 24;

qreal clamp01(qreal value) { return std::clamp(value, 0.0, 1.0); }

} // namespace

StepPictureView::StepPictureView(PictureLoader &loader, QWidget *parent) : QWidget(parent), m_loader(loader) {
    setToolTip(L("Clique onde a pessoa deve clicar: aparece o número do passo"));
    connect(&loader, &PictureLoader::finished, this, &StepPictureView::loaderFinished);
    setPixels({});
}

QSizeF StepPictureView::shownSize(QSize pixels) {
    const qreal w = std::max(1, pixels.width());
    const qreal h = std::max(1, pixels.height());
    const qreal scale = std::min(kBox.width() / w, kBox.height() / h);
    return {w * scale, h * scale};
}

void StepPictureView::setFile(const QString &path) {
    if (path == m_path && !path.isEmpty()) return;
    m_path = path;
    const std::optional<StepPicture> probed = path.isEmpty() ? std::nullopt : StepPicture::probe({}, path);
    setPixels(probed ? probed->size : QSize());
}

void StepPictureView::setPixels(QSize pixels) {
    m_pixels = pixels;
    if (isPlaceholder()) {
        setFixedSize(kPlaceholder);
        setCursor(Qt::ArrowCursor);
    } else {
        setFixedSize(shownSize(pixels).toSize().expandedTo(QSize(1, 1)));
        setCursor(Qt::CrossCursor);
    }
    update();
}

void StepPictureView::setMarker(std::optional<QPointF> marker, int number) {
    if (m_marker == marker && m_number == number) return;
    m_marker = marker;
    m_number = number;
    update();
}

QSize StepPictureView::decodeBox() const {
    const qreal ratio = std::clamp(devicePixelRatioF(), 1.0, 2.0);
    return QSize(qCeil(kBox.width() * ratio), qCeil(kBox.height() * ratio));
}

void StepPictureView::loaderFinished(const QString &path) {
    if (path != m_path) return;
    if (m_loader.state(path, decodeBox()) == PictureLoader::State::failed) setPixels({});
    else update();
}

void StepPictureView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect());
    const QPainterPath frame = Theme::continuousRoundedRect(r, kPictureRadius);
    if (isPlaceholder()) {
        p.fillPath(frame, Theme::raised());
        p.setFont(Theme::font(12));
        p.setPen(Theme::text3());
        p.drawText(r, Qt::AlignCenter, L("Imagem indisponível"));
        return;
    }
    p.save();
    p.setClipPath(frame);
    p.fillRect(r, Theme::raised());
    const QImage picture = m_loader.picture(m_path, decodeBox());
    if (!picture.isNull()) {
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(r, picture);
    }
    if (m_marker) {
        const QPointF centre(clamp01(m_marker->x()) * (width() - 1) + 0.5,
                             clamp01(m_marker->y()) * (height() - 1) + 0.5);
        const QRectF badge(centre - QPointF(kBadge / 2, kBadge / 2), QSizeF(kBadge, kBadge));
        QPainterPath circle;
        circle.addEllipse(badge);
        SoftShadow::paint(p, circle, QColor(0, 0, 0, 102), 4, QPointF(0, 1));
        p.fillPath(circle, Theme::accent());
        p.setPen(QPen(Qt::white, 2.5));
        p.drawEllipse(badge);
        p.setFont(Theme::font(12, QFont::Bold));
        p.setPen(Theme::ink());
        p.drawText(badge, Qt::AlignCenter, QString::number(m_number));
    }
    p.restore();
    p.setPen(QPen(Theme::line(), 1));
    p.drawPath(Theme::continuousRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), kPictureRadius));
}

void StepPictureView::mousePressEvent(QMouseEvent *event) { event->setAccepted(!isPlaceholder()); }

void StepPictureView::mouseReleaseEvent(QMouseEvent *event) {
    if (isPlaceholder() || event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint())) return;
    const QPointF at = event->position();
    emit clicked(QPointF(clamp01(at.x() / std::max(1, width() - 1)), clamp01(at.y() / std::max(1, height() - 1))));
}
