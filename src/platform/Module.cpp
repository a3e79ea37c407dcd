#include "platform/Module.h"

#include "platform/Log.h"
#include "platform/Memory.h"

#include <QCoreApplication>
#include <QLibrary>
#include <QStringList>
#include <QtDebug>

#include <mutex>

namespace platform::Module {

namespace {

// Never destroyed: a module may be loaded on a thread of its own (the text engine's) to the very end of
// the process, after the statics have gone.
struct Brought {
    std::mutex mutex;
    QSet<QString> files;
};
Brought &brought() {
    static auto *files = new Brought;
    return *files;
}

} // namespace

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
        const bool loading = !library.isLoaded();
        const QSet<QString> before = loading ? Memory::mappedFiles() : QSet<QString>();
        if (void *found = reinterpret_cast<void *>(library.resolve(symbol))) {
            if (loading) {
                const QSet<QString> mapped = Memory::mappedFiles().subtract(before);
                Brought &all = brought();
                std::lock_guard lock(all.mutex);
                all.files.unite(mapped);
            }
            return found;
        }
        errors.append(library.errorString());
    }
    qCWarning(lcPlatform, "Module %s cannot be loaded: %s", name, qPrintable(errors.join(QStringLiteral("; "))));
    return nullptr;
}

QSet<QString> filesBrought() {
    Brought &all = brought();
    std::lock_guard lock(all.mutex);
    return all.files;
}

} // namespace platform::Module
