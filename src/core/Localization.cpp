#include "core/Localization.h"

#include "platform/StringTables.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

LKey &LKey::text(QStringView piece) {
    for (const QChar c : piece) {
        key += c;
        if (c == QLatin1Char('%')) key += c;
    }
    return *this;
}

LKey &LKey::value(const QString &v) {
    key += QStringLiteral("%@");
    arguments << v;
    return *this;
}

QString formatLocalized(const QString &format, const QStringList &arguments) {
    QString out;
    out.reserve(format.size() + 16 * arguments.size());
    qsizetype next = 0;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%') || i + 1 >= n) {
            out += c;
            continue;
        }
        const QChar d = format.at(i + 1);
        if (d == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
        } else if (d == QLatin1Char('@')) {
            if (next < arguments.size()) out += arguments.at(next);
            ++next;
            ++i;
        } else if (d.isDigit()) {
            // "%<n>$@": the n-th argument, counting from 1.
            qsizetype j = i + 1;
            qint64 index = 0;
            while (j < n && format.at(j).isDigit() && index < 1000000) {
                index = index * 10 + format.at(j).digitValue();
                ++j;
            }
            if (j + 1 < n && format.at(j) == QLatin1Char('$') && format.at(j + 1) == QLatin1Char('@')) {
                if (index >= 1 && index <= arguments.size()) out += arguments.at(index - 1);
                i = j + 1;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
    return out;
}

QString L(const LKey &key) {
    const QString text = platform::StringTables::lookup(key.key, platform::StringTables::currentLanguage());
    if (key.arguments.isEmpty()) return text;
    return formatLocalized(text, key.arguments);
}

namespace L10nCache {

QSet<QString> variants(const QString &key) {
    static QMutex lock;
    static QHash<QString, QSet<QString>> cache;
    QMutexLocker locker(&lock);
    const auto found = cache.constFind(key);
    if (found != cache.cend()) return *found;
    QSet<QString> set{key};
    for (const QString &language : platform::StringTables::languages())
        set.insert(platform::StringTables::lookup(key, language));
    cache.insert(key, set);
    return set;
}

} // namespace L10nCache
