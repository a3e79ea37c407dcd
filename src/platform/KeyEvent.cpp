#include "platform/KeyEvent.h"

#include <QKeyEvent>

#include <array>
#include <utility>

namespace platform {

namespace {

// evdev scan code → physical key code.
constexpr std::pair<int, int> kEvdevTable[] = {
    {1, KeyCode::escape},
    {2, KeyCode::n1},
    {3, KeyCode::n2},
    {4, KeyCode::n3},
    {5, KeyCode::n4},
    {6, KeyCode::n5},
    {7, KeyCode::n6},
    {8, KeyCode::n7},
    {9, KeyCode::n8},
    {10, KeyCode::n9},
    {11, KeyCode::n0},
    {12, KeyCode::minus},
    {13, KeyCode::equal},
    {14, KeyCode::deleteKey},
    {15, KeyCode::tab},
    {16, KeyCode::q},
    {17, KeyCode::w},
    {18, KeyCode::e},
    {19, KeyCode::r},
    {20, KeyCode::t},
    {21, KeyCode::y},
    {22, KeyCode::u},
    {23, KeyCode::i},
    {24, KeyCode::o},
    {25, KeyCode::p},
    {26, KeyCode::leftBracket},
    {27, KeyCode::rightBracket},
    {28, KeyCode::returnKey},
    {29, 55 /* left ctrl: command */},
    {30, KeyCode::a},
    {31, KeyCode::s},
    {32, KeyCode::d},
    {33, KeyCode::f},
    {34, KeyCode::g},
    {35, KeyCode::h},
    {36, KeyCode::j},
    {37, KeyCode::k},
    {38, KeyCode::l},
    {39, KeyCode::semicolon},
    {40, KeyCode::quote},
    {41, KeyCode::grave},
    {42, 56 /* left shift */},
    {43, KeyCode::backslash},
    {44, KeyCode::z},
    {45, KeyCode::x},
    {46, KeyCode::c},
    {47, KeyCode::v},
    {48, KeyCode::b},
    {49, KeyCode::n},
    {50, KeyCode::m},
    {51, KeyCode::comma},
    {52, KeyCode::period},
    {53, KeyCode::slash},
    {54, 60 /* right shift */},
    {55, 67 /* keypad * */},
    {56, 58 /* left alt */},
    {57, KeyCode::space},
    {58, 57 /* caps lock */},
    {59, 122 /* F1 */},
    {60, 120 /* F2 */},
    {61, 99 /* F3 */},
    {62, 118 /* F4 */},
    {63, 96 /* F5 */},
    {64, 97 /* F6 */},
    {65, 98 /* F7 */},
    {66, 100 /* F8 */},
    {67, 101 /* F9 */},
    {68, 109 /* F10 */},
    {71, 89 /* keypad 7 */},
    {72, 91 /* keypad 8 */},
    {73, 92 /* keypad 9 */},
    {74, 78 /* keypad - */},
    {75, 86 /* keypad 4 */},
    {76, 87 /* keypad 5 */},
    {77, 88 /* keypad 6 */},
    {78, 69 /* keypad + */},
    {79, 83 /* keypad 1 */},
    {80, 84 /* keypad 2 */},
    {81, 85 /* keypad 3 */},
    {82, 82 /* keypad 0 */},
    {83, 65 /* keypad . */},
    {86, 10 /* ISO § key */},
    {87, 103 /* F11 */},
    {88, 111 /* F12 */},
    // The keys Brazilian (ABNT2) and Japanese keyboards add: "/ ?" beside the right Shift (JIS Ro), the
    // Yen key, and the keypad's extra "." (keypad comma). Each is its own physical key, grabbed there.
    {89, 94 /* ABNT2 / ?, JIS Ro */},
    {121, 95 /* keypad comma */},
    {124, 93 /* JIS Yen */},
    {96, KeyCode::keypadEnter},
    {97, 54 /* right ctrl: command */},
    {98, 75 /* keypad / */},
    {100, 61 /* right alt */},
    {102, KeyCode::home},
    {103, KeyCode::upArrow},
    {104, KeyCode::pageUp},
    {105, KeyCode::leftArrow},
    {106, KeyCode::rightArrow},
    {107, KeyCode::end},
    {108, KeyCode::downArrow},
    {109, KeyCode::pageDown},
    {110, 114 /* insert: help */},
    {111, KeyCode::forwardDelete},
    {117, 81 /* keypad = */},
    {125, 59 /* left super: control */},
    {126, 62 /* right super: control */},
    {183, 105 /* F13 */},
    {184, 107 /* F14 */},
    {185, 113 /* F15 */},
    {186, 106 /* F16 */},
    {187, 64 /* F17 */},
    {188, 79 /* F18 */},
    {189, 80 /* F19 */},
    {190, 90 /* F20 */},
    // A PC keyboard's Print Screen is F13 on a Mac; listed after F13 so F13 keeps its own scan code.
    {99, 105 /* Print Screen */},
};

constexpr int kLetterCodes[26] = {KeyCode::a, KeyCode::b, KeyCode::c, KeyCode::d, KeyCode::e, KeyCode::f, KeyCode::g,
                                  KeyCode::h, KeyCode::i, KeyCode::j, KeyCode::k, KeyCode::l, KeyCode::m, KeyCode::n,
                                  KeyCode::o, KeyCode::p, KeyCode::q, KeyCode::r, KeyCode::s, KeyCode::t, KeyCode::u,
                                  KeyCode::v, KeyCode::w, KeyCode::x, KeyCode::y, KeyCode::z};
constexpr int kDigitCodes[10] = {KeyCode::n0, KeyCode::n1, KeyCode::n2, KeyCode::n3, KeyCode::n4,
                                 KeyCode::n5, KeyCode::n6, KeyCode::n7, KeyCode::n8, KeyCode::n9};
constexpr int kKeypadDigitCodes[10] = {82, 83, 84, 85, 86, 87, 88, 89, 91, 92};

} // namespace

int keyCodeFromEvdev(int evdevCode) {
    for (const auto &[evdev, code] : kEvdevTable)
        if (evdev == evdevCode) return code;
    return -1;
}

int evdevFromKeyCode(int keyCode) {
    for (const auto &[evdev, code] : kEvdevTable)
        if (code == keyCode) return evdev;
    return -1;
}

int keyCodeFromQtKey(int qtKey, bool keypad) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return kLetterCodes[qtKey - Qt::Key_A];
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)
        return keypad ? kKeypadDigitCodes[qtKey - Qt::Key_0] : kDigitCodes[qtKey - Qt::Key_0];
    switch (qtKey) {
    case Qt::Key_Return: return KeyCode::returnKey;
    case Qt::Key_Enter: return KeyCode::keypadEnter;
    case Qt::Key_Space: return KeyCode::space;
    case Qt::Key_Escape: return KeyCode::escape;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return KeyCode::tab;
    case Qt::Key_Backspace: return KeyCode::deleteKey;
    case Qt::Key_Delete: return KeyCode::forwardDelete;
    case Qt::Key_Home: return KeyCode::home;
    case Qt::Key_End: return KeyCode::end;
    case Qt::Key_PageUp: return KeyCode::pageUp;
    case Qt::Key_PageDown: return KeyCode::pageDown;
    case Qt::Key_Left: return KeyCode::leftArrow;
    case Qt::Key_Right: return KeyCode::rightArrow;
    case Qt::Key_Up: return KeyCode::upArrow;
    case Qt::Key_Down: return KeyCode::downArrow;
    case Qt::Key_Minus: return keypad ? 78 : KeyCode::minus;
    case Qt::Key_Plus: return keypad ? 69 : KeyCode::equal;
    case Qt::Key_Asterisk: return keypad ? 67 : KeyCode::n8;
    case Qt::Key_Equal: return keypad ? 81 : KeyCode::equal;
    case Qt::Key_BracketLeft:
    case Qt::Key_BraceLeft: return KeyCode::leftBracket;
    case Qt::Key_BracketRight:
    case Qt::Key_BraceRight: return KeyCode::rightBracket;
    case Qt::Key_Semicolon:
    case Qt::Key_Colon: return KeyCode::semicolon;
    case Qt::Key_Apostrophe:
    case Qt::Key_QuoteDbl: return KeyCode::quote;
    case Qt::Key_Comma:
    case Qt::Key_Less: return KeyCode::comma;
    case Qt::Key_Period:
    case Qt::Key_Greater: return keypad ? 65 : KeyCode::period;
    case Qt::Key_Slash:
    case Qt::Key_Question: return keypad ? 75 : KeyCode::slash;
    case Qt::Key_Backslash:
    case Qt::Key_Bar: return KeyCode::backslash;
    case Qt::Key_QuoteLeft:
    case Qt::Key_AsciiTilde: return KeyCode::grave;
    case Qt::Key_F1: return 122;
    case Qt::Key_F2: return 120;
    case Qt::Key_F3: return 99;
    case Qt::Key_F4: return 118;
    case Qt::Key_F5: return 96;
    case Qt::Key_F6: return 97;
    case Qt::Key_F7: return 98;
    case Qt::Key_F8: return 100;
    case Qt::Key_F9: return 101;
    case Qt::Key_F10: return 109;
    case Qt::Key_F11: return 103;
    case Qt::Key_F12: return 111;
    case Qt::Key_F13:
    case Qt::Key_Print: return 105;
    case Qt::Key_F14: return 107;
    case Qt::Key_F15: return 113;
    case Qt::Key_F16: return 106;
    case Qt::Key_F17: return 64;
    case Qt::Key_F18: return 79;
    case Qt::Key_F19: return 80;
    case Qt::Key_F20: return 90;
    default: return -1;
    }
}

std::uint32_t modifierFlagsFromQt(int qtModifiers) {
    std::uint32_t flags = 0;
    if (qtModifiers & Qt::ShiftModifier) flags |= ModifierFlag::shift;
    if (qtModifiers & Qt::ControlModifier) flags |= ModifierFlag::command;
    if (qtModifiers & Qt::AltModifier) flags |= ModifierFlag::option;
    if (qtModifiers & Qt::MetaModifier) flags |= ModifierFlag::control;
    return flags;
}

std::optional<KeyEvent> KeyEvent::fromQt(const QKeyEvent &event) {
    const bool release = event.type() == QEvent::KeyRelease;
    if (release && event.isAutoRepeat()) return std::nullopt;

    KeyEvent key;
    key.type = release ? Type::keyUp : Type::keyDown;
    key.isRepeat = event.isAutoRepeat();
    key.modifierFlags = modifierFlagsFromQt(static_cast<int>(event.modifiers()));

    // A real X11 event carries its keycode (evdev + 8); synthetic and offscreen events do not.
    const quint32 scan = event.nativeScanCode();
    // A real key we do not know stays unknown: read by its symbol it would be grabbed at the position
    // that symbol has on a US keyboard, another key on this one.
    if (scan > 8) key.keyCode = keyCodeFromEvdev(static_cast<int>(scan) - 8);
    else key.keyCode = keyCodeFromQtKey(event.key(), event.modifiers() & Qt::KeypadModifier);

    key.characters = event.text();
    const int qtKey = event.key();
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        key.charactersIgnoringModifiers = QChar(QLatin1Char(static_cast<char>('a' + (qtKey - Qt::Key_A))));
    } else if (qtKey >= Qt::Key_Space && qtKey <= Qt::Key_AsciiTilde) {
        key.charactersIgnoringModifiers = QChar(qtKey);
    } else {
        // Control characters (Ctrl+letter) are not the key's own character.
        const QString text = event.text();
        key.charactersIgnoringModifiers = (text.size() == 1 && text.at(0).isPrint()) ? text : QString();
    }
    if (key.characters.size() == 1 && !key.characters.at(0).isPrint() && key.characters.at(0) != QLatin1Char('\r') &&
        key.characters.at(0) != QLatin1Char('\t') && key.characters.at(0) != QChar(0x1b))
        key.characters = key.charactersIgnoringModifiers;
    return key;
}

} // namespace platform
