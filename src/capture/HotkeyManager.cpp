#include "capture/HotkeyManager.h"

#include "capture/CaptureService.h"
#include "capture/Log.h"
#include "core/ShortcutStore.h"
#include "platform/GlobalHotkeys.h"

#include <QTimer>

HotkeyManager::HotkeyManager(ShortcutStore &store, std::unique_ptr<platform::GlobalHotkeys> hotkeys, QObject *parent)
    : QObject(parent), m_store(store), m_hotkeys(std::move(hotkeys)) {
    if (!m_hotkeys) return;
    connect(m_hotkeys.get(), &platform::GlobalHotkeys::pressed, this, [this](int identifier) {
        // Leave the windowing system's event dispatch before a capture starts.
        QMetaObject::invokeMethod(
            this, [this, identifier] { fire(identifier); }, Qt::QueuedConnection);
    });
    connect(m_hotkeys.get(), &platform::GlobalHotkeys::lost, this, [this](int identifier) {
        const auto action = ShortcutActions::fromHotkeyIdentifier(identifier);
        if (!action || !m_registered.contains(*action)) return;
        m_registered.removeAll(*action);
        QList<ShortcutAction> failed = m_failed;
        failed << *action;
        setFailed(failed);
    });
}

HotkeyManager::~HotkeyManager() = default;

HotkeyManager &HotkeyManager::shared() {
    static HotkeyManager *manager = [] {
        auto *created = new HotkeyManager(ShortcutStore::shared(), platform::GlobalHotkeys::createForPlatform());
        created->setHandler([](ShortcutAction action) { CaptureService::start(action); });
        return created;
    }();
    return *manager;
}

void HotkeyManager::start() {
    if (m_started) return;
    m_started = true;
    connect(&m_store, &ShortcutStore::shortcutsChanged, this, &HotkeyManager::registerAll);
    QTimer::singleShot(0, this, &HotkeyManager::registerAll);
}

void HotkeyManager::registerAll() {
    if (m_hotkeys)
        for (ShortcutAction action : std::as_const(m_registered))
            m_hotkeys->unregisterHotkey(ShortcutActions::hotkeyIdentifier(action));
    m_registered.clear();
    QList<ShortcutAction> failures;
    if (!m_suspended) {
        for (ShortcutAction action : ShortcutActions::all()) {
            const Shortcut shortcut = m_store.shortcut(action);
            if (m_hotkeys && m_hotkeys->registerHotkey(ShortcutActions::hotkeyIdentifier(action), shortcut.keyCode,
                                                       shortcut.modifiers))
                m_registered << action;
            else failures << action;
        }
    }
    setFailed(failures);
}

void HotkeyManager::setSuspended(bool suspended) {
    m_suspended = suspended;
    registerAll();
}

void HotkeyManager::fire(int identifier) {
    const auto action = ShortcutActions::fromHotkeyIdentifier(identifier);
    if (!action || !m_registered.contains(*action)) return;
    emit activated(*action);
    if (m_handler) m_handler(*action);
}

void HotkeyManager::setFailed(QList<ShortcutAction> failed) {
    if (failed == m_failed) return;
    // Also said in the log, for whoever starts the program from a terminal.
    for (ShortcutAction action : std::as_const(failed))
        if (!m_failed.contains(action))
            qCWarning(lcCapture, "Global hot key refused: %s (%s)", qPrintable(ShortcutActions::rawValue(action)),
                      qPrintable(m_store.shortcut(action).displayString()));
    m_failed = std::move(failed);
    emit failedChanged();
}
