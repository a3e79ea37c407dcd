#include "X11Fixture.h"

#include "platform/GlobalHotkeys.h"
#include "platform/KeyEvent.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWidget>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <gtest/gtest.h>

#include <cstdlib>

using namespace platform;

namespace {

constexpr std::uint32_t kAltShift = ModifierFlag::option | ModifierFlag::shift;

using x11test::xdotool;

// How many presses arrive for the key sequence.
int pressesFor(GlobalHotkeys &hotkeys, int identifier, const QString &keys) {
    QSignalSpy spy(&hotkeys, &GlobalHotkeys::pressed);
    xdotool({QStringLiteral("key"), keys});
    EXPECT_TRUE(x11test::caughtUp());
    int count = 0;
    for (const auto &arguments : spy) count += arguments.at(0).toInt() == identifier ? 1 : 0;
    return count;
}

// Another X client on its own connection.
struct OtherClient {
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    ~OtherClient() { xcb_disconnect(connection); }

    xcb_keycode_t keycodeOf(xcb_keysym_t sym) const {
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(connection);
        xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, sym);
        const xcb_keycode_t code = codes ? codes[0] : 0;
        std::free(codes);
        xcb_key_symbols_free(symbols);
        return code;
    }
};

// Counts the presses of one key the server sends this process, its auto-repeat included, wherever they
// go (a grab on the root window, a focused window of ours). Made after the hot keys, it sees them first.
class RawPresses : public QAbstractNativeEventFilter {
public:
    explicit RawPresses(int keyCode) : m_keycode(xcb_keycode_t(evdevFromKeyCode(keyCode) + 8)) {
        qApp->installNativeEventFilter(this);
    }
    ~RawPresses() override { qApp->removeNativeEventFilter(this); }
    RawPresses(const RawPresses &) = delete;
    RawPresses &operator=(const RawPresses &) = delete;
    int count = 0;

    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override {
        if (type != "xcb_generic_event_t") return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        if ((event->response_type & 0x7f) == XCB_KEY_PRESS &&
            reinterpret_cast<const xcb_key_press_event_t *>(event)->detail == m_keycode)
            ++count;
        return false;
    }

private:
    xcb_keycode_t m_keycode;
};

struct X11HotkeysTest : testing::Test {
    void SetUp() override {
        if (!x11test::server() || !x11test::server()->running()) FAIL() << "no private X server";
    }
};

} // namespace

TEST_F(X11HotkeysTest, PressesArriveWithLocksOnAndOncePerPress) {
    auto hotkeys = GlobalHotkeys::createForPlatform();
    ASSERT_TRUE(hotkeys);
    ASSERT_TRUE(hotkeys->registerHotkey(3, KeyCode::f, kAltShift));
    EXPECT_EQ(pressesFor(*hotkeys, 3, QStringLiteral("alt+shift+f")), 1);
    EXPECT_EQ(pressesFor(*hotkeys, 3, QStringLiteral("alt+f")), 0);
    EXPECT_EQ(pressesFor(*hotkeys, 3, QStringLiteral("ctrl+alt+shift+f")), 0);

    xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")});
    EXPECT_EQ(pressesFor(*hotkeys, 3, QStringLiteral("alt+shift+f")), 1);
    xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")});
    EXPECT_EQ(pressesFor(*hotkeys, 3, QStringLiteral("alt+shift+f")), 1);
    xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")});
    EXPECT_EQ(pressesFor(*hotkeys, 3, QStringLiteral("alt+shift+f")), 1);
    xdotool({QStringLiteral("key"), QStringLiteral("Caps_Lock")});

    // ⌘ is Ctrl and ⌃ is Super.
    ASSERT_TRUE(hotkeys->registerHotkey(1, KeyCode::p, ModifierFlag::command | ModifierFlag::control));
    EXPECT_EQ(pressesFor(*hotkeys, 1, QStringLiteral("ctrl+super+p")), 1);

    // A held key reports one press, not its auto-repeat: held until the server has repeated it.
    QSignalSpy spy(hotkeys.get(), &GlobalHotkeys::pressed);
    {
        RawPresses presses(KeyCode::f);
        xdotool({QStringLiteral("keydown"), QStringLiteral("alt+shift+f")});
        EXPECT_TRUE(testsupport::becomes([&] { return presses.count >= 3; })) << "the key was not repeated";
        xdotool({QStringLiteral("keyup"), QStringLiteral("alt+shift+f")});
        EXPECT_TRUE(x11test::caughtUp());
    }
    EXPECT_EQ(spy.count(), 1);

    hotkeys->unregisterHotkey(3);
    EXPECT_EQ(pressesFor(*hotkeys, 3, QStringLiteral("alt+shift+f")), 0);

    // Registered while its key is still held (just recorded, in a focused window of ours): the
    // auto-repeat does not fire it (repeats do not start a passive grab), the next real press does.
    QWidget focused;
    focused.resize(200, 100);
    focused.show();
    focused.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&focused, testsupport::patienceMs));
    spy.clear();
    {
        RawPresses presses(KeyCode::g);
        xdotool({QStringLiteral("keydown"), QStringLiteral("alt+shift+g")}); // down on the server once it ends
        ASSERT_TRUE(hotkeys->registerHotkey(4, KeyCode::g, kAltShift));
        ASSERT_TRUE(x11test::caughtUp()); // what came before the grab is counted now
        presses.count = 0;
        // Repeated after the grab, and still not a press of the hot key.
        EXPECT_TRUE(testsupport::becomes([&] { return presses.count >= 2; })) << "the key was not repeated";
        xdotool({QStringLiteral("keyup"), QStringLiteral("alt+shift+g")});
        EXPECT_TRUE(x11test::caughtUp());
    }
    EXPECT_EQ(spy.count(), 0);
    EXPECT_EQ(pressesFor(*hotkeys, 4, QStringLiteral("alt+shift+g")), 1);
}

TEST_F(X11HotkeysTest, RefusalsAndRegrabAfterAModifierMapChange) {
    OtherClient other;
    // Another program holds Alt+Shift+W (keycode of W, Alt = Mod1) before we ask.
    const xcb_keycode_t w = static_cast<xcb_keycode_t>(evdevFromKeyCode(KeyCode::w) + 8);
    xcb_grab_key(other.connection, 0, other.root, XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_1, w, XCB_GRAB_MODE_ASYNC,
                 XCB_GRAB_MODE_ASYNC);
    xcb_flush(other.connection);
    free(xcb_get_input_focus_reply(other.connection, xcb_get_input_focus(other.connection), nullptr));

    auto hotkeys = GlobalHotkeys::createForPlatform();
    ASSERT_TRUE(hotkeys);
    EXPECT_FALSE(hotkeys->registerHotkey(2, KeyCode::w, kAltShift));
    EXPECT_TRUE(hotkeys->registerHotkey(1, KeyCode::a, kAltShift));
    EXPECT_FALSE(hotkeys->registerHotkey(5, KeyCode::a, kAltShift)); // ours already
    EXPECT_FALSE(hotkeys->registerHotkey(6, 200, kAltShift));        // no such key
    EXPECT_TRUE(hotkeys->registerHotkey(7, 96, 0));                  // F5 alone
    EXPECT_EQ(pressesFor(*hotkeys, 7, QStringLiteral("F5")), 1);
    // ⌘F13 also answers on Print Screen (plain Print belongs to the window manager here).
    EXPECT_TRUE(hotkeys->registerHotkey(8, 105, ModifierFlag::command));
    EXPECT_EQ(pressesFor(*hotkeys, 8, QStringLiteral("ctrl+Print")), 1);
    EXPECT_EQ(pressesFor(*hotkeys, 1, QStringLiteral("alt+shift+a")), 1);

    // Move Num Lock from Mod2 to Mod3: the grabs must follow the new lock bit.
    const xcb_keycode_t numLock = other.keycodeOf(0xff7f);
    ASSERT_NE(numLock, 0);
    xcb_get_modifier_mapping_reply_t *reply =
        xcb_get_modifier_mapping_reply(other.connection, xcb_get_modifier_mapping(other.connection), nullptr);
    ASSERT_TRUE(reply);
    const int per = reply->keycodes_per_modifier;
    std::vector<xcb_keycode_t> map(xcb_get_modifier_mapping_keycodes(reply),
                                   xcb_get_modifier_mapping_keycodes(reply) + 8 * per);
    free(reply);
    for (auto &code : map)
        if (code == numLock) code = 0;
    bool placed = false;
    for (int i = 0; i < per && !placed; ++i)
        if (map[5 * per + i] == 0) map[5 * per + i] = numLock, placed = true;
    ASSERT_TRUE(placed);
    xcb_set_modifier_mapping_reply_t *set = xcb_set_modifier_mapping_reply(
        other.connection, xcb_set_modifier_mapping(other.connection, static_cast<uint8_t>(per), map.data()), nullptr);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->status, XCB_MAPPING_STATUS_SUCCESS);
    free(set);
    ASSERT_TRUE(x11test::caughtUp()); // told of the new map, and grabbed again

    xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")});
    EXPECT_EQ(pressesFor(*hotkeys, 1, QStringLiteral("alt+shift+a")), 1);
    xdotool({QStringLiteral("key"), QStringLiteral("Num_Lock")});
}
