#include "platform/LoginItem.h"

#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace platform::LoginItem {

namespace {

// One argument of an Exec line: quoted, with the characters that stay special inside quotes escaped,
// and "%" doubled (it introduces field codes); then escaped once more as a value of the file.
QString execArgument(const QString &argument) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : argument) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            quoted += QLatin1Char('\\');
        quoted += c;
        if (c == QLatin1Char('%')) quoted += c;
    }
    quoted += QLatin1Char('"');
    QString value;
    for (const QChar c : quoted) {
        if (c == QLatin1Char('\\')) value += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n')) value += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t')) value += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r')) value += QStringLiteral("\\r");
        else value += c;
    }
    return value;
}

} // namespace

QByteArray entryFor(const QString &program) {
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=Pelicarta\n"
                                        "Exec=%1\n"
                                        "Icon=pelicarta\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n")
                             .arg(execArgument(program));
    return text.toUtf8();
}

bool isEnabled() {
    QFile file(AppPaths::autostartEntry());
    if (!QFileInfo(file).isFile()) return false;
    if (!file.open(QIODevice::ReadOnly)) return true; // there, though we cannot read it
    bool inEntry = false;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(64 * 1024).trimmed();
        if (line.startsWith('[')) inEntry = line == "[Desktop Entry]";
        else if (inEntry && line.startsWith("Hidden") && line.mid(6).trimmed().startsWith('='))
            return line.mid(line.indexOf('=') + 1).trimmed() != "true";
    }
    return true;
}

bool setEnabled(bool enabled, QString *error) {
    const QString path = AppPaths::autostartEntry();
    if (enabled) {
        if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
            if (error) *error = QStringLiteral("cannot create %1").arg(QFileInfo(path).absolutePath());
            return false;
        }
        return writeFileAtomically(path, entryFor(QCoreApplication::applicationFilePath()), error);
    }
    QFile file(path);
    if (!file.exists() && !QFileInfo(path).isSymLink()) return true;
    if (file.remove()) return true;
    if (error) *error = file.errorString();
    return false;
}

} // namespace platform::LoginItem
