#include "widgets/SoftShadow.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

TEST(SoftShadowTest, FallsSoftlyUnderTheOffsetShapeAtEveryPixelRatio) {
    const QPointF centre(80 + 10, 80 + 20); // the shape's centre, moved by the offset
    QList<int> atOnePixel;
    for (qreal dpr : {1.0, 2.0}) {
        QImage canvas(QSize(200, 200) * dpr, QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(dpr);
        canvas.fill(Qt::transparent);
        QPainterPath shape;
        shape.addRect(60, 60, 40, 40);
        for (int i = 0; i < 2; ++i) { // the second paint comes from the cache and looks the same
            canvas.fill(Qt::transparent);
            QPainter p(&canvas);
            SoftShadow::paint(p, shape, QColor(0, 0, 0, 200), 20, QPointF(10, 20));
        }
        const auto alphaAt = [&](QPointF logical) { return qAlpha(canvas.pixel((logical * dpr).toPoint())); };
        const QList<int> samples{alphaAt(centre),
                                 alphaAt(centre + QPointF(25, 0)),
                                 alphaAt(centre - QPointF(25, 0)),
                                 alphaAt(centre + QPointF(0, 25)),
                                 alphaAt(centre - QPointF(0, 25)),
                                 alphaAt(QPointF(5, 5))};
        EXPECT_GT(samples[0], 150) << dpr;
        EXPECT_GT(samples[1], 0) << dpr;               // soft beyond the shape's edge…
        EXPECT_LT(samples[1], samples[0]) << dpr;      // …and fainter than under it
        EXPECT_NEAR(samples[1], samples[2], 8) << dpr; // centred under the offset shape
        EXPECT_NEAR(samples[3], samples[4], 8) << dpr;
        EXPECT_EQ(samples[5], 0) << dpr; // nothing far away
        if (dpr == 1.0) atOnePixel = samples;
        else
            for (int i = 0; i < samples.size(); ++i) EXPECT_NEAR(samples[i], atOnePixel[i], 10) << i;
    }
}
