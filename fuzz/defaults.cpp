// The settings file: read from disk as a launch reads it, then every value through every getter.

#include "platform/UserDefaults.h"

#include "FuzzSupport.h"

#include <QFile>
#include <QTemporaryDir>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("defaults.json"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
    file.write(fuzz::bytes(data, size));
    file.close();
    {
        platform::UserDefaults defaults(path);
        for (const QString &key : defaults.keys()) {
            defaults.type(key);
            defaults.boolValue(key);
            defaults.intValue(key);
            defaults.doubleValue(key);
            defaults.stringValue(key);
            defaults.jsonValue(key);
            defaults.dataValue(key);
        }
    }
    // An unreadable file is kept aside: start the next input from nothing.
    for (const QString &name : QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System))
        QFile::remove(folder.filePath(name));
    return 0;
}
