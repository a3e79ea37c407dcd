#pragma once

#include "platform/GlobalHotkeys.h"

#include <QList>
#include <QMap>

// Refuses what "another program" holds and a combination registered twice, like the X server does.
class FakeHotkeys : public platform::GlobalHotkeys {
public:
    struct Combo {
        int keyCode;
        std::uint32_t modifiers;
        bool operator==(const Combo &) const = default;
    };
    QList<Combo> heldElsewhere;
    QMap<int, Combo> registered;
    int registrations = 0;

    bool registerHotkey(int id, int keyCode, std::uint32_t modifiers) override {
        unregisterHotkey(id);
        const Combo combo{keyCode, modifiers};
        if (heldElsewhere.contains(combo) || registered.values().contains(combo)) return false;
        registered.insert(id, combo);
        ++registrations;
        return true;
    }
    void unregisterHotkey(int id) override { registered.remove(id); }
    void press(int keyCode, std::uint32_t modifiers) {
        for (auto it = registered.cbegin(); it != registered.cend(); ++it)
            if (it.value() == Combo{keyCode, modifiers}) emit pressed(it.key());
    }
};
