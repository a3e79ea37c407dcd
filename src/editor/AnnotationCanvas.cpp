#include "editor/AnnotationCanvas.h"

#include "core/AnnotationRenderer.h"
#include "core/ColorValue.h"
#include "core/EditorTool.h"
#include "core/Localization.h"
#include "core/SystemFont.h"
#include "editor/EditorDocument.h"
#include "editor/EditorRenderJob.h"
#include "widgets/Theme.h"

#include <QLineEdit>
#include <QMouseEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPadding = 36;
constexpr double kHitPoints = 8;
constexpr double kGripPoints = 9;
constexpr double kMinimumFieldWidth = 120;

double fontSize(const Annotation &a) { return std::max(5 * a.width, 14.0); }

bool isText(const Annotation &a) { return a.kind.type == Annotation::Kind::text; }

// A rectangle, highlight or blur's box, a label's pill; arrows have none.
QRectF boundsOf(const Annotation &a) { return isText(a) ? AnnotationRenderer::textBounds(a) : a.box(); }

QColor withAlpha(QColor c, double alpha) {
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

QPen dashedPen(const QColor &color, double width, double on, double off) {
    QPen pen(color, width);
    pen.setDashPattern({on / width, off / width});
    return pen;
}

double distanceToSegment(QPointF p, QPointF a, QPointF b) {
    const QPointF v = b - a;
    const double length2 = QPointF::dotProduct(v, v);
    const double u = length2 > 0 ? std::clamp(QPointF::dotProduct(p - a, v) / length2, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + u * v);
    return std::hypot(d.x(), d.y());
}

bool annotationHit(const Annotation &a, QPointF p, double t) {
    switch (a.kind.type) {
    case Annotation::Kind::highlight:
    case Annotation::Kind::blur: return a.box().adjusted(-t, -t, t, t).contains(p);
    case Annotation::Kind::rectangle: {
        const QRectF box = a.box();
        if (!box.adjusted(-t, -t, t, t).contains(p)) return false;
        // Only the band around the stroke: a box over a screenshot must not swallow clicks inside it.
        const double in = t + a.width;
        const QRectF inner = box.adjusted(in, in, -in, -in);
        return !(inner.isValid() && !inner.isEmpty() && inner.contains(p));
    }
    case Annotation::Kind::text: return AnnotationRenderer::textBounds(a).adjusted(-t, -t, t, t).contains(p);
    case Annotation::Kind::arrow: return distanceToSegment(p, a.start, a.end) <= std::max(t, a.width);
    }
    return false;
}

Annotation resized(Annotation a, AnnotationCanvas::Grip grip, QPointF p) {
    using Grip = AnnotationCanvas::Grip;
    switch (grip.kind) {
    case Grip::arrowStart: a.start = p; break;
    case Grip::arrowEnd: a.end = p; break;
    case Grip::textScale: {
        const QRectF t = AnnotationRenderer::textBounds(a);
        const double k = std::max(p.x() - t.left(), 0.3 * t.width());
        a.width = std::max(t.width() > 1 ? a.width * k / t.width() : a.width * k, 1.5);
        break;
    }
    case Grip::edge: {
        const QRectF r = a.box();
        const double x0 = grip.x == -1 ? p.x() : r.left(), x1 = grip.x == 1 ? p.x() : r.right();
        const double y0 = grip.y == -1 ? p.y() : r.top(), y1 = grip.y == 1 ? p.y() : r.bottom();
        a.start = QPointF(std::min(x0, x1), std::min(y0, y1));
        a.end = QPointF(std::max(x0, x1), std::max(y0, y1));
        break;
    }
    }
    return a;
}

} // namespace

AnnotationCanvas::AnnotationCanvas(EditorDocument *document, EditorRenderJob *render, QWidget *parent)
    : QWidget(parent), m_document(document), m_render(render) {
    setMouseTracking(true);
    setFocusPolicy(Qt::ClickFocus);
    // The in-place field of the label being typed (hidden otherwise).
    m_textField = new QLineEdit(this);
    m_textField->setObjectName(QStringLiteral("canvasTextField"));
    m_textField->setFrame(false);
    m_textField->setPlaceholderText(L("Digite…"));
    m_textField->hide();
    connect(m_textField, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (m_document && m_document->editingTextID()) m_document->setText(*m_document->editingTextID(), text);
    });
    connect(m_textField, &QLineEdit::returnPressed, this, [this] {
        if (m_document) m_document->finishTextEditing();
    });
    for (auto signal : {&EditorDocument::annotationsChanged, &EditorDocument::cropChanged,
                        &EditorDocument::selectedIDChanged, &EditorDocument::editingTextIDChanged})
        connect(document, signal, this, &AnnotationCanvas::modelChanged);
    connect(render, &EditorRenderJob::previewChanged, this, [this] {
        if (m_scaledOriginal.isNull()) update(); // drawn blank while the capture was packed
    });
    connect(document, &EditorDocument::toolChanged, this, [this] {
        // The document has ended the gesture as a release would; the rest of this press is ignored.
        if (m_drag) m_drag = Idle{};
        updateLook();
        modelChanged();
    });
    updateLook();
}

AnnotationCanvas::~AnnotationCanvas() { abandon(); }

void AnnotationCanvas::abandon() {
    m_drag.reset();
    if (!m_document) return;
    // A text entry first, so that the keystrokes typed so far become one step and a blank text goes.
    m_document->finishTextEditing();
    m_document->endInteraction();
}

void AnnotationCanvas::hideEvent(QHideEvent *event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) abandon();
    // Scaled again at the next paint: nothing full-screen is kept for a page out of sight.
    m_scaledFor = QSize();
    m_scaledOriginal = QPixmap();
    m_scaledMosaic = QPixmap();
}

void AnnotationCanvas::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    syncTextField();
}

void AnnotationCanvas::updateLook() {
    if (!m_document) return;
    const EditorTool tool = m_document->tool();
    setCursor(tool == EditorTool::text     ? Qt::IBeamCursor
              : tool == EditorTool::select ? Qt::ArrowCursor
                                           : Qt::CrossCursor);
    setAccessibleName(L(LKey(QStringLiteral("Tela de anotação. Ferramenta: %@"), {EditorTools::title(tool)})));
}

void AnnotationCanvas::modelChanged() {
    syncTextField();
    update();
}

CanvasMapping AnnotationCanvas::mapping() const {
    if (!m_document) return {};
    const QRectF region = m_document->tool() == EditorTool::crop ? QRectF(QPointF(), QSizeF(m_document->imageSize()))
                                                                 : m_document->visibleRect();
    return CanvasMapping::fit(region, QSizeF(size()), kPadding);
}

QPointF AnnotationCanvas::clampedImagePoint(QPointF viewPoint) const {
    const QPointF p = mapping().toImage(viewPoint);
    const QSize image = m_document->imageSize();
    return {std::clamp(p.x(), 0.0, double(image.width())), std::clamp(p.y(), 0.0, double(image.height()))};
}

std::optional<Annotation> AnnotationCanvas::hitTest(QPointF p) const {
    const double t = kHitPoints / std::max(mapping().scale(), 0.01);
    const QList<Annotation> &marks = m_document->annotations();
    for (auto it = marks.rbegin(); it != marks.rend(); ++it)
        if (annotationHit(*it, p, t)) return *it;
    return std::nullopt;
}

QList<std::pair<AnnotationCanvas::Grip, QPointF>> AnnotationCanvas::grips(const Annotation &a) {
    switch (a.kind.type) {
    case Annotation::Kind::arrow: return {{{Grip::arrowStart}, a.start}, {{Grip::arrowEnd}, a.end}};
    case Annotation::Kind::text: return {{{Grip::textScale}, AnnotationRenderer::textBounds(a).bottomRight()}};
    default: break;
    }
    const QRectF r = a.box();
    auto at = [&](int x, int y) {
        const double px = x < 0 ? r.left() : x > 0 ? r.right() : r.center().x();
        const double py = y < 0 ? r.top() : y > 0 ? r.bottom() : r.center().y();
        return std::pair<Grip, QPointF>{Grip{Grip::edge, x, y}, QPointF(px, py)};
    };
    return {at(-1, -1), at(0, -1), at(1, -1), at(-1, 0), at(1, 0), at(-1, 1), at(0, 1), at(1, 1)};
}

std::optional<AnnotationCanvas::Grip> AnnotationCanvas::gripHit(QPointF p, const Annotation &a) const {
    const double radius = kGripPoints / std::max(mapping().scale(), 0.01);
    for (const auto &[grip, point] : grips(a)) {
        const QPointF d = p - point;
        if (std::hypot(d.x(), d.y()) <= radius) return grip;
    }
    return std::nullopt;
}

// --- The press --------------------------------------------------------------------------------------------

void AnnotationCanvas::mousePressEvent(QMouseEvent *event) { press(event, 1); }

void AnnotationCanvas::mouseDoubleClickEvent(QMouseEvent *event) {
    // The second press of a double click; some sources send it while the first is still down.
    if (m_drag) m_clicks = 2;
    else press(event, 2);
}

void AnnotationCanvas::press(QMouseEvent *event, int clicks) {
    if (!m_document || event->button() != Qt::LeftButton || m_drag) return;
    m_clicks = clicks;
    // A press is already a change: a click without movement acts as a drag of no length.
    const QPointF p = clampedImagePoint(event->position());
    m_drag = begin(p);
    change(p);
}

void AnnotationCanvas::mouseMoveEvent(QMouseEvent *event) {
    if (m_document && m_drag) change(clampedImagePoint(event->position()));
}

void AnnotationCanvas::mouseReleaseEvent(QMouseEvent *event) {
    if (m_document && m_drag && event->button() == Qt::LeftButton) end(clampedImagePoint(event->position()));
}

AnnotationCanvas::DragState AnnotationCanvas::begin(QPointF p) {
    EditorDocument &document = *m_document;
    const EditorTool tool = document.tool();
    if (tool != EditorTool::preview && tool != EditorTool::crop && !document.editingTextID()) {
        if (const std::optional<Annotation> selected = document.selectedAnnotation()) {
            if (const std::optional<Grip> grip = gripHit(p, *selected)) {
                document.beginInteraction();
                return Resizing{*selected, *grip};
            }
        }
    }
    switch (tool) {
    case EditorTool::preview: return Idle{};
    case EditorTool::select: {
        document.finishTextEditing();
        const std::optional<Annotation> hit = hitTest(p);
        if (!hit) {
            document.setSelectedID(std::nullopt);
            return Idle{};
        }
        document.setSelectedID(hit->id);
        document.beginInteraction();
        return Moving{*hit, p};
    }
    case EditorTool::text: document.finishTextEditing(); return Tap{};
    case EditorTool::crop: document.beginInteraction(); return Cropping{p};
    default: break;
    }
    if (const std::optional<QUuid> id = document.startAnnotation(p)) return Drawing{*id};
    return Idle{};
}

void AnnotationCanvas::change(QPointF p) {
    EditorDocument &document = *m_document;
    if (auto *drawing = std::get_if<Drawing>(&*m_drag)) {
        document.updateAnnotation(drawing->id, p);
    } else if (auto *moving = std::get_if<Moving>(&*m_drag)) {
        Annotation a = moving->from;
        const QPointF d = p - moving->start;
        a.start += d;
        a.end += d;
        document.replaceAnnotation(a);
    } else if (auto *resizing = std::get_if<Resizing>(&*m_drag)) {
        document.replaceAnnotation(resized(resizing->from, resizing->grip, p));
    } else if (auto *cropping = std::get_if<Cropping>(&*m_drag)) {
        document.setCrop(QRectF(cropping->start, p).normalized());
    }
}

void AnnotationCanvas::end(QPointF p) {
    const DragState state = *m_drag;
    m_drag.reset();
    EditorDocument &document = *m_document;
    if (auto *drawing = std::get_if<Drawing>(&state)) {
        document.finishAnnotation(drawing->id);
    } else if (auto *moving = std::get_if<Moving>(&state)) {
        document.endInteraction();
        if (isText(moving->from) && m_clicks >= 2) document.editText(moving->from.id);
    } else if (std::holds_alternative<Resizing>(state)) {
        document.endInteraction();
    } else if (std::holds_alternative<Cropping>(state)) {
        document.finishCrop();
    } else if (std::holds_alternative<Tap>(state)) {
        const std::optional<Annotation> hit = hitTest(p);
        if (hit && isText(*hit)) document.editText(hit->id);
        else document.startAnnotation(p);
    }
}

// --- The text field ---------------------------------------------------------------------------------------

void AnnotationCanvas::syncTextField() {
    std::optional<Annotation> editing;
    if (m_document && m_document->editingTextID()) {
        for (const Annotation &a : m_document->annotations())
            if (a.id == *m_document->editingTextID()) {
                editing = a;
                break;
            }
    }
    if (!editing) {
        m_textField->hide();
        return;
    }
    const CanvasMapping m = mapping();
    const double sf = m.scale() * fontSize(*editing);
    m_textField->setFont(SystemFont::font(std::max(sf, 11.0), QFont::DemiBold, logicalDpiY()));
    QPalette palette = m_textField->palette();
    const QColor ink = AnnotationRenderer::textColor(editing->color);
    palette.setColor(QPalette::Text, ink);
    palette.setColor(QPalette::PlaceholderText, withAlpha(ink, 0.55));
    palette.setColor(QPalette::Base, Qt::transparent);
    m_textField->setPalette(palette);
    const QString text = isText(*editing) ? editing->kind.string : QString();
    if (m_textField->text() != text) m_textField->setText(text);
    const int padX = qRound(0.45 * sf), padY = qRound(0.25 * sf);
    m_textField->setTextMargins(padX, padY, padX, padY);
    // The field grows with its text, from the width the placeholder needs up.
    const QFontMetricsF metrics(m_textField->font());
    const double content = metrics.horizontalAdvance(text.isEmpty() ? m_textField->placeholderText() : text) + 4;
    const QSize fieldSize(qCeil(std::max(content + 2 * padX, kMinimumFieldWidth)), qCeil(metrics.height() + 2 * padY));
    m_textField->setGeometry(QRect(m.toView(editing->start).toPoint(), fieldSize));
    if (!m_textField->isVisible()) {
        m_textField->show();
        m_textField->setFocus();
    }
    update();
}

// --- Drawing ----------------------------------------------------------------------------------------------

void AnnotationCanvas::paintEvent(QPaintEvent *) {
    if (!m_document) return;
    if (m_document->isOriginalPacked()) {
        // The render unpacks it off the main thread; its result (previewChanged) paints again.
        QPainter(this).fillRect(rect(), Theme::bg());
        return;
    }
    if (m_document->original().isNull()) return;
    QPainter p(this);
    p.fillRect(rect(), Theme::bg());
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    const CanvasMapping m = mapping();
    drawImage(p, m);
    p.save();
    if (m_document->tool() != EditorTool::crop) p.setClipRect(m.frame);
    drawAnnotations(p, m);
    p.restore();
    if (m_document->tool() == EditorTool::crop) drawCropOverlay(p, m);
    else drawSelection(p, m);
    if (m_textField->isVisible()) drawTextFieldFrame(p);
}

void AnnotationCanvas::drawImage(QPainter &p, const CanvasMapping &m) {
    const QRectF imageRect = m.toView(QRectF(QPointF(), QSizeF(m_document->imageSize())));
    const qreal dpr = devicePixelRatioF();
    const QSize pixels = (imageRect.size() * dpr).toSize().expandedTo(QSize(1, 1));
    if (pixels != m_scaledFor) {
        // Scaled once per mapping, so that a drag repaints without resampling the capture.
        m_scaledFor = pixels;
        m_scaledOriginal =
            QPixmap::fromImage(m_document->original().scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
        m_scaledOriginal.setDevicePixelRatio(dpr);
        const QImage &mosaic = m_render->pixelatedImage();
        m_scaledMosaic = mosaic.isNull()
                             ? QPixmap()
                             : QPixmap::fromImage(mosaic.scaled(pixels, Qt::IgnoreAspectRatio, Qt::FastTransformation));
        m_scaledMosaic.setDevicePixelRatio(dpr);
    }
    p.save();
    p.setClipRect(m.frame);
    p.drawPixmap(imageRect.topLeft(), m_scaledOriginal);
    p.restore();
    p.setPen(QPen(withAlpha(Qt::white, 0.08), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(m.frame);
    if (m_scaledMosaic.isNull()) return;
    for (const Annotation &a : m_document->annotations()) {
        if (a.kind.type != Annotation::Kind::blur) continue;
        const QRectF r = m.toView(a.box()).intersected(m.frame);
        if (!(r.width() > 0) || !(r.height() > 0)) continue;
        p.save();
        p.setClipRect(r);
        p.drawPixmap(imageRect.topLeft(), m_scaledMosaic);
        p.restore();
    }
}

void AnnotationCanvas::drawAnnotations(QPainter &p, const CanvasMapping &m) {
    const qreal ratio = devicePixelRatioF();
    if (m_layersFor != m || m_layersRatio != ratio) {
        m_markLayers.clear();
        m_layersFor = m;
        m_layersRatio = ratio;
    }
    // Layers of marks gone are dropped as the list is walked.
    QHash<QUuid, MarkLayer> kept;
    kept.reserve(m_markLayers.size());
    for (const Annotation &a : m_document->annotations()) {
        if (const auto it = m_markLayers.constFind(a.id); it != m_markLayers.cend()) kept.insert(a.id, *it);
    }
    m_markLayers = std::move(kept);
    for (const Annotation &a : m_document->annotations()) drawAnnotation(p, a, m);
}

void AnnotationCanvas::drawAnnotation(QPainter &p, const Annotation &a, const CanvasMapping &m) {
    if (a.kind.type == Annotation::Kind::blur) {
        p.setPen(dashedPen(withAlpha(Qt::white, 0.35), 1, 3, 3));
        p.setBrush(Qt::NoBrush);
        p.drawPath(Theme::continuousRoundedRect(m.toView(a.box()), 3));
        return;
    }
    if (isText(a) && (a.kind.string.isEmpty() || a.id == m_document->editingTextID())) return;
    // The renderer's own drawing, scaled: the canvas and the exported image put marks on the same pixels.
    const double s = m.scale();
    QTransform toView;
    toView.translate(m.frame.left() - s * m.visible.left(), m.frame.top() - s * m.visible.top());
    toView.scale(s, s);
    if (a.kind.type == Annotation::Kind::highlight) {
        // Multiplied into what lies beneath, so it cannot be kept apart; it has no shadow to cost anything.
        p.save();
        p.setTransform(toView, true);
        AnnotationRenderer::drawMark(p, a, logicalDpiY());
        p.restore();
        return;
    }
    auto layer = m_markLayers.find(a.id);
    if (layer == m_markLayers.end() || !(layer->mark == a)) layer = m_markLayers.insert(a.id, markLayer(a, toView));
    if (!layer->image.isNull()) p.drawImage(layer->at, layer->image);
}

AnnotationCanvas::MarkLayer AnnotationCanvas::markLayer(const Annotation &a, const QTransform &toView) const {
    // Room for the arrow head and the shadow's blur and offset around the mark's own box.
    const double reach = 8 * a.width + 16;
    const QRectF bounds = (isText(a) ? AnnotationRenderer::textBounds(a) : QRectF(a.start, a.end).normalized())
                              .adjusted(-reach, -reach, reach, reach);
    const qreal ratio = devicePixelRatioF();
    // Whole device pixels, so that the layer lands on the very pixels the mark would have been drawn on.
    const QRect device = QTransform::fromScale(ratio, ratio).mapRect(toView.mapRect(bounds)).toAlignedRect();
    MarkLayer layer{a, QImage(), QPointF(device.topLeft()) / ratio};
    if (device.isEmpty() || qint64(device.width()) * device.height() > 64LL * 1024 * 1024) return layer;
    layer.image = QImage(device.size(), QImage::Format_ARGB32_Premultiplied);
    if (layer.image.isNull()) return layer;
    layer.image.fill(Qt::transparent);
    layer.image.setDevicePixelRatio(ratio);
    layer.image.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    layer.image.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
    QPainter painter(&layer.image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
    painter.translate(-layer.at);
    painter.setTransform(toView, true);
    AnnotationRenderer::drawMark(painter, a, logicalDpiY());
    return layer;
}

void AnnotationCanvas::drawSelection(QPainter &p, const CanvasMapping &m) const {
    const std::optional<Annotation> a = m_document->selectedAnnotation();
    if (!a || a->id == m_document->editingTextID()) return;
    if (a->kind.type != Annotation::Kind::arrow) {
        p.setPen(dashedPen(Theme::accent(), 1.2, 5, 4));
        p.setBrush(Qt::NoBrush);
        p.drawPath(Theme::continuousRoundedRect(m.toView(boundsOf(*a)).adjusted(-4, -4, 4, 4), 5));
    }
    p.setPen(QPen(Theme::accent(), 1.5));
    p.setBrush(Qt::white);
    for (const auto &[grip, point] : grips(*a)) {
        const QPointF c = m.toView(point);
        p.drawPath(Theme::continuousRoundedRect(QRectF(c.x() - 5, c.y() - 5, 10, 10), 3));
    }
}

void AnnotationCanvas::drawCropOverlay(QPainter &p, const CanvasMapping &m) const {
    if (!m_document->crop()) return;
    const QRectF drawn = m_document->crop()->normalized();
    const QRectF outward(QPointF(std::floor(drawn.left()), std::floor(drawn.top())),
                         QPointF(std::ceil(drawn.right()), std::ceil(drawn.bottom())));
    const QRectF c = outward.intersected(QRectF(QPointF(), QSizeF(m_document->original().size())));
    if (c.width() < 8 || c.height() < 8) return;
    const QRectF v = m.toView(c);
    QPainterPath dim;
    dim.setFillRule(Qt::OddEvenFill);
    dim.addRect(m.frame);
    dim.addRect(v);
    p.fillPath(dim, QColor(0, 0, 0, qRound(0.55 * 255)));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(237, 231, 250), 1.5));
    p.drawRect(v);
    p.setPen(QPen(withAlpha(Qt::white, 0.25), 0.5));
    for (int i = 1; i <= 2; ++i) {
        const double x = v.left() + i * v.width() / 3, y = v.top() + i * v.height() / 3;
        p.drawLine(QPointF(x, v.top()), QPointF(x, v.bottom()));
        p.drawLine(QPointF(v.left(), y), QPointF(v.right(), y));
    }
    // On a plate, as the overlay's size tag: straight on the picture it could not be read over text.
    const QFont font = Theme::monospaceFont(11);
    const QString label = L(
        LKey(QStringLiteral("%lld × %lld"), {QString::number(qint64(c.width())), QString::number(qint64(c.height()))}));
    const QSizeF text = QFontMetricsF(font).size(Qt::TextSingleLine, label);
    const QRectF plate(v.left() + 6, v.top() + 6, std::ceil(text.width()) + 12, std::ceil(text.height()) + 6);
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.setBrush(Theme::rgb(0x101015, 0.92));
    p.drawPath(Theme::continuousRoundedRect(plate.adjusted(0.5, 0.5, -0.5, -0.5), 6));
    p.setBrush(Qt::NoBrush);
    p.setPen(Theme::text());
    p.setFont(font);
    p.drawText(plate, Qt::AlignCenter, label);
}

// The pill behind the text field and its dashed outline; the field itself draws only its text.
void AnnotationCanvas::drawTextFieldFrame(QPainter &p) const {
    const std::optional<QUuid> id = m_document->editingTextID();
    const auto it = std::find_if(m_document->annotations().begin(), m_document->annotations().end(),
                                 [&](const Annotation &a) { return a.id == id; });
    if (it == m_document->annotations().end()) return;
    const double sf = mapping().scale() * fontSize(*it);
    const QPainterPath pill = Theme::continuousRoundedRect(QRectF(m_textField->geometry()), 0.35 * sf);
    p.fillPath(pill, colorFromHex(it->color));
    p.setPen(dashedPen(Theme::accent(), 1.5, 4, 3));
    p.setBrush(Qt::NoBrush);
    p.drawPath(pill);
}
