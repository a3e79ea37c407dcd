#pragma once

#include <QImage>
#include <QString>
#include <QStringView>

#include <array>
#include <optional>

// Where the logo sits in the margin of a beautified screenshot.
enum class LogoPosition { topLeft, topCenter, topRight, bottomLeft, bottomCenter, bottomRight };
// How the logo is coloured; `auto_` picks white or black from the backdrop.
enum class LogoVariant { original, auto_, white, gray, black };
enum class LogoSize { small, medium, large };

namespace LogoPositions {
inline constexpr std::array<LogoPosition, 6> all{LogoPosition::topLeft,      LogoPosition::topCenter,
                                                 LogoPosition::topRight,     LogoPosition::bottomLeft,
                                                 LogoPosition::bottomCenter, LogoPosition::bottomRight};
constexpr bool isTop(LogoPosition p) {
    return p == LogoPosition::topLeft || p == LogoPosition::topCenter || p == LogoPosition::topRight;
}
QString rawValue(LogoPosition p);
std::optional<LogoPosition> fromRawValue(QStringView raw);
QString label(LogoPosition p); // through L
} // namespace LogoPositions

namespace LogoVariants {
inline constexpr std::array<LogoVariant, 5> all{LogoVariant::original, LogoVariant::auto_, LogoVariant::white,
                                                LogoVariant::gray, LogoVariant::black};
QString rawValue(LogoVariant v);
std::optional<LogoVariant> fromRawValue(QStringView raw);
QString help(LogoVariant v); // through L
} // namespace LogoVariants

namespace LogoSizes {
inline constexpr std::array<LogoSize, 3> all{LogoSize::small, LogoSize::medium, LogoSize::large};
QString rawValue(LogoSize s);
std::optional<LogoSize> fromRawValue(QStringView raw);
} // namespace LogoSizes

// The brand logo as it is stamped on a beautified screenshot: the untinted image and its placement.
struct BrandLogo {
    QImage image;
    LogoVariant variant = LogoVariant::original;
    LogoPosition position = LogoPosition::bottomRight;
    LogoSize size = LogoSize::medium;

    // Equal when they hold the very same image (not merely equal pixels) placed alike.
    bool operator==(const BrandLogo &other) const {
        return image.cacheKey() == other.image.cacheKey() && variant == other.variant && position == other.position &&
               size == other.size;
    }
};
