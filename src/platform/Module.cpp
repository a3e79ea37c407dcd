#include "platform/Module.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QStringList>
#include <QtDebug>

namespace platform::Module {

void *resolve(const char *name, const char *symbol) {
    QLibrary library; // never unloaded
    return resolve(name, symbol, library);
}

void *resolve(const char *name, const char *symbol, QLibrary &library) {
    QStringList folders;
    if (QCoreApplication::instance()) folders.append(QCoreApplication::applicationDirPath());
#ifdef PELICARTA_MODULE_DIR
    folders.append(QStringLiteral(PELICARTA_MODULE_DIR));
#endif
    QStringList errors;
    for (const QString &folder : std::as_const(folders)) {
        library.setFileName(folder + QStringLiteral("/pelicarta_") + QLatin1String(name));
        if (void *found = reinterpret_cast<void *>(library.resolve(symbol))) return found;
        errors.append(library.errorString());
    }
    qWarning("Module %s cannot be loaded: %s", name, qPrintable(errors.join(QStringLiteral("; "))));
    return nullptr;
}

} // namespace platform::Module
