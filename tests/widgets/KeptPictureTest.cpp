#include "widgets/KeptPicture.h"
#include "widgets/Theme.h"

#include <QPainter>

#include <gtest/gtest.h>

TEST(KeptPictureTest, PlatesLookAsFilledAndOutlinedAndFollowTheirColors) {
    const QRect rect(4, 3, 50, 24);
    const auto shown = [](const std::function<void(QPainter &)> &paint) {
        QImage image(60, 30, QImage::Format_RGB32);
        image.fill(Theme::panel());
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p);
        return image;
    };
    for (const auto &[fill, line] :
         {std::pair{Theme::raised(), Theme::line()}, std::pair{Theme::accentSoft(), Theme::accentLine()}}) {
        const QImage drawn = shown([&](QPainter &p) {
            const QPainterPath shape = Theme::continuousRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 8);
            p.fillPath(shape, fill);
            p.setPen(QPen(line, 1));
            p.drawPath(shape);
        });
        // Twice: the second comes from the kept picture. Rounding apart, the same pixels.
        for (int i = 0; i < 2; ++i) {
            const QImage plate = shown([&](QPainter &p) { drawPlate(p, rect, 8, fill, line); });
            for (int n = 0; n < plate.width() * plate.height(); ++n) {
                const QRgb a = plate.pixel(n % 60, n / 60), b = drawn.pixel(n % 60, n / 60);
                ASSERT_LE(std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                    std::abs(qBlue(a) - qBlue(b))}),
                          2)
                    << n;
            }
        }
    }
}
