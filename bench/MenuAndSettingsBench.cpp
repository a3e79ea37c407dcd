// The tray panel and the settings page: the panel with three tiles built and painted; the settings page
// built, shown and painted over a recents folder of 10,000 captures (it lists the folder each time it
// shows); the keep limit lowered from unlimited to 20 over those 10,000 files.
#include "app/MenuBarView.h"
#include "app/PreferencesView.h"
#include "capture/HotkeyManager.h"
#include "core/Settings.h"
#include "core/ShortcutStore.h"
#include "core/StyleStore.h"
#include "history/RecentsStore.h"
#include "platform/GlobalHotkeys.h"
#include "platform/UserDefaults.h"
#include "support/FakeScreenAccess.h"
#include "support/PlatformFakes.h"

#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// `count` small capture files named a second apart (the file names are all the store needs here).
void writeCaptures(const QString &folder, int count) {
    QDir().mkpath(folder);
    const QDateTime start(QDate(2020, 1, 1), QTime(0, 0));
    for (int i = 0; i < count; ++i) {
        QFile file(folder + QStringLiteral("/Pelicarta ") +
                   start.addSecs(i).toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")) + QStringLiteral(".png"));
        if (file.open(QIODevice::WriteOnly)) file.write(QByteArray(512, 'x'));
    }
}

// A temporary home with its own settings and recents folder.
struct Home {
    QTemporaryDir dir;
    platform::UserDefaults defaults{dir.filePath(QStringLiteral("defaults.json"))};
    QString recentsFolder = dir.filePath(QStringLiteral("Recentes"));
};

void BM_TrayPanelWithThreeTiles(benchmark::State &state) {
    Home home;
    Settings::historyCompact.set(false, home.defaults);
    ShortcutStore shortcuts(home.defaults);
    RecentsStore recents(home.defaults, home.recentsFolder);
    for (int i = 0; i < 3; ++i) {
        QImage capture(1440, 900, QImage::Format_RGB32);
        QPainter p(&capture);
        QLinearGradient g(0, 0, 1440, 900);
        g.setColorAt(0, QColor::fromHsv(i * 90, 160, 200));
        g.setColorAt(1, QColor::fromHsv(i * 90 + 60, 160, 90));
        p.fillRect(capture.rect(), g);
        p.end();
        recents.add(capture);
    }
    const testsupport::FixedSession session;
    for (auto _ : state) {
        MenuBarView menu(shortcuts, recents, home.defaults);
        menu.adjustSize();
        const QPixmap painted = menu.grab();
        benchmark::DoNotOptimize(painted.cacheKey());
    }
}
BENCHMARK(BM_TrayPanelWithThreeTiles)->Unit(benchmark::kMillisecond);

void BM_SettingsPageWith10000Captures(benchmark::State &state) {
    Home home;
    writeCaptures(home.recentsFolder, 10'000);
    Settings::historyKeep.set(RecentsStore::unlimited, home.defaults);
    ShortcutStore shortcuts(home.defaults);
    HotkeyManager hotkeys(shortcuts, nullptr);
    StyleStore styles(home.defaults);
    RecentsStore recents(home.defaults, home.recentsFolder);
    const testsupport::FixedSession session;
    testsupport::FakeScreenAccess access; // granted, and asked for by no X11 server
    access.granted = true;
    access.needed = false;
    for (auto _ : state) {
        PreferencesView page(shortcuts, hotkeys, styles, recents, home.defaults);
        page.resize(1030, 800);
        page.show(); // lists the folder
        const QPixmap painted = page.grab();
        benchmark::DoNotOptimize(painted.cacheKey());
    }
}
BENCHMARK(BM_SettingsPageWith10000Captures)->Unit(benchmark::kMillisecond);

void BM_KeepLimitFromUnlimitedTo20Over10000Captures(benchmark::State &state) {
    Home home;
    RecentsStore recents(home.defaults, home.recentsFolder);
    for (auto _ : state) {
        state.PauseTiming();
        writeCaptures(home.recentsFolder, 10'000);
        Settings::historyKeep.set(RecentsStore::unlimited, home.defaults);
        state.ResumeTiming();
        recents.applyKeepLimit(20);
        state.PauseTiming();
        if (recents.fileCount() != 20) state.SkipWithError("the limit was not applied");
        recents.applyKeepLimit(0);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_KeepLimitFromUnlimitedTo20Over10000Captures)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
