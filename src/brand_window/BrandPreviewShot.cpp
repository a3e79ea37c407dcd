#include "brand_window/BrandPreviewShot.h"

#include <QPainter>

namespace {

constexpr int kWidth = 760, kHeight = 480;
constexpr int kBarHeight = 52;

struct Shape {
    qreal x, y, w, h; // from the bottom-left corner, y growing upwards
    qreal r, g, b, a;
};

// The window's parts, back to front: a one-pixel frame, the window, the bar along the top, the
// sidebar and the content.
constexpr Shape shapes[] = {
    {0, 0, 760, 480, 0.80, 0.80, 0.80, 1},   {1, 1, 758, 478, 0.98, 0.98, 0.98, 1},
    {1, 427, 758, 52, 0.93, 0.93, 0.93, 1},  {1, 1, 189, 426, 0.95, 0.95, 0.95, 1},
    {24, 380, 140, 14, 0.84, 0.84, 0.84, 1}, {24, 342, 120, 14, 0.62, 0.62, 0.62, 1},
    {24, 304, 140, 14, 0.84, 0.84, 0.84, 1}, {24, 266, 140, 14, 0.84, 0.84, 0.84, 1},
    {24, 228, 140, 14, 0.84, 0.84, 0.84, 1}, {24, 190, 140, 14, 0.84, 0.84, 0.84, 1},
    {226, 368, 300, 26, 0.2, 0.2, 0.2, 1},   {226, 334, 420, 12, 0.8, 0.8, 0.8, 1},
    {226, 314, 360, 12, 0.8, 0.8, 0.8, 1},   {226, 150, 240, 130, 0.43, 0.36, 0.85, 0.18},
    {486, 150, 240, 130, 0.9, 0.9, 0.9, 1},  {226, 40, 500, 86, 0.93, 0.93, 0.93, 1},
};

// The bar's title and its minimise, maximise and close buttons, as most Linux desktops draw them: the
// title centred, the buttons at the right end, well inside the corner that the beautifier rounds.
void drawBar(QPainter &p) {
    const qreal middle = 1 + kBarHeight / 2.0;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgbF(0.70f, 0.70f, 0.70f));
    p.drawRoundedRect(QRectF(kWidth / 2.0 - 75, middle - 5, 150, 10), 5, 5);

    const QColor button = QColor::fromRgbF(0.86f, 0.86f, 0.86f);
    const QColor glyph = QColor::fromRgbF(0.35f, 0.35f, 0.35f);
    const QPen glyphPen(glyph, 1.5, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < 3; ++i) {
        const QPointF c(kWidth - 28 - 26 * i, middle); // close, maximise, minimise from the right
        p.setPen(Qt::NoPen);
        p.setBrush(button);
        p.drawEllipse(c, 9, 9);
        p.setPen(glyphPen);
        p.setBrush(Qt::NoBrush);
        if (i == 0) {
            p.drawLine(c + QPointF(-3.5, -3.5), c + QPointF(3.5, 3.5));
            p.drawLine(c + QPointF(-3.5, 3.5), c + QPointF(3.5, -3.5));
        } else if (i == 1) {
            p.drawRect(QRectF(c - QPointF(3.5, 3.5), QSizeF(7, 7)));
        } else {
            p.drawLine(c + QPointF(-3.5, 3), c + QPointF(3.5, 3));
        }
    }
}

QImage draw() {
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        QImage pixel(1, 1, QImage::Format_ARGB32_Premultiplied);
        pixel.fill(Qt::transparent);
        return pixel;
    }
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    for (const Shape &s : shapes) {
        p.setBrush(QColor::fromRgbF(float(s.r), float(s.g), float(s.b), float(s.a)));
        p.drawRect(QRectF(s.x, kHeight - s.y - s.h, s.w, s.h)); // y-up table, y-down painter
    }
    drawBar(p);
    return image;
}

} // namespace

const QImage &BrandPreviewShot::image() {
    static const QImage shot = draw(); // thread-safe lazy initialisation
    return shot;
}
