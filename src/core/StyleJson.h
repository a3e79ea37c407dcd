#pragma once

// Reading and writing helpers shared by the JSON forms of the style values.

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>

#include <cmath>
#include <optional>

namespace stylejson {

// A JSON number that is finite; anything else is unreadable.
inline std::optional<double> finiteNumber(const QJsonValue &value) {
    if (!value.isDouble()) return std::nullopt;
    const double d = value.toDouble();
    if (!std::isfinite(d)) return std::nullopt;
    return d;
}

// A stored colour: a whole number from 0 to 4294967295 (0xRRGGBB, with any bits above them kept).
inline std::optional<quint32> colorNumber(const QJsonValue &value) {
    const auto number = finiteNumber(value);
    if (!number || std::trunc(*number) != *number || *number < 0 || *number > 4294967295.0) return std::nullopt;
    return static_cast<quint32>(*number);
}

// Whether every number inside `value` is finite: JSON text cannot hold the others, so a value
// holding one would be written in a form that no longer reads back.
bool allFinite(const QJsonValue &value);

// Longer stored lists (backdrops, presets, colours, points) are taken for hostile and unreadable: no one
// builds them through the application, whose own limits are far below.
inline constexpr qsizetype maxStoredListLength = 1000;

// A list whose elements decode with T::fromJson; one unreadable element fails the whole list, and so
// does a list longer than maxStoredListLength.
template <typename T>
std::optional<QList<T>> decodeList(const QJsonValue &value) {
    if (!value.isArray()) return std::nullopt;
    const QJsonArray array = value.toArray();
    if (array.size() > maxStoredListLength) return std::nullopt;
    QList<T> list;
    list.reserve(array.size());
    for (const QJsonValue &element : array) {
        auto decoded = T::fromJson(element);
        if (!decoded) return std::nullopt;
        list.append(std::move(*decoded));
    }
    return list;
}

template <typename T>
QJsonArray encodeList(const QList<T> &list) {
    QJsonArray array;
    for (const T &element : list) array.append(element.toJson());
    return array;
}

} // namespace stylejson
