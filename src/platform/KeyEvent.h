#pragma once

#include <QString>

#include <cstdint>
#include <optional>

class QKeyEvent;

namespace platform {

// Modifier flags as the key tables compare them. The physical keys map the other way round from
// their labels on a Mac keyboard: ⌘ is Ctrl, ⌥ is Alt, ⇧ is Shift and ⌃ is Super.
namespace ModifierFlag {
inline constexpr std::uint32_t capsLock = 0x10000;
inline constexpr std::uint32_t shift = 0x20000;
inline constexpr std::uint32_t control = 0x40000;  // Super
inline constexpr std::uint32_t option = 0x80000;   // Alt
inline constexpr std::uint32_t command = 0x100000; // Ctrl
// The four that make up a shortcut.
inline constexpr std::uint32_t shortcutMask = shift | control | option | command;
} // namespace ModifierFlag

// Key codes by physical position (the ANSI layout's virtual key codes), so that shortcuts and key
// tables do not depend on the keyboard layout.
namespace KeyCode {
inline constexpr int a = 0, s = 1, d = 2, f = 3, h = 4, g = 5, z = 6, x = 7, c = 8, v = 9, b = 11, q = 12, w = 13,
                     e = 14, r = 15, y = 16, t = 17, n1 = 18, n2 = 19, n3 = 20, n4 = 21, n6 = 22, n5 = 23, equal = 24,
                     n9 = 25, n7 = 26, minus = 27, n8 = 28, n0 = 29, rightBracket = 30, o = 31, u = 32,
                     leftBracket = 33, i = 34, p = 35, returnKey = 36, l = 37, j = 38, quote = 39, k = 40,
                     semicolon = 41, backslash = 42, comma = 43, slash = 44, n = 45, m = 46, period = 47, tab = 48,
                     space = 49, grave = 50, deleteKey = 51, escape = 53, keypadEnter = 76, home = 115, pageUp = 116,
                     forwardDelete = 117, end = 119, pageDown = 121, leftArrow = 123, rightArrow = 124, downArrow = 125,
                     upArrow = 126;
} // namespace KeyCode

// One key event as every key table receives it.
struct KeyEvent {
    enum class Type { keyDown, keyUp };

    Type type = Type::keyDown;
    int keyCode = -1;                    // physical key, see KeyCode; -1 when unknown
    std::uint32_t modifierFlags = 0;     // ModifierFlag bits
    QString characters;                  // the text the key types, modifiers applied
    QString charactersIgnoringModifiers; // the key's own character (lower case for letters)
    bool isRepeat = false;

    bool has(std::uint32_t flag) const { return (modifierFlags & flag) == flag; }
    // The shortcut modifiers only (no Caps Lock).
    std::uint32_t shortcutModifiers() const { return modifierFlags & ModifierFlag::shortcutMask; }

    // Builds the event from Qt's. An auto-repeat release is dropped (X11 sends release/press pairs for
    // a held key, and key tables must see only the presses).
    static std::optional<KeyEvent> fromQt(const QKeyEvent &event);
};

// Physical key code of a Linux evdev scan code (X11 keycode minus 8); -1 when the key has none.
int keyCodeFromEvdev(int evdevCode);
// The evdev scan code of a physical key code; -1 when unknown.
int evdevFromKeyCode(int keyCode);
// Physical key code of a Qt key, for events without a scan code (offscreen, synthetic events).
int keyCodeFromQtKey(int qtKey, bool keypad);
// Modifier flags of Qt's modifiers.
std::uint32_t modifierFlagsFromQt(int qtModifiers);

} // namespace platform
