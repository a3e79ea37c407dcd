#include "app/AppCommand.h"
#include "app/EventLoopWatchdog.h"
#include "app/Log.h"
#include "app/PelicartaApp.h"
#include "brand/LogoRenderChild.h"
#include "brand/LogoRenderProcess.h"
#include "core/TextReaderChild.h"
#include "history/RecentsStore.h"
#include "platform/InstanceLock.h"
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
#include <memory>
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
    // Every capture taken is kept: what the writer holds in memory waits on disk for the next start.
    RecentsStore::shared().writer().saveHeld();
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

// The arguments as the program got them, before any application object reads them.
QStringList argumentsOf(int argc, char *argv[]) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// Without the lock and the socket no later launch would find this one: each would run a copy of its own.
int cannotStart(const QString &socketPath) {
    if (socketPath.isEmpty())
        std::fprintf(stderr, "Pelicarta cannot start: it found no private folder it may write in for its "
                             "socket ($XDG_RUNTIME_DIR, the temporary folder or the cache folder).\n");
    else
        std::fprintf(stderr, "Pelicarta cannot start: it cannot make its socket %s.\n", qPrintable(socketPath));
    return 1;
}

// A running Pelicarta (or one starting right now) takes the request, or this launch takes the lock and
// becomes it. The exit status of a launch that ends here; none for the one that goes on to run.
std::optional<int> claimOrEnd(platform::InstanceLock &lock, const AppCommand &command) {
    using Role = platform::InstanceLock::Role;
    switch (lock.claim(command.message())) {
    case Role::handedOver:
        if (!lock.refusal().isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(lock.refusal()));
            return 1;
        }
        // A script that quits Pelicarta and starts it again finds it gone. The instance bounds its
        // own end; this wait only keeps a launch from outliving a stuck one.
        if (command.kind == AppCommand::Kind::quit && !lock.waitForEnd(kQuitWaitMs)) {
            std::fprintf(stderr, "The running Pelicarta has not ended after %d s.\n", kQuitWaitMs / 1000);
            return 1;
        }
        return 0;
    case Role::primary: break;
    case Role::unavailable: return cannotStart(lock.socketPath());
    }
    if (command.kind == AppCommand::Kind::quit) {
        std::fprintf(stderr, "Pelicarta is not running.\n");
        return 0;
    }
    return std::nullopt;
}

// What a command line that cannot be carried out ends with: the usage.
int endWithUsage(const std::optional<AppCommand> &command, const QString &error) {
    if (command) {
        std::printf("%s\n", qPrintable(AppCommand::usage()));
        return 0;
    }
    std::fprintf(stderr, "%s\n%s\n", qPrintable(error), qPrintable(AppCommand::usage()));
    return 2;
}

} // namespace

int main(int argc, char *argv[]) {
    platform::Memory::configureForResidentProcess();
    // Past a file-size limit (ulimit -f) a write fails like one on a full disk, instead of ending the
    // process.
    std::signal(SIGXFSZ, SIG_IGN);
    const bool reader = TextReaderChild::isRequested(argc, argv);
    const bool logoRenderer = LogoRenderChild::isRequested(argc, argv);
    if (reader || logoRenderer) {
        platform::ensureSingleThreadedOpenMP(argc, argv);
        // A helper process ends with its parent, which may still need it while it ends in order: a
        // Ctrl+C in the terminal reaches the whole process group.
        std::signal(SIGINT, SIG_IGN);
    }
    if (reader) {
        // The history's reader process: no display, no window, no second instance check.
        QCoreApplication readerApp(argc, argv);
        return TextReaderChild::run(QCoreApplication::arguments());
    }
    // The logo render process: one document drawn under its parent's limits, no display.
    if (logoRenderer) return LogoRenderChild::run(argc, argv);

    // A launch that hands its request to the running Pelicarta (what desktop shortcuts, `--quit` and a
    // second start do) does so before anything of the GUI is built: no display connection, platform
    // plugin, fonts or theme for a line on a socket. Arguments it cannot read (options of Qt's own,
    // say) are read once the application object has taken those out.
    const QStringList rawArguments = argumentsOf(argc, argv);
    const bool qtMayRead = std::any_of(rawArguments.cbegin() + 1, rawArguments.cend(), [](const QString &word) {
        return word.startsWith(QLatin1Char('-')) && !AppCommand::isOwnOption(word);
    });
    std::optional<AppCommand> command;
    if (!rawArguments.contains(QStringLiteral("--check"))) {
        QString error;
        command = AppCommand::fromArguments(rawArguments, &error);
        if (!command && !qtMayRead) return endWithUsage(command, error);
    }
    std::unique_ptr<platform::InstanceLock> lock;
    if (command) {
        if (command->kind == AppCommand::Kind::help) return endWithUsage(command, {});
        lock = std::make_unique<platform::InstanceLock>();
        if (const std::optional<int> status = claimOrEnd(*lock, *command)) return *status;
    }
    // This launch is the instance (or reads its arguments below), whose text engine must find OpenMP
    // kept to one thread from the process's start: the restart that sees to it closes the lock, which
    // the restarted launch claims again.
    platform::ensureSingleThreadedOpenMP(argc, argv);

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

    if (!lock) {
        QString error;
        command = AppCommand::fromArguments(app.arguments(), &error);
        if (!command || command->kind == AppCommand::Kind::help) return endWithUsage(command, error);
        lock = std::make_unique<platform::InstanceLock>();
        if (const std::optional<int> status = claimOrEnd(*lock, *command)) return *status;
    }
    // Later launches reach this one from here on; until then they wait for it.
    platform::SingleInstance instance(std::move(lock));
    if (!instance.listen()) return cannotStart(instance.socketPath());

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
