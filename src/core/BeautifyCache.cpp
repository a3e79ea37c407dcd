#include "core/BeautifyCache.h"

#include "core/Beautifier.h"

#include <QMutexLocker>

QImage BeautifyCache::render(const QImage &screenshot, const BeautyStyle &style, const std::optional<BrandLogo> &logo) {
    const QImage placed = Beautifier::placedScreenshot(screenshot, style);
    if (placed.isNull()) return {};
    const std::optional<Beautifier::Layout> layout = Beautifier::layout(placed.size(), style);
    if (!layout) return {};
    const Key key{style, placed.size(), logo};
    QImage plate;
    {
        QMutexLocker lock(&m_mutex);
        if (m_key == key) plate = m_plate;
    }
    if (plate.isNull()) {
        // Made outside the lock: a render of another style does not wait for this one.
        plate = Beautifier::backplate(*layout, style, logo);
        if (plate.isNull()) return {};
        QMutexLocker lock(&m_mutex);
        m_key = key;
        m_plate = plate;
    }
    QImage storage = m_results.take(layout->canvas, QImage::Format_ARGB32_Premultiplied);
    const QImage result = Beautifier::compose(plate, *layout, placed, &storage);
    m_results.keep(result);
    return result;
}

void BeautifyCache::clear() {
    QImage plate;
    {
        QMutexLocker lock(&m_mutex);
        m_key.reset();
        plate.swap(m_plate);
    }
    m_results.clear();
}
