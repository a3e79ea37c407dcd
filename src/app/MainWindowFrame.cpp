#include "app/MainWindowFrame.h"

#include <cstdlib>

#include <algorithm>
#include <cmath>

namespace MainWindowFrame {

namespace {

qint64 overlap(const QRect &a, const QRect &b) {
    const QRect common = a.intersected(b);
    return common.isEmpty() ? 0 : qint64(common.width()) * common.height();
}

// How far apart two rectangles are (0 when they touch or overlap).
double gap(const QRect &a, const QRect &b) {
    const double dx = std::max({0, b.left() - a.right(), a.left() - b.right()});
    const double dy = std::max({0, b.top() - a.bottom(), a.top() - b.bottom()});
    return std::hypot(dx, dy);
}

QSize frameSize(const QMargins &frame) { return {frame.left() + frame.right(), frame.top() + frame.bottom()}; }

QRect outer(const QRect &placement, const QMargins &frame) {
    return {placement.topLeft(), placement.size() + frameSize(frame)};
}

// The largest window whose frame fits `area`, up to `wanted`, never below the minimum.
QSize sizeWithin(const QSize &wanted, const QRect &area, const QMargins &frame) {
    return wanted.boundedTo(area.size() - frameSize(frame)).expandedTo(minimumSize);
}

// `placement` moved as little as it takes into `area`; one too large for it keeps its top left inside.
QRect movedInto(QRect placement, const QRect &area, const QMargins &frame) {
    const QSize whole = placement.size() + frameSize(frame);
    placement.moveLeft(std::max(area.left(), std::min(placement.left(), area.right() + 1 - whole.width())));
    placement.moveTop(std::max(area.top(), std::min(placement.top(), area.bottom() + 1 - whole.height())));
    return placement;
}

} // namespace

QRect opening(const QRect &area, const QMargins &frame) {
    const QSize size = sizeWithin(defaultSize, area, frame);
    QRect whole(QPoint(), size + frameSize(frame));
    whole.moveCenter(area.center());
    return movedInto(QRect(whole.topLeft(), size), area, frame);
}

QRect fitted(const QRect &placement, const QMargins &frame, const QList<QRect> &areas) {
    if (areas.isEmpty() || placement.isEmpty()) return placement;
    const QRect whole = outer(placement, frame);
    for (const QRect &area : areas)
        if (area.contains(whole)) return placement;
    const QRect target = *std::min_element(areas.begin(), areas.end(), [&](const QRect &a, const QRect &b) {
        const qint64 oa = overlap(whole, a), ob = overlap(whole, b);
        if (oa != ob) return oa > ob;
        return gap(whole, a) < gap(whole, b);
    });
    return movedInto(QRect(placement.topLeft(), sizeWithin(placement.size(), target, frame)), target, frame);
}

QRect placed(const std::optional<QRect> &remembered, const QMargins &frame, const QRect &primary,
             const QList<QRect> &areas) {
    if (remembered && !remembered->isEmpty()) return fitted(*remembered, frame, areas);
    return primary.isEmpty() ? QRect(QPoint(), defaultSize) : opening(primary, frame);
}

QRect framed(const QRect &guessed, const QRect &now, const std::optional<QRect> &remembered,
             const QMargins &frame, const QRect &primary, const QList<QRect> &areas) {
    // A window manager may keep the client or the frame where it was asked: either way the window
    // moves by no more than the guessed and the real frame together.
    const QPoint shift = now.topLeft() - guessed.topLeft();
    const bool untouched = now.size() == guessed.size() &&
                           std::abs(shift.x()) <= frameGuess.left() + frame.left() &&
                           std::abs(shift.y()) <= frameGuess.top() + frame.top();
    return untouched ? placed(remembered, frame, primary, areas) : fitted(now, frame, areas);
}

} // namespace MainWindowFrame
