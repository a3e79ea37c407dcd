#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

#include <utility>

namespace platform {

// Folding for matching typed text against recognised text, the same in every language: each
// character is decomposed (NFD), its non-spacing marks are dropped and it is case folded (Unicode
// default full folding, no locale), so "Configurações", "CONFIGURACOES" and "configuracoes" fold
// alike and "Straße" folds to "strasse". Folding works character by character, so the folded form
// of a text is the concatenation of the folded forms of its pieces split anywhere between
// characters (line breaks stay as they are).
//
// Thread-safe; any thread.
namespace TextFolding {

QString fold(QStringView text);

// The folded form of UTF-8 text, as UTF-8. Equal to fold(QString::fromUtf8(utf8)).toUtf8(), without
// the round trip: malformed bytes read as U+FFFD, and `valid` (when given) turns false.
QByteArray foldUtf8(QByteArrayView utf8, bool *valid = nullptr);

// A folded text with, for each of its UTF-16 units, the range of the original text it came from.
// A range covers the whole original character and the marks folding dropped after it, so a match
// in the folded text marks whole letters of the original ("ß" for either "s" of "ss", "é" written
// as e + U+0301 for "e").
struct Mapped {
    QString text;
    QList<qsizetype> starts; // per unit of `text`: where its original range starts
    QList<qsizetype> ends;   // per unit of `text`: where it ends (exclusive)

    // The original range [first, second) of the folded units [start, start + length); (0, 0) when
    // that is not a non-empty range of `text`.
    std::pair<qsizetype, qsizetype> originalRange(qsizetype start, qsizetype length) const;
};

Mapped foldMapped(QStringView text);

} // namespace TextFolding
} // namespace platform
