#include "core/StyleJson.h"

#include <algorithm>

namespace stylejson {

bool allFinite(const QJsonValue &value) {
    if (value.isDouble()) return std::isfinite(value.toDouble());
    if (value.isArray()) {
        const QJsonArray array = value.toArray();
        return std::all_of(array.begin(), array.end(), [](const QJsonValue &v) { return allFinite(v); });
    }
    if (value.isObject()) {
        const QJsonObject object = value.toObject();
        return std::all_of(object.begin(), object.end(), [](const QJsonValue &v) { return allFinite(v); });
    }
    return true;
}

} // namespace stylejson
