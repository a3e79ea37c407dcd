#include "editor_window/PreviewStage.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// The glow painted as rings looks like the radial gradient it stands for: at most a level apart, and only
// on the edges between its colours.
TEST(PreviewStageTest, GlowLooksLikeTheGradient) {
    for (const auto &[logical, ratio] :
         {std::pair{QSize(1378, 858), 1.0}, std::pair{QSize(689, 429), 2.0}, std::pair{QSize(300, 200), 1.5}}) {
        const QSize pixels = (QSizeF(logical) * ratio).toSize();
        QImage painted(pixels, QImage::Format_RGB32);
        painted.setDevicePixelRatio(ratio);
        {
            QPainter p(&painted);
            QRadialGradient glow(QPointF(logical.width() * 0.5, logical.height() * 0.4), 600);
            glow.setColorAt(0, QColor(22, 22, 29));
            glow.setColorAt(1, QColor(11, 11, 15));
            p.fillRect(QRectF(QPointF(), QSizeF(logical)), glow);
        }
        QImage rings = painted.copy();
        rings.fill(Qt::red);
        {
            QPainter p(&rings);
            p.setRenderHint(QPainter::Antialiasing);
            PreviewStage::paintGlow(p, QSizeF(logical));
        }
        int apart = 0, off = 0;
        for (int y = 0; y < pixels.height(); ++y)
            for (int x = 0; x < pixels.width(); ++x) {
                const QRgb a = painted.pixel(x, y), b = rings.pixel(x, y);
                const int d = std::max(
                    {std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
                apart = std::max(apart, d);
                off += d > 0;
            }
        EXPECT_LE(apart, 1) << logical.width() << "x" << logical.height() << "@" << ratio;
        EXPECT_LT(off, pixels.width() * pixels.height() / 100)
            << logical.width() << "x" << logical.height() << "@" << ratio;
    }
}

} // namespace
