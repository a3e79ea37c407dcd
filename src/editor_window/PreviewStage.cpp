#include "editor_window/PreviewStage.h"

#include "core/Localization.h"
#include "editor/EditorModel.h"
#include "editor/EditorRenderers.h"
#include "platform/ThreadPriority.h"
#include "widgets/ImageDrag.h"
#include "widgets/Spinner.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QThreadPool>

#include <cmath>
#include <utility>

PreviewStage::PreviewStage(EditorModel *model, QWidget *parent) : QWidget(parent), m_model(model) {
    setObjectName(QStringLiteral("previewStage"));
    // The glow covers every pixel: the window need not fill its background under the stage first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(L("Arraste para outro app"));
    m_spin.setInterval(Spinner::stepMs);
    connect(&m_spin, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    connect(&model->render(), &EditorRenderJob::previewChanged, this, &PreviewStage::scaleLater);
    connect(&model->page(), &EditorPageState::showOriginalChanged, this, qOverload<>(&QWidget::update));
    // A page is made for each capture as the window opens: its stage is most likely the last one's
    // size, and its glow is made for that meanwhile rather than in (or after) its first frame.
    prepareGlow(lastSize());
}

bool PreviewStage::showsOriginal() const { return m_model && m_model->page().showOriginal(); }

bool PreviewStage::showsProgress() const { return shownImage().isNull(); }

const QImage &PreviewStage::shownImage() const {
    static const QImage none;
    if (!m_model) return none;
    // Space held shows the capture even before any result exists.
    return m_model->page().showOriginal() ? m_model->document().original() : m_model->render().preview();
}

QRectF PreviewStage::pictureRect() const {
    const QImage &shown = shownImage();
    const QRectF area = QRectF(rect()).adjusted(inset, inset, -inset, -inset);
    if (shown.isNull() || area.isEmpty()) return {};
    QSizeF size(shown.size());
    size.scale(area.size(), Qt::KeepAspectRatio);
    return {area.center().x() - size.width() / 2, area.center().y() - size.height() / 2, size.width(), size.height()};
}

QSize PreviewStage::scaledPixels(const QRectF &target) const { return (target.size() * devicePixelRatioF()).toSize(); }

void PreviewStage::scaleLater() {
    // A full-size result scaled to its place takes the GUI thread several milliseconds, most of the
    // frame that shows it: it is scaled on a worker, and that frame only copies it.
    const QRectF target = pictureRect();
    if (!m_model || showsOriginal() || !isVisible() || target.isEmpty()) {
        update();
        return;
    }
    const QImage &shown = shownImage();
    const QSize pixels = scaledPixels(target);
    if (shown.cacheKey() == m_scaledKey && pixels == m_scaledSize) {
        update();
        return;
    }
    m_pendingKey = shown.cacheKey();
    m_pendingSize = pixels;
    QPointer<PreviewStage> self(this);
    EditorThreads::renderPool().start([self, shown, pixels] {
        if (EditorThreads::isClosing()) return;
        platform::lowerCurrentThreadToBulkPriority();
        QImage scaled = shown.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, key = shown.cacheKey(), pixels, scaled = std::move(scaled)]() mutable {
                if (!self || key != self->m_pendingKey || pixels != self->m_pendingSize) return;
                self->m_pendingKey = 0;
                self->m_pendingSize = QSize();
                self->m_scaled = std::move(scaled);
                self->m_scaled.setDevicePixelRatio(self->devicePixelRatioF());
                self->m_scaledKey = key;
                self->m_scaledSize = pixels;
                self->update();
            },
            Qt::QueuedConnection);
    });
}

namespace {

const QPointF glowCentre(0.5, 0.4); // of the stage's size
constexpr qreal glowRadius = 600;

// The glow's own worker: as a page is built the render pool is busy with the capture's result (and
// the last editor's packing), and the glow is wanted for the page's first frame.
QThreadPool &glowPool() {
    static QThreadPool *pool = [] {
        auto *made = new QThreadPool; // lives as long as the process; drained as the application goes
        made->setObjectName(QStringLiteral("StageGlow"));
        made->setMaxThreadCount(1);
        qAddPostRoutine([] {
            glowPool().clear();
            glowPool().waitForDone();
        });
        return made;
    }();
    return *pool;
}

QRadialGradient glowGradient(QPointF centre, qreal radius) {
    QRadialGradient glow(centre, radius);
    glow.setColorAt(0, QColor(22, 22, 29));
    glow.setColorAt(1, Theme::bg());
    return glow;
}

} // namespace

void PreviewStage::paintGlow(QPainter &p, QSizeF size) {
    // The gradient steps through a few dozen colours from its centre out. Qt paints it once along a
    // radius (a single row, four samples a pixel) and each colour's ring is filled as a plain shape:
    // the gradient filled across the stage would cost the GUI thread milliseconds and be sliced
    // across Qt's thread pool, which a first frame would then wait for.
    const qreal ratio = p.device() ? p.device()->devicePixelRatioF() : 1.0;
    constexpr int samplesPerPixel = 4;
    const qreal step = 1.0 / (samplesPerPixel * ratio); // logical distance between samples
    QImage strip(int(std::ceil(glowRadius * ratio)) * samplesPerPixel + samplesPerPixel, 1, QImage::Format_RGB32);
    {
        QPainter stripPainter(&strip);
        stripPainter.fillRect(strip.rect(), glowGradient(QPointF(0, 0.5), glowRadius * ratio * samplesPerPixel));
    }
    const auto *sampled = reinterpret_cast<const QRgb *>(strip.constScanLine(0));
    const QPointF centre(size.width() * glowCentre.x(), size.height() * glowCentre.y());
    const QRectF area(QPointF(), size);
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false); // the gradient has no soft edges between its colours
    p.setPen(Qt::NoPen);
    // From the centre out, each colour's run up to where the next begins.
    QPainterPath inside;
    QRgb color = sampled[0];
    for (int k = 1; k <= strip.width(); ++k) {
        if (k < strip.width() && sampled[k] == color) continue;
        QPainterPath disc;
        if (k < strip.width()) disc.addEllipse(centre, k * step, k * step);
        else disc.addRect(area);
        QPainterPath ring = disc; // filled odd-even: the disc without the one inside it
        ring.addPath(inside);
        p.fillPath(ring, QColor(color));
        if (k == strip.width()) break;
        inside = disc;
        color = sampled[k];
    }
    p.restore();
}

void PreviewStage::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    if (isVisible()) prepareGlow(QSizeF(size())); // the sizes a layout tries before the show are not made
}

void PreviewStage::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    m_shown = true;
    lastSize() = QSizeF(size());
    prepareGlow(QSizeF(size()));
}

QSizeF &PreviewStage::lastSize() {
    static QSizeF size; // GUI thread only
    return size;
}

void PreviewStage::prepareGlow(QSizeF logical) {
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (logical * ratio).toSize();
    if (pixels.isEmpty() || m_glow.size() == pixels || m_glowPending == pixels) return;
    m_glowPending = pixels;
    QPointer<PreviewStage> self(this);
    glowPool().start([self, pixels, ratio, logical] {
        if (EditorThreads::isClosing()) return;
        platform::lowerCurrentThreadToBulkPriority();
        QImage glow(pixels, QImage::Format_RGB32);
        glow.setDevicePixelRatio(ratio);
        {
            QPainter p(&glow);
            paintGlow(p, logical);
        }
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, glow = std::move(glow)]() mutable {
                // Not for a stage that has been put out of sight since, nor for a size it no longer
                // expects; one not shown yet keeps it for its first frame.
                if (!self || glow.size() != self->m_glowPending) return;
                self->m_glowPending = QSize();
                const bool putAway = self->isHidden() && self->testAttribute(Qt::WA_WState_ExplicitShowHide);
                if (self->isVisible() || (!self->m_shown && !putAway)) self->m_glow = std::move(glow);
            },
            Qt::QueuedConnection);
    });
}

void PreviewStage::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (m_glow.size() == (QSizeF(size()) * devicePixelRatioF()).toSize()) p.drawImage(QPointF(), m_glow);
    else paintGlow(p, QSizeF(size())); // the worker's is late
    const QRectF target = pictureRect();
    const QImage &shown = shownImage();
    const QSize pixels = target.isEmpty() ? QSize() : scaledPixels(target);
    const bool scaling = !target.isEmpty() && shown.cacheKey() == m_pendingKey && pixels == m_pendingSize &&
                         (shown.cacheKey() != m_scaledKey || pixels != m_scaledSize);
    if (target.isEmpty() || (scaling && m_scaled.isNull())) {
        if (!m_spin.isActive()) m_spin.start();
        const QPointF centre = rect().center();
        Spinner::paint(p, QRectF(centre.x() - 8, centre.y() - 8, 16, 16), Theme::text2());
    } else if (scaling) {
        p.drawImage(m_scaledAt, m_scaled); // the last frame's picture until the new one lands
    } else {
        m_spin.stop();
        if (shown.cacheKey() != m_scaledKey || pixels != m_scaledSize) {
            m_scaled = shown.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            m_scaled.setDevicePixelRatio(devicePixelRatioF());
            m_scaledKey = shown.cacheKey();
            m_scaledSize = pixels;
        }
        m_scaledAt = target.topLeft();
        p.drawImage(target.topLeft(), m_scaled);
    }
    if (showsOriginal()) paintBadge(p);
}

void PreviewStage::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    // Scaled again at the next paint: nothing full-screen is kept for a page out of sight. A page is
    // hidden in the same turn as the one that replaces it is shown.
    EditorThreads::releaseOnWorker(std::exchange(m_scaled, QImage()), std::exchange(m_glow, QImage()));
    m_scaledKey = 0;
    m_pendingKey = 0;
    m_glowPending = QSize();
}

void PreviewStage::paintBadge(QPainter &p) {
    const QFont font = Theme::font(12, QFont::Medium);
    const QString text = L("Original");
    const qreal w = QFontMetricsF(font).horizontalAdvance(text) + 20;
    const QRectF badge(width() / 2.0 - w / 2, 14, w, 26);
    QColor fill = Theme::panel();
    fill.setAlphaF(0.9);
    p.fillPath(Theme::continuousRoundedRect(badge, 13), fill);
    p.setFont(font);
    p.setPen(Theme::text());
    p.drawText(badge, Qt::AlignCenter, text);
}

void PreviewStage::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) m_pressAt = event->position();
}

void PreviewStage::mouseMoveEvent(QMouseEvent *event) {
    if (!m_pressAt || !(event->buttons() & Qt::LeftButton) || !m_model) return;
    if ((event->position() - *m_pressAt).manhattanLength() < QApplication::startDragDistance()) return;
    m_pressAt.reset();
    // The result leaves as a file of the export, rendered afresh at full size.
    ImageDrag::start(this, m_model->dragProvider(), m_model->render().preview(), pictureRect().size());
}

void PreviewStage::mouseReleaseEvent(QMouseEvent *) { m_pressAt.reset(); }
