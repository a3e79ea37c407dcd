#include "app/MainWindowFrame.h"

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

} // namespace

QRect fitted(const QRect &frame, const QList<QRect> &areas) {
    if (areas.isEmpty() || frame.isEmpty()) return frame;
    for (const QRect &area : areas)
        if (area.contains(frame)) return frame;
    const QRect target = *std::min_element(areas.begin(), areas.end(), [&](const QRect &a, const QRect &b) {
        const qint64 oa = overlap(frame, a), ob = overlap(frame, b);
        if (oa != ob) return oa > ob;
        return gap(frame, a) < gap(frame, b);
    });
    QRect result(frame.topLeft(), frame.size().boundedTo(target.size()));
    result.moveLeft(std::clamp(result.left(), target.left(), target.right() + 1 - result.width()));
    result.moveTop(std::clamp(result.top(), target.top(), target.bottom() + 1 - result.height()));
    return result;
}

QRect centred(const QSize &size, const QRect &area) {
    QRect result(QPoint(), size.boundedTo(area.size()));
    result.moveCenter(area.center());
    return result;
}

} // namespace MainWindowFrame
