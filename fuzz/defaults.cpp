// The settings file: read from disk as a launch reads it, every value through every getter, then every
// key of the settings table through its typed reader. What a reader accepts is written back to a
// second file and must read back the same.

#include "core/Settings.h"
#include "platform/UserDefaults.h"

#include "FuzzSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

void removeFiles(const QString &folder) {
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(QDir(folder).filePath(name));
}

// Calls `f` with every key of the settings table (core/Settings.h).
template <typename F>
void forEverySetting(F f) {
    f(Settings::afterCapture);
    f(Settings::areaRelease);
    f(Settings::overlayTipsEnabled);
    f(Settings::quickLifetime);
    f(Settings::historyKeep);
    f(Settings::historyCompact);
    f(Settings::mainWindowFrame);
    f(Settings::sidebarCollapsed);
    f(Settings::greetingEnabled);
    f(Settings::customName);
    f(Settings::hasCompletedOnboarding);
    for (ShortcutAction action : ShortcutActions::all()) f(Settings::shortcut(action));
    f(Settings::styleDefault);
    f(Settings::stylePresets);
    f(Settings::styleBackdrops);
    f(Settings::styleExport);
    f(Settings::brandKit);
    f(Settings::brandConfigured);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QTemporaryDir folder(fuzz::scratchFolderTemplate());
    static QTemporaryDir writtenFolder(fuzz::scratchFolderTemplate());
    // The stores the values are written to and read back from live across inputs: each watches its
    // file, and letting go of a watch costs the kernel some 15 ms.
    static platform::UserDefaults saved(writtenFolder.filePath(QStringLiteral("defaults.json")));
    static platform::UserDefaults reread(saved.filePath());
    const QString path = folder.filePath(QStringLiteral("defaults.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(fuzz::bytes(data, size));
    file.close();
    {
        const platform::UserDefaults defaults(path);
        for (const QString &key : defaults.keys()) {
            defaults.type(key);
            defaults.boolValue(key);
            defaults.intValue(key);
            defaults.doubleValue(key);
            defaults.stringValue(key);
            defaults.jsonValue(key);
            defaults.dataValue(key);
        }
        // What the typed readers accept, written to a file as the application saves it, reads the same
        // from there (a value with no stored form is not written).
        QList<bool> written;
        {
            const platform::UserDefaults::Batch batch(saved);
            for (const QString &key : saved.keys()) saved.remove(key);
            forEverySetting([&](const auto &setting) {
                setting.value(defaults);
                const auto value = setting.stored(defaults);
                written.append(value && setting.set(*value, saved));
            });
        }
        reread.reloadFromDisk();
        qsizetype index = 0;
        forEverySetting([&](const auto &setting) {
            if (written[index++] && setting.stored(reread) != setting.stored(defaults)) std::abort();
        });
    }
    // An unreadable file is kept aside: start the next input from nothing.
    removeFiles(folder.path());
    return 0;
}
