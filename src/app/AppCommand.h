#pragma once

#include "core/ShortcutAction.h"

#include <QString>
#include <QStringList>

#include <optional>

// What one launch of `pelicarta` asks for; a launch that finds Pelicarta running hands it over.
//   pelicarta                       show the main window
//   pelicarta --capture <action>    start a capture: area, window, fullscreen, repeat or tutorial
//   pelicarta --quit                end the running Pelicarta
//   pelicarta --help                print the usage and end
//
// A script may also send {"ping"} over the socket: answered once the requests before it were taken,
// with nothing done.
struct AppCommand {
    enum class Kind { show, capture, quit, help, ping };
    Kind kind = Kind::show;
    ShortcutAction action = ShortcutAction::captureArea;

    // From the program's arguments (the program name first); none when they make no sense, with the
    // reason in `error`.
    static std::optional<AppCommand> fromArguments(const QStringList &arguments, QString *error = nullptr);
    // The words sent to the running instance, and back; none for words this Pelicarta does not know (a
    // later one may).
    QStringList message() const;
    static std::optional<AppCommand> fromMessage(const QStringList &message);

    static QString usage();
    // Whether `word` is one of the options fromArguments() reads; another may be one of Qt's own, which
    // the application object takes out of the arguments.
    static bool isOwnOption(const QString &word);
    // "area" … "tutorial"
    static std::optional<ShortcutAction> actionNamed(const QString &name);
    static QString nameOf(ShortcutAction action);
};
