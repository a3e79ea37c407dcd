#pragma once

#include "brand/art/BrandLogo.h"
#include "core/BeautyStyle.h"

#include <QImage>
#include <QMutex>

#include <optional>

// Beautifier::render for a stream of edits of one screenshot. The canvas without the screenshot
// (backdrop, shadow, logo) is kept for the last style, screenshot size and logo, so an edit that only
// adds a mark skips the costly backdrop and shadow. Safe to use from several threads at once.
class BeautifyCache {
public:
    // The same image as Beautifier::render(screenshot, style, logo).
    QImage render(const QImage &screenshot, const BeautyStyle &style, const std::optional<BrandLogo> &logo);

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
};
