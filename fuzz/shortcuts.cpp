// The stored shortcuts, as JSON values and as the JSON text a data value holds.

#include "core/Shortcut.h"

#include "FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QJsonValue value = fuzz::json(data, size);
    fuzz::roundTrip<Shortcut>(value, &Shortcut::fromJson);
    if (const auto shortcut = Shortcut::fromJson(value)) {
        shortcut->displayString();
        if (!Shortcut::fromJson(QJsonDocument::fromJson(shortcut->toJsonBytes()).object())) std::abort();
    }
    return 0;
}
