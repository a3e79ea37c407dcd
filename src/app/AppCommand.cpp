#include "app/AppCommand.h"

namespace {

const QList<QPair<QString, ShortcutAction>> &actionNames() {
    static const QList<QPair<QString, ShortcutAction>> names{
        {QStringLiteral("area"), ShortcutAction::captureArea},
        {QStringLiteral("window"), ShortcutAction::captureWindow},
        {QStringLiteral("fullscreen"), ShortcutAction::captureFullScreen},
        {QStringLiteral("repeat"), ShortcutAction::repeatLastArea},
        {QStringLiteral("tutorial"), ShortcutAction::toggleTutorial},
    };
    return names;
}

} // namespace

std::optional<ShortcutAction> AppCommand::actionNamed(const QString &name) {
    for (const auto &[n, action] : actionNames())
        if (n == name) return action;
    return std::nullopt;
}

QString AppCommand::nameOf(ShortcutAction action) {
    for (const auto &[n, a] : actionNames())
        if (a == action) return n;
    return {};
}

QString AppCommand::usage() {
    return QStringLiteral("usage: pelicarta [--capture area|window|fullscreen|repeat|tutorial | --quit | --help]\n"
                          "  (no option)       show the main window, starting Pelicarta when it is not running\n"
                          "  --capture ACTION  start a capture in the running Pelicarta (status 1 and the reason\n"
                          "                    when it cannot start one now)\n"
                          "  --quit            end the running Pelicarta, returning once it has ended\n"
                          "  --help            print this text");
}

bool AppCommand::isOwnOption(const QString &word) {
    return word == QLatin1String("--quit") || word == QLatin1String("--help") || word == QLatin1String("-h") ||
           word == QLatin1String("--capture") || word.startsWith(QLatin1String("--capture=")) ||
           word == QLatin1String("--check");
}

std::optional<AppCommand> AppCommand::fromArguments(const QStringList &arguments, QString *error) {
    const QStringList words = arguments.mid(1);
    auto fail = [error](const QString &reason) -> std::optional<AppCommand> {
        if (error) *error = reason;
        return std::nullopt;
    };
    if (words.isEmpty()) return AppCommand{};
    if (words == QStringList{QStringLiteral("--quit")}) return AppCommand{Kind::quit};
    if (words == QStringList{QStringLiteral("--help")} || words == QStringList{QStringLiteral("-h")})
        return AppCommand{Kind::help};
    if (words == QStringList{QStringLiteral("--capture")}) return fail(QStringLiteral("--capture needs an action"));
    QString name;
    if (words.size() == 2 && words[0] == QLatin1String("--capture")) name = words[1];
    else if (words.size() == 1 && words[0].startsWith(QLatin1String("--capture="))) name = words[0].mid(10);
    else return fail(QStringLiteral("unknown arguments: %1").arg(words.join(QLatin1Char(' '))));
    const auto action = actionNamed(name);
    if (!action) return fail(QStringLiteral("unknown capture action: %1").arg(name));
    return AppCommand{Kind::capture, *action};
}

QStringList AppCommand::message() const {
    switch (kind) {
    case Kind::show: return {QStringLiteral("show")};
    case Kind::capture: return {QStringLiteral("capture"), nameOf(action)};
    case Kind::quit: return {QStringLiteral("quit")};
    case Kind::ping: return {QStringLiteral("ping")};
    case Kind::help: break; // answered by the launch itself
    }
    return {};
}

std::optional<AppCommand> AppCommand::fromMessage(const QStringList &message) {
    if (message == QStringList{QStringLiteral("show")}) return AppCommand{};
    if (message == QStringList{QStringLiteral("quit")}) return AppCommand{Kind::quit};
    if (message == QStringList{QStringLiteral("ping")}) return AppCommand{Kind::ping};
    if (message.size() == 2 && message[0] == QLatin1String("capture"))
        if (const auto action = actionNamed(message[1])) return AppCommand{Kind::capture, *action};
    return std::nullopt;
}
