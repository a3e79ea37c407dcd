#pragma once

#include "brand/art/BrandLogo.h"
#include "core/BeautyStyle.h"
#include "core/ImageRecycler.h"

#include <QImage>
#include <QMutex>

#include <optional>

// Beautifier::render for a stream of edits of one screenshot. The canvas without the screenshot
// (backdrop, shadow, logo) is kept for the last style, screenshot size and logo, so an edit that only
// adds a mark skips the costly backdrop and shadow; and the last two results are kept, so that one
// its callers have let go of is written over instead of allocating a new canvas (at most one
// canvas more than the callers hold). Safe to use from several threads at once.
class BeautifyCache {
public:
    // The same image as Beautifier::render(screenshot, style, logo).
    QImage render(const QImage &screenshot, const BeautyStyle &style, const std::optional<BrandLogo> &logo);
    // Lets the canvas and the kept results go; the next render makes them anew.
    void clear();

private:
    struct Key {
        BeautyStyle style;
        QSize size;
        std::optional<BrandLogo> logo;
        bool operator==(const Key &) const = default;
    };

    QMutex m_mutex;
    std::optional<Key> m_key;
    QImage m_plate;
    // The last two results: the one on view and one to write over.
    ImageRecycler m_results{2};
};
