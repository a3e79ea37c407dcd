#include "widgets/KeptPicture.h"
#include "widgets/Theme.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace {

QImage onBackground(const std::function<void(QPainter &)> &paint) {
    QImage image(60, 30, QImage::Format_RGB32);
    image.fill(Theme::panel());
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return image;
}

int largestDifference(const QImage &a, const QImage &b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

} // namespace

TEST(KeptPictureTest, PlatesLookAsFilledAndOutlinedAndFollowTheirColours) {
    const QRect rect(4, 3, 50, 24);
    for (const auto &[fill, line] : {std::pair{Theme::raised(), Theme::line()}, std::pair{Theme::accentSoft(), Theme::accentLine()}}) {
        const QImage drawn = onBackground([&](QPainter &p) {
            const QPainterPath shape = Theme::continuousRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 8);
            p.fillPath(shape, fill);
            p.setPen(QPen(line, 1));
            p.drawPath(shape);
        });
        // Twice: the second comes from the kept picture of the first.
        for (int i = 0; i < 2; ++i)
            EXPECT_LE(largestDifference(onBackground([&](QPainter &p) { drawPlate(p, rect, 8, fill, line); }), drawn), 2);
    }
}
