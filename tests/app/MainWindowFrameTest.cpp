#include "app/MainWindowFrame.h"

#include <gtest/gtest.h>

namespace {

// A panel 24 high along the top of each screen, as a tray bar that reserves its space leaves it.
QRect belowPanel(int width, int height) { return QRect(0, 24, width, height - 24); }

// What a window manager's title bar and borders take (openbox's usual theme).
constexpr QMargins titled(1, 22, 1, 4);

// Whether the whole frame of `placement`, title bar and borders, lies in `area`.
bool frameWithin(const QRect &placement, const QMargins &frame, const QRect &area) {
    return area.contains(QRect(placement.topLeft(), placement.size().grownBy(frame)));
}

} // namespace

TEST(MainWindowFrameTest, TheFirstLaunchFitsTheScreenFrameIncluded) {
    // Where the default size fits: centred on the screen.
    EXPECT_EQ(MainWindowFrame::opening(QRect(0, 0, 1920, 1080), titled), QRect(339, 127, 1240, 800));
    // A 1366 × 768 laptop: as tall as the panel and the frame leave, the frame centred under the panel.
    EXPECT_EQ(MainWindowFrame::opening(belowPanel(1366, 768), titled), QRect(62, 24, 1240, 718));
    // 1280 × 720: what fits; with the frame guessed before the window manager says, the smallest window,
    // its title bar on the screen.
    EXPECT_EQ(MainWindowFrame::opening(belowPanel(1280, 720), titled), QRect(19, 24, 1240, 670));
    const QRect guessed = MainWindowFrame::opening(belowPanel(1280, 720), MainWindowFrame::frameGuess);
    EXPECT_EQ(guessed, QRect(12, 24, 1240, 660));
    // 1024 × 768: narrower than the default, not than the minimum.
    EXPECT_EQ(MainWindowFrame::opening(belowPanel(1024, 768), titled), QRect(0, 24, 1022, 718));
    for (const QRect &screen : {belowPanel(1366, 768), belowPanel(1280, 720), belowPanel(1024, 768)})
        EXPECT_TRUE(frameWithin(MainWindowFrame::opening(screen, titled), titled, screen)) << screen.width();
    // A screen too low for the smallest window: the title bar stays reachable, the bottom goes off.
    EXPECT_EQ(MainWindowFrame::opening(belowPanel(1024, 600), titled), QRect(0, 24, 1022, 660));
    // The remembered frame is only for when there is one.
    EXPECT_EQ(MainWindowFrame::placed(std::nullopt, titled, belowPanel(1366, 768), {belowPanel(1366, 768)}),
              QRect(62, 24, 1240, 718));
}

TEST(MainWindowFrameTest, ARememberedFrameOpensOnlyWhereItStillFits) {
    const QRect left(0, 0, 1920, 1080), right(1920, 0, 1280, 800);
    const auto fitted = [](const QRect &placement, const QList<QRect> &areas, QMargins frame = {}) {
        return MainWindowFrame::fitted(placement, frame, areas);
    };
    // Wholly on a screen, frame included: kept, on either.
    EXPECT_EQ(fitted(QRect(100, 50, 1240, 800), {left, right}, titled), QRect(100, 50, 1240, 800));
    EXPECT_EQ(fitted(QRect(1950, 0, 1240, 770), {left, right}, titled), QRect(1950, 0, 1240, 770));
    EXPECT_EQ(MainWindowFrame::placed(QRect(100, 50, 1100, 700), titled, left, {left}), QRect(100, 50, 1100, 700));
    // The frame reaching below the screen: moved up, as far as it takes.
    EXPECT_EQ(fitted(QRect(100, 300, 1240, 800), {left}, titled), QRect(100, 254, 1240, 800));
    // Remembered on a larger screen: as tall as this one's panel and the frame leave, title bar on it.
    EXPECT_EQ(fitted(QRect(60, 0, 1240, 800), {belowPanel(1366, 768)}, titled), QRect(60, 24, 1240, 718));
    // Saved on a screen that is gone: onto the nearest one, fully inside.
    EXPECT_EQ(fitted(QRect(5000, 100, 1240, 800), {left}), QRect(680, 100, 1240, 800));
    EXPECT_EQ(fitted(QRect(-3000, -2000, 1240, 800), {left, right}), QRect(0, 0, 1240, 800));
    // Larger than the screen it lands on: shrunk to it, never below the smallest window.
    EXPECT_EQ(fitted(QRect(5000, 100, 1600, 900), {right}), QRect(1920, 0, 1280, 800));
    EXPECT_EQ(fitted(QRect(0, 0, 1600, 900), {belowPanel(1024, 600)}, titled), QRect(0, 24, 1022, 660));
    // Straddling two screens: onto the one it covers most.
    EXPECT_EQ(fitted(QRect(1500, 100, 1240, 800), {left, right}), QRect(1920, 0, 1240, 800));
    // No screen known: as saved.
    EXPECT_EQ(fitted(QRect(5000, 100, 1240, 800), {}), QRect(5000, 100, 1240, 800));
}

TEST(MainWindowFrameTest, ResizedOrMovedBeforeTheFrameIsKnownStaysAsChosen) {
    const QRect screen(0, 0, 1920, 1080);
    const QRect guessed = MainWindowFrame::opening(screen, MainWindowFrame::frameGuess);
    const QRect known = MainWindowFrame::opening(screen, titled);
    const auto framed = [&](const QRect &now) {
        return MainWindowFrame::framed(guessed, now, std::nullopt, titled, screen, {screen});
    };
    // Untouched, wherever the window manager kept the client or the frame: placed with the real frame.
    EXPECT_EQ(framed(guessed), known);
    EXPECT_EQ(framed(guessed.translated(titled.left(), titled.top())), known);
    // Resized or moved by someone before the window manager said: left as they made it.
    EXPECT_EQ(framed(QRect(200, 150, 1100, 700)), QRect(200, 150, 1100, 700));
    EXPECT_EQ(framed(QRect(200, 150, guessed.width(), guessed.height())), QRect(QPoint(200, 150), guessed.size()));
    // ... though still brought within reach.
    EXPECT_EQ(framed(QRect(1500, 150, 1100, 700)), QRect(818, 150, 1100, 700));
}
