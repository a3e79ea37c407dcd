#pragma once

// A history at scale, made on demand: N small real PNG captures in a recents folder and the index
// file beside it, each capture with about 2 KB of Portuguese and English interface text (accents
// included), dated over the 18 months before a given moment. The same seed makes the same history.
// Dates are not file times: the recents store reads them through `dateReader`.

#include "history/RecentsStore.h"

#include <QDateTime>
#include <QHash>
#include <QString>

namespace historyfixture {

struct Fixture {
    QString recentsFolder; // <root>/Recentes
    QString indexPath;     // <root>/Indice-do-historico.json
    QHash<QString, QDateTime> dates; // by file name
    qint64 textBytes = 0;            // UTF-8 bytes of text in the index

    // For RecentsStore::setDateReader: the fixture's date of each capture file.
    RecentsStore::DateReader dateReader() const;
};

Fixture make(const QString &root, int count, quint32 seed, const QDateTime &now);

// The text of one capture: lines of interface words, about `bytes` long.
QString captureText(quint32 seed, int bytes);

} // namespace historyfixture
