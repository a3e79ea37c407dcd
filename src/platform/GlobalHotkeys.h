#pragma once

#include <QObject>

#include <cstdint>
#include <memory>

namespace platform {

// System-wide hot keys: combinations that reach Pelicarta whichever program has the keyboard.
// Each registration carries a caller-chosen identifier that `pressed` reports back. Main thread only;
// `pressed` is emitted from inside the windowing system's event dispatch, so receivers that do real
// work should queue it.
class GlobalHotkeys : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Registers a physical key code (KeyCode) with shortcut modifiers (ModifierFlag bits). False when
    // the system refuses it (another program holds the combination, or the key does not exist);
    // replaces an earlier registration of the same identifier.
    virtual bool registerHotkey(int identifier, int keyCode, std::uint32_t modifiers) = 0;
    virtual void unregisterHotkey(int identifier) = 0;

    // The implementation for the windowing system Qt runs on: X11 through Qt's own connection;
    // nullptr where global hot keys are not available (offscreen, Wayland).
    static std::unique_ptr<GlobalHotkeys> createForPlatform();

signals:
    // One press of a registered combination (key repeat is not reported).
    void pressed(int identifier);
    // A registration the system dropped later (it could not be renewed after a keyboard mapping change).
    void lost(int identifier);
};

} // namespace platform
