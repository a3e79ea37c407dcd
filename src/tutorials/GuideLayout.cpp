#include "tutorials/GuideLayout.h"

#include "brand/art/LogoArt.h"
#include "core/DropShadow.h"
#include "core/GaussianBlur.h"
#include "core/Localization.h"
#include "core/Luma.h"
#include "platform/LongDate.h"

#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace GuideLayout {

namespace {

GuideText text(const QString &content, const TutorialPalette &palette, const GuideTextStyle &style,
               double width = GuideText::unbounded) {
    return GuideText(content, palette.fontFamily, style, width);
}

QString stepTitle(const TutorialStep &step, int number) {
    const QString trimmed = step.title.trimmed();
    return trimmed.isEmpty() ? L(LKey(QStringLiteral("Passo %@"), {QString::number(number)})) : trimmed;
}

bool drawsVectors(const QPainter &painter) {
    return painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Pdf;
}

void drawDisc(QPainter &painter, const QRectF &rect, const QColor &color) {
    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawEllipse(rect);
    painter.restore();
}

// A picture drawn into `rect`, inside `frame` (the whole rectangle when empty). A raster device gets
// the picture resampled once, with area averaging, and filled through the antialiased frame path; a
// PDF gets the whole picture, clipped by the path, at its own resolution.
void drawPicture(QPainter &painter, const QRectF &rect, const QImage &picture, QPainterPath frame = {}) {
    if (frame.isEmpty()) frame.addRect(rect);
    painter.save();
    if (drawsVectors(painter)) {
        painter.setClipPath(frame);
        painter.drawImage(rect, picture);
    } else {
        const QSize size = rect.size().toSize().expandedTo(QSize(1, 1));
        const QImage drawn =
            picture.size() == size ? picture : picture.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        QBrush brush(drawn);
        brush.setTransform(QTransform::fromTranslate(rect.left(), rect.top()));
        painter.fillPath(frame, brush);
    }
    painter.restore();
}

// The brand's logo for the header, tinted, scaled to fill a 480 × 72 box as far as its proportions
// allow; only for the brand theme.
void placeLogo(Header &header, const TutorialRenderer::Input &input) {
    if (input.theme != TutorialTheme::brand || !input.brand || input.brand->logo.isNull()) return;
    LogoVariant variant = input.brand->logoVariant;
    if (variant == LogoVariant::auto_)
        variant = lumaOf(input.brand->background & 0xFFFFFF) < 0.55 ? LogoVariant::white : LogoVariant::black;
    header.logo = LogoArt::tinted(input.brand->logo, variant);
    const double scale = std::min(480.0 / header.logo.width(), 72.0 / header.logo.height());
    header.logoSize = QSizeF(scale * header.logo.width(), scale * header.logo.height());
}

// A soft shadow of `shape` (inside `bounds`). In a PDF the shadow can only be a picture: it is made at
// a quarter of the resolution and stretched, which a blur this soft cannot tell apart, so the file
// carries a sixteenth of the pixels.
void drawShadow(QPainter &painter, const QRectF &bounds, const std::function<void(QPainter &)> &shape,
                const DropShadow::Style &style) {
    if (!drawsVectors(painter)) {
        DropShadow::paint(painter, bounds, shape, style);
        return;
    }
    constexpr double k = 4;
    const double reach = 3 * GaussianBlur::sigmaForShadowBlur(style.blur) + 2;
    const QRectF area = bounds.translated(style.offset).adjusted(-reach, -reach, reach, reach);
    QImage small(QSizeF(area.size() / k).toSize() + QSize(1, 1), QImage::Format_ARGB32_Premultiplied);
    if (small.isNull()) return;
    small.fill(Qt::transparent);
    QPainter reduced(&small);
    reduced.setRenderHint(QPainter::Antialiasing);
    reduced.scale(1 / k, 1 / k);
    reduced.translate(-area.topLeft());
    DropShadow::paint(reduced, bounds, shape, {style.offset / k, style.blur / k, style.color});
    reduced.end();
    painter.drawImage(QRectF(area.topLeft(), QSizeF(small.size()) * k), small);
}

} // namespace

double Header::block() const {
    const double logoPart = logo.isNull() ? 0 : logoSize.height() + 40;
    return logoPart + 46 + title.height() + 18 + 30;
}

double Step::height() const { return std::max(badge, textHeight) + 32 + imageSize.height() + 96; }

Header header(const TutorialRenderer::Input &input, const TutorialPalette &palette) {
    const qsizetype count = input.steps.size();
    const QString kicker =
        count == 1 ? L("Guia · 1 passo") : L(LKey(QStringLiteral("Guia · %@ passos"), {QString::number(count)}));
    const QColor kickerColor = palette.accent.isValid() ? palette.accent : palette.body;
    Header h;
    h.kicker = text(kicker.toUpper(), palette, {22, QFont::DemiBold, kickerColor, 1.6, 0});
    h.title = text(input.title.isEmpty() ? L("Tutorial") : input.title, palette, {64, QFont::Bold, palette.title, 0, 0},
                   column);
    h.date = text(platform::longDate(input.date), palette, {22, QFont::Normal, palette.muted, 0, 0});
    placeLogo(h, input);
    return h;
}

Step step(const TutorialStep &step, QSize pictureSize, int number, const TutorialPalette &palette) {
    Step s;
    s.title = text(stepTitle(step, number), palette, {38, QFont::DemiBold, palette.title, 0, 0}, textWidth);
    s.textHeight = s.title.height();
    if (const QString detail = step.detail.trimmed(); !detail.isEmpty()) {
        s.detail = text(detail, palette, {26, QFont::Normal, palette.body, 0, 6}, textWidth);
        s.textHeight += 10 + s.detail->height();
    }
    const double w = std::max(1, pictureSize.width());
    const double h = std::max(1, pictureSize.height());
    double scale = std::min(column / w, 2.0);
    if (h * scale > maxImageHeight) scale = maxImageHeight / h;
    s.imageSize = QSizeF(w * scale, h * scale);
    return s;
}

QString footerText(const TutorialRenderer::Input &input) {
    if (input.theme == TutorialTheme::brand && input.brand) {
        if (const QString footer = input.brand->footer.trimmed(); !footer.isEmpty()) return footer;
    }
    return L("Feito com Pelicarta");
}

GuideText footer(const TutorialRenderer::Input &input, const TutorialPalette &palette) {
    return text(footerText(input), palette, {20, QFont::Medium, palette.muted, 0, 0});
}

void drawHeader(QPainter &painter, const Header &header, double top) {
    double y = top;
    if (!header.logo.isNull()) {
        drawPicture(painter, QRectF(QPointF(margin, y), header.logoSize), header.logo);
        y += header.logoSize.height() + 40;
    }
    header.kicker.draw(painter, QPointF(margin, y));
    header.title.draw(painter, QPointF(margin, y + 46));
    header.date.draw(painter, QPointF(margin, y + 46 + header.title.height() + 18));
}

void drawMarker(QPainter &painter, QPointF centre, double r, int number, const TutorialPalette &palette) {
    const QRectF disc(centre.x() - r, centre.y() - r, 2 * r, 2 * r);
    const QRectF ring = disc.adjusted(-0.18 * r, -0.18 * r, 0.18 * r, 0.18 * r);
    drawShadow(painter, ring, [&](QPainter &p) { drawDisc(p, ring, Qt::black); },
               {QPointF(0, 0.15 * r), 0.6 * r, QColor::fromRgbF(0, 0, 0, 0.35f)});
    drawDisc(painter, ring, Qt::white);
    drawDisc(painter, disc, palette.accent);
    GuideText(QString::number(number), palette.fontFamily, {0.95 * r, QFont::Bold, palette.badgeText, 0, 0})
        .drawCentred(painter, centre);
}

void drawStep(QPainter &painter, const Step &layout, const TutorialStep &step, const QImage &picture, int number,
              double y, const TutorialPalette &palette) {
    drawDisc(painter, QRectF(margin, y, badge, badge), palette.accent);
    GuideText(QString::number(number), palette.fontFamily, {28, QFont::Bold, palette.badgeText, 0, 0})
        .drawCentred(painter, QPointF(margin + badge / 2, y + badge / 2));

    const double offset = std::max(0.0, (badge - layout.textHeight) / 2);
    layout.title.draw(painter, QPointF(textLeft, y + offset));
    if (layout.detail) layout.detail->draw(painter, QPointF(textLeft, y + offset + layout.title.height() + 10));

    QRectF rect(margin + (column - layout.imageSize.width()) / 2, y + std::max(badge, layout.textHeight) + 32,
                layout.imageSize.width(), layout.imageSize.height());
    // On pixels the frame sits on whole pixels, so that a screenshot at its own size stays sharp.
    if (!drawsVectors(painter))
        rect = QRectF(std::round(rect.left()), std::round(rect.top()), std::max(1.0, std::round(rect.width())),
                      std::max(1.0, std::round(rect.height())));
    QPainterPath frame;
    frame.addRoundedRect(rect, 18, 18);
    drawShadow(painter, rect, [&](QPainter &p) { p.fillPath(frame, Qt::black); },
               {QPointF(0, 14), 40, QColor::fromRgbF(0.05f, 0.03f, 0.12f, 0.22f)});
    painter.fillPath(frame, palette.background);
    drawPicture(painter, rect, picture, frame);
    painter.strokePath(frame, QPen(palette.border, 1.5));

    if (step.marker) {
        const double mx = std::clamp(step.marker->x(), 0.0, 1.0);
        const double my = std::clamp(step.marker->y(), 0.0, 1.0);
        drawMarker(painter, QPointF(rect.left() + mx * rect.width(), rect.top() + my * rect.height()), 30, number,
                   palette);
    }
}

} // namespace GuideLayout
