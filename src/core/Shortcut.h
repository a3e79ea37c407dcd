#pragma once

#include "core/ShortcutAction.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace platform {
struct KeyEvent;
}

// One key combination: a physical key, the shortcut modifiers (platform::ModifierFlag bits) and the
// label the key shows.
struct Shortcut {
    std::uint16_t keyCode = 0;
    std::uint32_t modifiers = 0;
    QString key;

    friend bool operator==(const Shortcut &, const Shortcut &) = default;

    // One label per key cap, as this keyboard names the keys: "Ctrl", "Alt", "Shift", "Super" for the
    // modifiers present, in that order, then the key label ("Espaço" in the current language, "Tab" and
    // "Backspace" for the stored glyphs).
    QStringList symbols() const;
    // The shortcut as running text shows it: the cap labels joined with "+" ("Alt+Shift+A"). The one
    // way a shortcut is written for the user.
    QString displayString() const { return symbols().join(QLatin1Char('+')); }
    // The cap label of one modifier flag (platform::ModifierFlag); empty for anything else.
    static QString modifierLabel(std::uint32_t flag);
    bool isFunctionKey() const;

    // {"keyCode":…,"modifiers":…,"key":…}; all three are required when reading, of the right type and
    // in range, or the document is unreadable.
    QJsonObject toJson() const;
    static std::optional<Shortcut> fromJson(const QJsonValue &json);
    QByteArray toJsonBytes() const;

    // The default combination of an action: ⌥⇧ with A, W, F, R or T.
    static Shortcut defaultFor(ShortcutAction action);
    // The label of F1…F20 for a key code; empty for any other key.
    static QString functionKeyLabel(int keyCode);
    // The label of a pressed key: function keys, then ↵ ⇥ Espaço ⌫ ← → ↓ ↑, then the key's own
    // character in upper case; none for a key without one.
    static std::optional<QString> keyName(const platform::KeyEvent &event);
};

size_t qHash(const Shortcut &shortcut, size_t seed = 0);

// What is wrong with a new combination. `systemScreenshot` is only a warning: the combination is kept.
struct ShortcutProblem {
    enum class Kind { reservedBySystem, usedByOtherAction, systemScreenshot, needsModifier };

    Kind kind = Kind::needsModifier;
    QString text; // the reserved combination's name or the other action's title

    friend bool operator==(const ShortcutProblem &, const ShortcutProblem &) = default;

    static ShortcutProblem reservedBySystem(const QString &name) { return {Kind::reservedBySystem, name}; }
    static ShortcutProblem usedByOtherAction(const QString &title) { return {Kind::usedByOtherAction, title}; }
    static ShortcutProblem systemScreenshot(const QString &name) { return {Kind::systemScreenshot, name}; }
    static ShortcutProblem needsModifier() { return {Kind::needsModifier, {}}; }

    // Whether a combination with this problem is still stored.
    bool isWarning() const { return kind == Kind::systemScreenshot; }
    QString message() const;
};
