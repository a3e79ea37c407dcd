#include "platform/WindowHints.h"
#include "widgets/CardShape.h"
#include "widgets/Theme.h"

#include <QWidget>

#include <gtest/gtest.h>

namespace {

// A toast-sized window with its card 24 in from each side.
QPainterPath toastCard(const QWidget &window) {
    return Theme::continuousRoundedRect(QRectF(window.rect()).adjusted(24, 24, -24, -24), 16);
}

} // namespace

TEST(CardShapeTest, WithoutACompositorTheMaskCoversTheCardAndNotItsCorners) {
    const QPainterPath card = Theme::continuousRoundedRect(QRectF(24, 24, 320, 76), 16);
    EXPECT_TRUE(CardShape::mask(card, true).isEmpty()) << "a compositor shows the see-through corners";

    const QRegion mask = CardShape::mask(card, false);
    EXPECT_EQ(mask.boundingRect(), QRect(24, 24, 320, 76));
    for (const QPoint inside : {QPoint(184, 62), QPoint(24, 62), QPoint(343, 62), QPoint(184, 24), QPoint(184, 99)})
        EXPECT_TRUE(mask.contains(inside)) << inside.x() << "," << inside.y();
    for (const QPoint corner : {QPoint(24, 24), QPoint(26, 26), QPoint(343, 24), QPoint(24, 99), QPoint(343, 99),
                                QPoint(0, 0), QPoint(184, 10)})
        EXPECT_FALSE(mask.contains(corner)) << corner.x() << "," << corner.y();
    // Every pixel the card covers whole is shown, and none that it does not touch (it would show black).
    int shownOutside = 0, hiddenInside = 0;
    for (int y = 0; y < 124; ++y)
        for (int x = 0; x < 368; ++x) {
            const QRectF pixel(x, y, 1, 1);
            if (mask.contains(QPoint(x, y)) && !card.intersects(pixel)) ++shownOutside;
            if (!mask.contains(QPoint(x, y)) && card.contains(pixel)) ++hiddenInside;
        }
    EXPECT_EQ(shownOutside, 0);
    EXPECT_EQ(hiddenInside, 0);
}

TEST(CardShapeTest, TheWindowIsCutWhileNoCompositorRunsAndFollowsItsSize) {
    bool composited = false;
    QWidget window;
    window.resize(368, 124);
    auto *shape = new CardShape(
        &window, [&window] { return toastCard(window); }, [&composited] { return composited; });
    window.show();
    EXPECT_TRUE(shape->cut());
    EXPECT_EQ(window.mask(), CardShape::mask(toastCard(window), false));

    // A compositor starts: the corners are see-through again and the shadow margin shows.
    composited = true;
    emit platform::CompositorWatch::shared().changed();
    EXPECT_FALSE(shape->cut());
    EXPECT_TRUE(window.mask().isEmpty());

    // It stops while the window is hidden: the window is cut again when it shows, to the card of its new size.
    composited = false;
    window.hide();
    window.resize(420, 200);
    window.show();
    EXPECT_TRUE(shape->cut());
    EXPECT_EQ(window.mask().boundingRect(), QRect(24, 24, 372, 152));
}
