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

namespace {

// Length of a value conversion at `i` ("@", "d", "i", "u", "ld", "lld", "lu", "llu"); 0 when there is none.
qsizetype conversionLength(const QString &format, qsizetype i) {
    static const char *const kinds[] = {"@", "lld", "llu", "ld", "lu", "d", "i", "u"};
    for (const char *kind : kinds) {
        const QLatin1String k(kind);
        if (QStringView(format).mid(i).startsWith(k)) return k.size();
    }
    return 0;
}

} // namespace

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
        if (format.at(i + 1) == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        if (const qsizetype len = conversionLength(format, i + 1)) {
            if (next < arguments.size()) out += arguments.at(next);
            ++next;
            i += len;
            continue;
        }
        if (format.at(i + 1).isDigit()) {
            // "%<n>$@": the n-th value, counting from 1.
            qsizetype j = i + 1;
            qint64 index = 0;
            while (j < n && format.at(j).isDigit() && index < 1000000) {
                index = index * 10 + format.at(j).digitValue();
                ++j;
            }
            if (j < n && format.at(j) == QLatin1Char('$')) {
                if (const qsizetype len = conversionLength(format, j + 1)) {
                    if (index >= 1 && index <= arguments.size()) out += arguments.at(index - 1);
                    i = j + len;
                    continue;
                }
            }
        }
        out += c;
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
