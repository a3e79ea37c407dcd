#include "app/AppCommand.h"
#include "app/EventLoopWatchdog.h"
#include "app/Log.h"
#include "app/PelicartaApp.h"
#include "brand/LogoRenderChild.h"
#include "brand/LogoRenderProcess.h"
#include "core/TextReaderChild.h"
#include "platform/Memory.h"
#include "platform/SingleInstance.h"
#include "platform/TextEngine.h"
#include "platform/ThreadPriority.h"
#include "platform/UserDefaults.h"
#include "widgets/Appearance.h"

#include <QApplication>
#include <QCoreApplication>
#include <QThreadPool>
#include <QTimer>

#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <optional>

namespace {

// How long a `--quit` launch waits for the running instance to end: beyond the instance's own
// bounded wait for the captures it is still writing.
constexpr int kQuitWaitMs = 120'000;
// How long the end waits for the shared pool's last work.
constexpr int kEndWaitMs = 30'000;

} // namespace

int main(int argc, char *argv[]) {
    platform::Memory::configureForResidentProcess();
    platform::ensureSingleThreadedOpenMP(argc, argv);
    // Past a file-size limit (ulimit -f) a write fails like one on a full disk, instead of ending the
    // process.
    std::signal(SIGXFSZ, SIG_IGN);
    if (TextReaderChild::isRequested(argc, argv)) {
        // The history's reader process: no display, no window, no second instance check.
        QCoreApplication reader(argc, argv);
        return TextReaderChild::run(QCoreApplication::arguments());
    }
    // The logo render process: one document drawn under its parent's limits, no display.
    if (LogoRenderChild::isRequested(argc, argv)) return LogoRenderChild::run(argc, argv);
    LogoRenderProcess::setDefaultProgram(LogoRenderProcess::thisProgram());
    EventLoopWatchdog::Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelicarta"));
    QApplication::setOrganizationName(QStringLiteral("Pelicarta"));
    QApplication::setDesktopFileName(QStringLiteral("pelicarta"));
    QApplication::setQuitOnLastWindowClosed(false);
    Appearance::apply(app);

    if (app.arguments().contains(QStringLiteral("--check"))) {
        // Loading the settings surfaces an unreadable file in the log.
        platform::UserDefaults::standard();
        QTimer::singleShot(0, &app, [] { QApplication::exit(0); });
        return QApplication::exec();
    }

    QString error;
    const std::optional<AppCommand> command = AppCommand::fromArguments(app.arguments(), &error);
    if (!command) {
        std::fprintf(stderr, "%s\n%s\n", qPrintable(error), qPrintable(AppCommand::usage()));
        return 2;
    }
    if (command->kind == AppCommand::Kind::help) {
        std::printf("%s\n", qPrintable(AppCommand::usage()));
        return 0;
    }

    // A running Pelicarta (or one starting right now) takes the request; this launch ends there.
    platform::SingleInstance instance;
    switch (instance.claim(command->message())) {
    case platform::SingleInstance::Role::handedOver:
        if (!instance.refusal().isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(instance.refusal()));
            return 1;
        }
        // A script that quits Pelicarta and starts it again finds it gone. The instance bounds its
        // own end; this wait only keeps a launch from outliving a stuck one.
        if (command->kind == AppCommand::Kind::quit && !instance.waitForEnd(kQuitWaitMs)) {
            std::fprintf(stderr, "The running Pelicarta has not ended after %d s.\n", kQuitWaitMs / 1000);
            return 1;
        }
        return 0;
    case platform::SingleInstance::Role::primary: break;
    case platform::SingleInstance::Role::unavailable:
        qCWarning(lcApp, "no private folder for the socket (%s); this launch runs on its own",
                  qPrintable(instance.socketPath()));
        break;
    }
    if (command->kind == AppCommand::Kind::quit) {
        std::fprintf(stderr, "Pelicarta is not running.\n");
        return 0;
    }

    // Named, as every pool of ours is, so that a list of the threads tells whose they are.
    QThreadPool::globalInstance()->setObjectName(QStringLiteral("Worker"));
    // Before any work can start a shared thread from a lowered one.
    platform::makeSharedThreadsAtNormalPriority();

    // The interface thread and Qt's X event reader (every answer from the X server passes through it)
    // take the processor first when they wake.
    platform::favourForLatency("QXcbEventQueue");

    // Soak runs watch the event loop for stretches it could not turn.
    std::optional<EventLoopWatchdog> watchdog;
    if (qEnvironmentVariableIsSet("PELICARTA_WATCHDOG")) watchdog.emplace();

    PelicartaApp pelicarta(&instance);
    pelicarta.launch();
    if (command->kind == AppCommand::Kind::capture)
        QTimer::singleShot(0, &pelicarta, [&pelicarta, command] { pelicarta.perform(*command); });
    const int status = QApplication::exec();
    // The last work ends before the process does (a copy's beautifier on the bulk pool, which nothing
    // else waits for); work that could never end (the application's own waits for it are bounded)
    // must not keep the process, and with it the lock every later launch waits for.
    if (!QThreadPool::globalInstance()->waitForDone(kEndWaitMs) || !platform::bulkThreads().waitForDone(kEndWaitMs)) {
        qCWarning(lcApp, "ending with work still running");
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
