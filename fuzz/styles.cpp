// The stored styles: the default style, presets, backdrops and export settings.

#include "core/Backdrop.h"
#include "core/BeautyStyle.h"
#include "core/ExportSettings.h"
#include "core/StyleJson.h"
#include "core/StylePreset.h"

#include "FuzzSupport.h"

namespace {

// The lists as lists, written back element by element.
template <typename T>
void listRoundTrip(const QJsonValue &value) {
    const auto list = stylejson::decodeList<T>(value);
    if (!list) return;
    const QJsonArray written = stylejson::encodeList(*list);
    const auto again = stylejson::decodeList<T>(written);
    if (!again || stylejson::encodeList(*again) != written) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QJsonValue value = fuzz::json(data, size);
    fuzz::roundTrip<BeautyStyle>(value, &BeautyStyle::fromJson);
    fuzz::roundTrip<ExportSettings>(value, &ExportSettings::fromJson);
    listRoundTrip<StylePreset>(value);
    listRoundTrip<Backdrop>(value);
    stylejson::allFinite(value);
    return 0;
}
