#include "core/FontFamily.h"

#include <QSet>

namespace FontFamily {

QString withoutFoundry(const QString &listed) {
    const QString trimmed = listed.trimmed();
    if (!trimmed.endsWith(u']')) return trimmed;
    const qsizetype open = trimmed.lastIndexOf(u'[');
    // A name that is nothing but a bracket is a name, not a foundry.
    if (open <= 0) return trimmed;
    return trimmed.left(open).trimmed();
}

bool same(const QString &a, const QString &b) {
    return withoutFoundry(a).compare(withoutFoundry(b), Qt::CaseInsensitive) == 0;
}

QStringList distinct(const QStringList &listed) {
    QStringList names;
    QSet<QString> seen;
    for (const QString &family : listed) {
        QString name = withoutFoundry(family);
        if (name.isEmpty() || seen.contains(name.toCaseFolded())) continue;
        seen.insert(name.toCaseFolded());
        names.append(std::move(name));
    }
    return names;
}

} // namespace FontFamily
