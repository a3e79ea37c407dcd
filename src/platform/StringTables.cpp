#include "platform/StringTables.h"

#include "platform/Log.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMutex>
#include <QMutexLocker>

#include <atomic>

namespace platform::StringTables {

namespace {

struct Tables {
    QStringList languages; // source first, then the tables found, sorted
    QHash<QString, QHash<QString, QString>> texts;
};

const Tables &tables() {
    static const Tables instance = [] {
        Tables t;
        t.languages << QString::fromLatin1(kSourceLanguage);
        const QDir dir(QStringLiteral(":/strings"));
        const QStringList files = dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
        for (const QString &name : files) {
            QFile file(dir.filePath(name));
            if (!file.open(QIODevice::ReadOnly)) continue;
            const QJsonDocument doc = QJsonDocument::fromJson(file.readAll());
            if (!doc.isObject()) {
                qCWarning(lcPlatform, "string table %s is not a JSON object", qPrintable(name));
                continue;
            }
            QHash<QString, QString> map;
            const QJsonObject obj = doc.object();
            for (auto it = obj.begin(); it != obj.end(); ++it) {
                if (it.value().isString()) map.insert(it.key(), it.value().toString());
            }
            const QString language = name.chopped(5);
            if (language == QLatin1String(kSourceLanguage)) {
                t.texts.insert(language, map);
                continue;
            }
            t.languages << language;
            t.texts.insert(language, map);
        }
        return t;
    }();
    return instance;
}

QMutex overrideMutex;
QString overrideLanguage;
std::atomic<quint64> lookups{0};

QString systemLanguage() {
    const QLocale system = QLocale::system();
    if (system.language() == QLocale::C) return QString::fromLatin1(kSourceLanguage);
    const QStringList available = tables().languages;
    for (const QString &ui : system.uiLanguages()) {
        const QString normalised = QString(ui).replace(QLatin1Char('_'), QLatin1Char('-'));
        if (normalised.startsWith(QLatin1String("pt"), Qt::CaseInsensitive))
            return QString::fromLatin1(kSourceLanguage);
        for (const QString &language : available) {
            if (normalised.compare(language, Qt::CaseInsensitive) == 0) return language;
        }
        const QString base = normalised.section(QLatin1Char('-'), 0, 0);
        for (const QString &language : available) {
            if (base.compare(language, Qt::CaseInsensitive) == 0) return language;
        }
    }
    return QString::fromLatin1(kSourceLanguage);
}

} // namespace

QStringList languages() { return tables().languages; }

QString currentLanguage() {
    {
        QMutexLocker lock(&overrideMutex);
        if (!overrideLanguage.isEmpty()) return overrideLanguage;
    }
    static const QString fromSystem = systemLanguage();
    return fromSystem;
}

void setCurrentLanguage(const QString &language) {
    QMutexLocker lock(&overrideMutex);
    overrideLanguage = language;
}

QString lookup(const QString &key, const QString &language) {
    lookups.fetch_add(1, std::memory_order_relaxed);
    const auto &texts = tables().texts;
    const auto table = texts.constFind(language);
    if (table == texts.cend()) return key;
    return table->value(key, key);
}

quint64 lookupCount() { return lookups.load(std::memory_order_relaxed); }

} // namespace platform::StringTables
