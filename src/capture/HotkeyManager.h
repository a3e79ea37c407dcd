#pragma once

#include "core/ShortcutAction.h"

#include <QList>
#include <QObject>

#include <functional>
#include <memory>

namespace platform {
class GlobalHotkeys;
}
class ShortcutStore;

// The five system-wide hot keys, one per capture action. Registers the store's combinations on the
// first event-loop turn after `start` and again after every change of the store, publishes the actions
// the system refused, and registers nothing while suspended (the shortcut recorder is listening).
// A press starts its capture action on the next event-loop turn. Main thread only.
class HotkeyManager : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(ShortcutAction)>;

    // `hotkeys` may be null where the system offers no global hot keys: every registration then fails.
    HotkeyManager(ShortcutStore &store, std::unique_ptr<platform::GlobalHotkeys> hotkeys, QObject *parent = nullptr);
    ~HotkeyManager() override;
    // Over the shared store and the platform's hot keys; a press starts the capture service.
    static HotkeyManager &shared();

    // Subscribes to the store; the first registration follows on the next event-loop turn. Once.
    void start();
    // Unregisters everything, then registers the current combinations unless suspended.
    void registerAll();

    bool isSuspended() const { return m_suspended; }
    // Sets the flag and re-registers at once: suspended means no hot key at all.
    void setSuspended(bool suspended);

    // Actions whose last registration failed, in declaration order.
    QList<ShortcutAction> failed() const { return m_failed; }
    bool hasFailed(ShortcutAction action) const { return m_failed.contains(action); }
    // What a press does.
    void setHandler(Handler handler) { m_handler = std::move(handler); }

signals:
    void failedChanged();
    // A registered combination was pressed (before the handler runs).
    void activated(ShortcutAction action);

private:
    void fire(int identifier);
    void setFailed(QList<ShortcutAction> failed);

    ShortcutStore &m_store;
    std::unique_ptr<platform::GlobalHotkeys> m_hotkeys;
    QList<ShortcutAction> m_registered;
    QList<ShortcutAction> m_failed;
    Handler m_handler;
    bool m_started = false;
    bool m_suspended = false;
};
