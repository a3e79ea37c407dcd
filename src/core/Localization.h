#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <concepts>

// What `L` receives: the Portuguese source text as a format key ("%@" for each value, "%%" for a
// literal percent sign) and the values, already turned into text.
struct LKey {
    QString key;
    QStringList arguments;

    LKey() = default;
    // A finished key with its values (the key is taken as a format key, "%@" and "%%" included).
    LKey(QString formatKey, QStringList values = {}) : key(std::move(formatKey)), arguments(std::move(values)) {}
    LKey(const char *utf8) : key(QString::fromUtf8(utf8)) {}

    // Building a key piece by piece, in reading order: fixed text has its "%" doubled, every value
    // adds a "%@". LKey().text(u"Limite de ").value(20).text(u" fundos") is the key "Limite de %@ fundos".
    LKey &text(QStringView piece);
    LKey &text(const char *utf8) { return text(QString::fromUtf8(utf8)); }
    LKey &value(const QString &v);
    LKey &value(const char *utf8) { return value(QString::fromUtf8(utf8)); }
    template <typename N>
    requires(std::integral<N> || std::floating_point<N>) LKey &value(N n) { return value(QString::number(n)); }
};

// The text to show for `key` in the current language, with its values filled in.
QString L(const LKey &key);

// Fills "%@" (and the number forms "%lld", "%d", … whose values arrive as text), positional "%1$@" and
// "%%" of `format` with `arguments`. A missing argument shows as
// empty text; any other "%" sequence is left as it stands. Translations never reach a printf-style
// function, so a hostile or mistaken table cannot read beyond the arguments.
QString formatLocalized(const QString &format, const QStringList &arguments);

namespace L10nCache {
// `key` together with its text in every language the application carries; computed once per key.
QSet<QString> variants(const QString &key);
} // namespace L10nCache
