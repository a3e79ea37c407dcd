#include "platform/AppPaths.h"
#include "platform/TextEngine.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[]) {
    platform::ensureSingleThreadedOpenMP(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pelicarta"));
    QApplication::setOrganizationName(QStringLiteral("Pelicarta"));
    QApplication::setQuitOnLastWindowClosed(false);

    // Loading the settings early surfaces an unreadable file in the log at start-up.
    platform::UserDefaults::standard();

    if (app.arguments().contains(QStringLiteral("--check"))) {
        QTimer::singleShot(0, &app, [] { QApplication::exit(0); });
    }
    return QApplication::exec();
}
