#include "brand_window/BrandControls.h"

#include <QImage>

#include <gtest/gtest.h>

TEST(ShadowHostTest, TheShadowFallsBelowTheTargetAndFollowsIt) {
    ShadowHost host(QColor(0, 0, 0, 90), 18, {0, 8}, 10);
    host.resize(200, 200);
    auto *target = new QWidget(&host);
    target->setGeometry(50, 40, 100, 80);
    host.setTarget(target);
    host.show();
    const auto alphaAt = [&](QPoint at) {
        QImage image(host.size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        host.render(&image, {}, {}, {}); // the host's own drawing: no background, no children
        return qAlpha(image.pixel(at));
    };
    const int below = alphaAt({100, 130});
    EXPECT_GT(below, 10);
    EXPECT_GT(below, alphaAt({100, 34})); // offset downwards
    EXPECT_EQ(alphaAt({5, 190}), 0);

    target->move(50, 100);
    EXPECT_GT(alphaAt({100, 190}), 10);
}
