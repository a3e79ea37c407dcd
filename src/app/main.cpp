#include "app/AppCommand.h"
#include "app/EventLoopWatchdog.h"
#include "app/PelicartaApp.h"
#include "platform/Memory.h"
#include "platform/SingleInstance.h"
#include "platform/TextEngine.h"
#include "platform/UserDefaults.h"
#include "widgets/Appearance.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <optional>

int main(int argc, char *argv[]) {
    platform::Memory::configureForResidentProcess();
    platform::ensureSingleThreadedOpenMP(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelicarta"));
    QApplication::setOrganizationName(QStringLiteral("Pelicarta"));
    QApplication::setDesktopFileName(QStringLiteral("pelicarta"));
    QApplication::setQuitOnLastWindowClosed(false);
    Appearance::apply(app);

    // Loading the settings early surfaces an unreadable file in the log at start-up.
    platform::UserDefaults::standard();

    if (app.arguments().contains(QStringLiteral("--check"))) {
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

    // A running Pelicarta takes the request; this launch ends there.
    if (platform::SingleInstance::send(command->message())) return 0;
    if (command->kind == AppCommand::Kind::quit) {
        std::fprintf(stderr, "Pelicarta is not running.\n");
        return 0;
    }
    platform::SingleInstance instance;
    if (!instance.listen()) {
        // Another launch won the race to start; hand the request to it.
        if (platform::SingleInstance::send(command->message())) return 0;
        std::fprintf(stderr, "Pelicarta could not listen on %s; later launches will start their own.\n",
                     qPrintable(instance.name()));
    }

    // Soak runs watch the event loop for stretches it could not turn.
    std::optional<EventLoopWatchdog> watchdog;
    if (qEnvironmentVariableIsSet("PELICARTA_WATCHDOG")) watchdog.emplace();

    PelicartaApp pelicarta(&instance);
    pelicarta.launch();
    if (command->kind == AppCommand::Kind::capture)
        QTimer::singleShot(0, &pelicarta, [&pelicarta, command] { pelicarta.perform(*command); });
    return QApplication::exec();
}
