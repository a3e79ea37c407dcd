// Global hot keys on X11: passive key grabs on the root window through Qt's own xcb connection.
#include "platform/GlobalHotkeys.h"
#include "platform/KeyEvent.h"
#include "platform/Log.h"

#include <QAbstractNativeEventFilter>
#include <QGuiApplication>
#include <QHash>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

namespace platform {

namespace {

constexpr std::uint8_t kBadAccess = 10;
// Auto-repeat runs at 25–30 presses a second once it starts.
constexpr xcb_timestamp_t kRepeatWindowMs = 250;
constexpr xcb_keysym_t kNumLock = 0xff7f, kAltL = 0xffe9, kAltR = 0xffea, kMetaL = 0xffe7, kSuperL = 0xffeb,
                       kSuperR = 0xffec;

class X11GlobalHotkeys final : public GlobalHotkeys, public QAbstractNativeEventFilter {
public:
    X11GlobalHotkeys(xcb_connection_t *connection, xcb_window_t root) : m_connection(connection), m_root(root) {
        const xcb_query_extension_cookie_t cookie = xcb_query_extension(m_connection, 9, "XKEYBOARD");
        if (xcb_query_extension_reply_t *reply = xcb_query_extension_reply(m_connection, cookie, nullptr)) {
            if (reply->present) m_xkbFirstEvent = reply->first_event;
            std::free(reply);
        }
        readModifierMapping();
        qApp->installNativeEventFilter(this);
    }

    ~X11GlobalHotkeys() override {
        qApp->removeNativeEventFilter(this);
        for (const Grab &grab : std::as_const(m_grabs)) ungrab(grab);
        xcb_flush(m_connection);
    }

    bool registerHotkey(int identifier, int keyCode, std::uint32_t modifiers) override {
        unregisterHotkey(identifier);
        Grab grab{keyCode, modifiers, {}, xModifiers(modifiers)};
        for (const int evdev : evdevCodesFromKeyCode(keyCode))
            grab.keycodes.push_back(static_cast<xcb_keycode_t>(evdev + 8));
        if (grab.keycodes.empty()) return false;
        // X lets a client grab the same combination twice (the second replaces the first); refuse it
        // as another program's grab would be refused, so each combination has one owner.
        for (const Grab &other : std::as_const(m_grabs))
            if (other.keycodes == grab.keycodes && other.xModifiers == grab.xModifiers) return false;
        if (!this->grab(grab)) return false;
        m_grabs.insert(identifier, grab);
        return true;
    }

    void unregisterHotkey(int identifier) override {
        const auto it = m_grabs.find(identifier);
        if (it == m_grabs.end()) return;
        ungrab(*it);
        m_grabs.erase(it);
        xcb_flush(m_connection);
    }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override {
        if (eventType != "xcb_generic_event_t") return false;
        const auto *event = static_cast<const xcb_generic_event_t *>(message);
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
            const auto *key = reinterpret_cast<const xcb_key_press_event_t *>(event);
            if (key->event != m_root) return false;
            return handleKey(type == XCB_KEY_PRESS, key->detail, key->state, key->time);
        }
        // The modifier map decides which bit NumLock (and Alt, Super) use: grab again after it changes.
        // XKB-aware clients such as Qt get XKB's own notifications instead of the core one.
        const bool mappingChanged =
            type == XCB_MAPPING_NOTIFY || (m_xkbFirstEvent != 0 && type == m_xkbFirstEvent &&
                                           (event->pad0 == 0 /* new keyboard */ || event->pad0 == 1 /* map */));
        if (mappingChanged && !m_regrabPending) {
            m_regrabPending = true;
            QTimer::singleShot(0, this, [this] { regrabAll(); });
        }
        return false;
    }

private:
    struct Grab {
        int keyCode = -1;
        std::uint32_t modifiers = 0;
        std::vector<xcb_keycode_t> keycodes;
        std::uint16_t xModifiers = 0;
    };

    static std::vector<int> evdevCodesFromKeyCode(int keyCode) {
        std::vector<int> codes;
        for (int evdev = 1; evdev < 248; ++evdev)
            if (keyCodeFromEvdev(evdev) == keyCode) codes.push_back(evdev);
        return codes;
    }

    std::uint16_t xModifiers(std::uint32_t modifiers) const {
        std::uint16_t mask = 0;
        if (modifiers & ModifierFlag::shift) mask |= XCB_MOD_MASK_SHIFT;
        if (modifiers & ModifierFlag::command) mask |= XCB_MOD_MASK_CONTROL;
        if (modifiers & ModifierFlag::option) mask |= m_altMask;
        if (modifiers & ModifierFlag::control) mask |= m_superMask;
        return mask;
    }

    // The lock combinations a grab must cover so that Caps Lock and Num Lock do not disable it.
    std::array<std::uint16_t, 4> lockVariants() const {
        return {0, XCB_MOD_MASK_LOCK, m_numLockMask, static_cast<std::uint16_t>(XCB_MOD_MASK_LOCK | m_numLockMask)};
    }

    bool grab(const Grab &grab) {
        std::vector<xcb_void_cookie_t> cookies;
        for (const xcb_keycode_t keycode : grab.keycodes)
            for (const std::uint16_t locks : lockVariants())
                // Not owner events: the key goes to the root window even when one of our windows has focus.
                cookies.push_back(xcb_grab_key_checked(m_connection, 0, m_root, grab.xModifiers | locks, keycode,
                                                       XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
        bool refused = false;
        for (const xcb_void_cookie_t cookie : cookies) {
            if (xcb_generic_error_t *error = xcb_request_check(m_connection, cookie)) {
                refused = true; // BadAccess: another client holds it; anything else: the key is unusable
                if (error->error_code != kBadAccess)
                    qCWarning(lcPlatform, "Hot key grab failed with X error %d", error->error_code);
                std::free(error);
            }
        }
        if (refused) ungrab(grab);
        return !refused;
    }

    void ungrab(const Grab &grab) {
        for (const xcb_keycode_t keycode : grab.keycodes)
            for (const std::uint16_t locks : lockVariants())
                xcb_ungrab_key(m_connection, keycode, m_root, grab.xModifiers | locks);
    }

    bool handleKey(bool press, xcb_keycode_t keycode, std::uint16_t state, xcb_timestamp_t time) {
        const std::uint16_t relevant = state & 0xff & ~(XCB_MOD_MASK_LOCK | m_numLockMask);
        for (auto it = m_grabs.cbegin(); it != m_grabs.cend(); ++it) {
            const Grab &grab = it.value();
            if (std::find(grab.keycodes.begin(), grab.keycodes.end(), keycode) == grab.keycodes.end()) continue;
            if (!press) {
                m_down.remove(keycode);
                m_releasedAt.insert(keycode, time);
                return true;
            }
            if (relevant != grab.xModifiers) continue;
            // Auto-repeat of a held key comes either as a release and a press with the same time stamp,
            // or (detectable auto-repeat) as presses without releases. The release may never reach us
            // (another window grabbed the keyboard meanwhile), so a press without a release counts as a
            // repeat only when it follows the previous one closely.
            const auto down = m_down.constFind(keycode);
            const auto released = m_releasedAt.constFind(keycode);
            const bool repeat = (down != m_down.cend() && time - *down < kRepeatWindowMs) ||
                                (released != m_releasedAt.cend() && *released == time);
            m_down.insert(keycode, time);
            if (repeat) return true;
            emit pressed(it.key());
            return true;
        }
        return false;
    }

    void readModifierMapping() {
        m_numLockMask = 0;
        m_altMask = XCB_MOD_MASK_1;
        m_superMask = XCB_MOD_MASK_4;
        xcb_key_symbols_t *symbols = xcb_key_symbols_alloc(m_connection);
        if (!symbols) return;
        const auto keycodesOf = [&](xcb_keysym_t sym) {
            std::vector<xcb_keycode_t> out;
            if (xcb_keycode_t *codes = xcb_key_symbols_get_keycode(symbols, sym)) {
                for (xcb_keycode_t *c = codes; *c != XCB_NO_SYMBOL; ++c) out.push_back(*c);
                std::free(codes);
            }
            return out;
        };
        const auto numLock = keycodesOf(kNumLock);
        std::vector<xcb_keycode_t> alt = keycodesOf(kAltL), super = keycodesOf(kSuperL);
        for (xcb_keysym_t sym : {kAltR, kMetaL})
            for (auto c : keycodesOf(sym)) alt.push_back(c);
        for (auto c : keycodesOf(kSuperR)) super.push_back(c);
        xcb_key_symbols_free(symbols);

        const xcb_get_modifier_mapping_cookie_t cookie = xcb_get_modifier_mapping(m_connection);
        xcb_get_modifier_mapping_reply_t *reply = xcb_get_modifier_mapping_reply(m_connection, cookie, nullptr);
        if (!reply) return;
        const xcb_keycode_t *map = xcb_get_modifier_mapping_keycodes(reply);
        const int perModifier = reply->keycodes_per_modifier;
        std::uint16_t altFound = 0, superFound = 0;
        const auto contains = [](const std::vector<xcb_keycode_t> &list, xcb_keycode_t c) {
            return std::find(list.begin(), list.end(), c) != list.end();
        };
        // Modifiers 3 to 7 are Mod1 to Mod5; Shift, Lock and Control are fixed.
        for (int modifier = 3; modifier < 8; ++modifier) {
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t code = map[modifier * perModifier + i];
                if (code == 0) continue;
                const auto bit = static_cast<std::uint16_t>(1u << modifier);
                if (contains(numLock, code)) m_numLockMask |= bit;
                if (!altFound && contains(alt, code)) altFound = bit;
                if (!superFound && contains(super, code)) superFound = bit;
            }
        }
        std::free(reply);
        if (altFound) m_altMask = altFound;
        if (superFound) m_superMask = superFound;
    }

    void regrabAll() {
        m_regrabPending = false;
        for (const Grab &grab : std::as_const(m_grabs)) ungrab(grab);
        readModifierMapping();
        QList<int> lostIdentifiers;
        for (auto it = m_grabs.begin(); it != m_grabs.end(); ++it) {
            it->xModifiers = xModifiers(it->modifiers);
            if (!grab(*it)) lostIdentifiers << it.key();
        }
        for (const int identifier : lostIdentifiers) {
            m_grabs.remove(identifier);
            emit lost(identifier);
        }
        m_down.clear();
        m_releasedAt.clear();
        xcb_flush(m_connection);
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    std::uint8_t m_xkbFirstEvent = 0;
    std::uint16_t m_numLockMask = 0, m_altMask = XCB_MOD_MASK_1, m_superMask = XCB_MOD_MASK_4;
    QHash<int, Grab> m_grabs;
    QHash<xcb_keycode_t, xcb_timestamp_t> m_down;       // held keys: time of their last press
    QHash<xcb_keycode_t, xcb_timestamp_t> m_releasedAt; // time of each key's last release
    bool m_regrabPending = false;
};

} // namespace

std::unique_ptr<GlobalHotkeys> GlobalHotkeys::createForPlatform() {
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection()) return nullptr;
    xcb_connection_t *connection = x11->connection();
    const xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    if (!screens.rem) return nullptr;
    return std::make_unique<X11GlobalHotkeys>(connection, screens.data->root);
}

} // namespace platform
