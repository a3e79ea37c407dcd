#include "app/AppCommand.h"
#include "app/EventLoopWatchdog.h"
#include "app/Log.h"
#include "app/PelicartaApp.h"
#include "brand/LogoRenderChild.h"
#include "brand/LogoRenderProcess.h"
#include "core/TextReaderChild.h"
#include "platform/Memory.h"
#include "platform/ScreenServices.h"
#include "platform/SingleInstance.h"
#include "platform/TerminationSignals.h"
#include "platform/TextEngine.h"
#include "platform/ThreadPriority.h"
#include "platform/UserDefaults.h"
#include "widgets/Appearance.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThreadPool>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <optional>

namespace {

// How long a `--quit` launch waits for the running instance to end: beyond the instance's own
// bounded wait for the captures it is still writing.
constexpr int kQuitWaitMs = 120'000;
// How long the end waits for the pools' last work.
constexpr int kEndWaitMs = 30'000;

// Until every pool is idle (a screen read, the shared pool, the bulk threads: work on one starts work on
// another), for at most `ms`; whether they are. Their work uses the application object and the display
// connection, which go once main returns.
bool drainPools(int ms) {
    const auto idle = [](int wait) {
        return platform::ScreenServices::waitForReads(wait) && QThreadPool::globalInstance()->waitForDone(wait) &&
               platform::bulkThreads().waitForDone(wait);
    };
    const QDeadlineTimer deadline(ms);
    while (!idle(0)) {
        if (deadline.hasExpired()) return false;
        idle(int(std::max<qint64>(1, deadline.remainingTime())));
    }
    return true;
}

// Set while the event loop runs: an `exit` then comes from inside it, as Qt's own when the display
// server has gone away.
bool inEventLoop = false;

// Such an exit would destroy what running work still uses: the captures being written finish, and the
// process ends without the destructors.
void endWithinEventLoop() {
    if (!inEventLoop) return;
    inEventLoop = false;
    qCWarning(lcApp, "ending from inside the event loop: the display server may have gone away");
    if (!drainPools(kEndWaitMs)) qCWarning(lcApp, "ending with work still running");
    std::fflush(nullptr);
    std::_Exit(1);
}

// Qt says this on the GUI thread just before it calls `exit` when the display server has gone away. By
// then, `exit` would already have destroyed Qt's statics created after `endWithinEventLoop` was
// registered (a gradient cache a backplate being drawn still uses), so the end starts here instead.
QtMessageHandler previousMessageHandler = nullptr;
void endWhenTheDisplayIsLost(QtMsgType type, const QMessageLogContext &context, const QString &message) {
    if (previousMessageHandler) previousMessageHandler(type, context, message);
    if (inEventLoop && type == QtWarningMsg && message.startsWith(QLatin1String("The X11 connection broke")))
        endWithinEventLoop();
}

} // namespace

int main(int argc, char *argv[]) {
    platform::Memory::configureForResidentProcess();
    platform::ensureSingleThreadedOpenMP(argc, argv);
    // Past a file-size limit (ulimit -f) a write fails like one on a full disk, instead of ending the
    // process.
    std::signal(SIGXFSZ, SIG_IGN);
    const bool reader = TextReaderChild::isRequested(argc, argv);
    const bool logoRenderer = LogoRenderChild::isRequested(argc, argv);
    // A helper process ends with its parent, which may still need it while it ends in order: a Ctrl+C
    // in the terminal reaches the whole process group.
    if (reader || logoRenderer) std::signal(SIGINT, SIG_IGN);
    if (reader) {
        // The history's reader process: no display, no window, no second instance check.
        QCoreApplication readerApp(argc, argv);
        return TextReaderChild::run(QCoreApplication::arguments());
    }
    // The logo render process: one document drawn under its parent's limits, no display.
    if (logoRenderer) return LogoRenderChild::run(argc, argv);
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
        // Without the lock and the socket no later launch would find this one: each would run a copy
        // of its own.
        if (instance.socketPath().isEmpty())
            std::fprintf(stderr, "Pelicarta cannot start: it found no private folder it may write in for its "
                                 "socket ($XDG_RUNTIME_DIR, the temporary folder or the cache folder).\n");
        else
            std::fprintf(stderr, "Pelicarta cannot start: it cannot make its socket %s.\n",
                         qPrintable(instance.socketPath()));
        return 1;
    }
    if (command->kind == AppCommand::Kind::quit) {
        std::fprintf(stderr, "Pelicarta is not running.\n");
        return 0;
    }

    // Named, as every pool of ours is, so that a list of the threads tells whose they are.
    QThreadPool::globalInstance()->setObjectName(QStringLiteral("Worker"));
    // Before any work can start a shared thread from a lowered one.
    platform::makeSharedThreadsAtNormalPriority();

    // Soak runs watch the event loop for stretches it could not turn.
    std::optional<EventLoopWatchdog> watchdog;
    if (qEnvironmentVariableIsSet("PELICARTA_WATCHDOG")) watchdog.emplace();

    // A logout, a shutdown or Ctrl+C ends the application as "Sair" and `--quit` do, keeping every capture.
    platform::TerminationSignals endSignals;
    PelicartaApp pelicarta(&instance);
    QObject::connect(&endSignals, &platform::TerminationSignals::received, &pelicarta, &PelicartaApp::quit);
    pelicarta.launch(PelicartaApp::windowOpensFor(*command));
    if (command->kind == AppCommand::Kind::capture)
        QTimer::singleShot(0, &pelicarta, [&pelicarta, command] { pelicarta.perform(*command); });
    std::atexit(&endWithinEventLoop);
    previousMessageHandler = qInstallMessageHandler(&endWhenTheDisplayIsLost);
    inEventLoop = true;
    const int status = QApplication::exec();
    inEventLoop = false;
    // The last work ends before the process does (a screen read, a copy's beautifier on the bulk pool,
    // which nothing else waits for); work that could never end (the application's own waits for it are
    // bounded) must not keep the process, and with it the lock every later launch waits for.
    if (!drainPools(kEndWaitMs)) {
        qCWarning(lcApp, "ending with work still running");
        std::fflush(nullptr);
        std::_Exit(status);
    }
    return status;
}
