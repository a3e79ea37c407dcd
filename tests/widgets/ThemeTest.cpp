#include "widgets/Theme.h"

#include <gtest/gtest.h>

TEST(ThemeTest, ContinuousCornersStayInsideAndDegradeGracefully) {
    const QRectF r(10, 10, 200, 40);
    const QPainterPath path = Theme::continuousRoundedRect(r, 10);
    EXPECT_EQ(path.boundingRect(), r);
    EXPECT_TRUE(path.contains(r.center()));
    EXPECT_TRUE(path.contains(QPointF(110, 10.5)));                      // the edges are straight between the corners
    EXPECT_FALSE(path.contains(QPointF(r.left() + 0.5, r.top() + 0.5))); // the corner itself is cut
    // A radius larger than the shape allows becomes a pill, not a broken path; a tiny rectangle
    // still gets a closed shape; radius 0 is the rectangle itself.
    const QPainterPath pill = Theme::continuousRoundedRect(QRectF(0, 0, 30, 20), 100);
    EXPECT_TRUE(pill.contains(QPointF(15, 10)));
    EXPECT_EQ(Theme::continuousRoundedRect(QRectF(0, 0, 4, 4), 12).boundingRect(), QRectF(0, 0, 4, 4));
    EXPECT_TRUE(Theme::continuousRoundedRect(r, 0).contains(QPointF(10.5, 10.5)));
    EXPECT_TRUE(Theme::continuousRoundedRect(QRectF(), 5).isEmpty());
}
