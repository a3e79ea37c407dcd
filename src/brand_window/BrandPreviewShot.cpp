#include "brand_window/BrandPreviewShot.h"

#include <QPainter>

namespace {

struct Shape {
    bool ellipse;
    qreal x, y, w, h; // from the bottom-left corner, y growing upwards
    qreal r, g, b, a;
};

// The window's parts, back to front.
constexpr Shape shapes[] = {
    {false, 0, 0, 760, 480, 0.98, 0.98, 0.98, 1},     {false, 0, 428, 760, 52, 0.93, 0.93, 0.93, 1},
    {true, 20, 446, 14, 14, 1.0, 0.37, 0.34, 1},      {true, 44, 446, 14, 14, 1.0, 0.74, 0.18, 1},
    {true, 68, 446, 14, 14, 0.16, 0.78, 0.25, 1},     {false, 0, 0, 190, 428, 0.95, 0.95, 0.95, 1},
    {false, 24, 380, 140, 14, 0.84, 0.84, 0.84, 1},   {false, 24, 342, 120, 14, 0.62, 0.62, 0.62, 1},
    {false, 24, 304, 140, 14, 0.84, 0.84, 0.84, 1},   {false, 24, 266, 140, 14, 0.84, 0.84, 0.84, 1},
    {false, 24, 228, 140, 14, 0.84, 0.84, 0.84, 1},   {false, 24, 190, 140, 14, 0.84, 0.84, 0.84, 1},
    {false, 226, 368, 300, 26, 0.2, 0.2, 0.2, 1},     {false, 226, 334, 420, 12, 0.8, 0.8, 0.8, 1},
    {false, 226, 314, 360, 12, 0.8, 0.8, 0.8, 1},     {false, 226, 150, 240, 130, 0.43, 0.36, 0.85, 0.18},
    {false, 486, 150, 240, 130, 0.9, 0.9, 0.9, 1},    {false, 226, 40, 500, 86, 0.93, 0.93, 0.93, 1},
};

QImage draw() {
    constexpr int width = 760, height = 480;
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
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
        const QRectF rect(s.x, height - s.y - s.h, s.w, s.h); // y-up table, y-down painter
        if (s.ellipse) p.drawEllipse(rect);
        else p.drawRect(rect);
    }
    return image;
}

} // namespace

const QImage &BrandPreviewShot::image() {
    static const QImage shot = draw(); // thread-safe lazy initialisation
    return shot;
}
