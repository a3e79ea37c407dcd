#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <optional>
#include <utility>

// How typed text meets the recognised text of captures: a plain substring test between folded forms
// (platform::TextFolding), so letter case and accents never matter and nothing matches across a
// line break the query does not hold.
namespace HistoryText {

// The query as it is searched for: trimmed of white space and line breaks, folded, as UTF-8. Empty
// for a blank query, which matches everything.
QByteArray queryKey(QStringView query);

// Whether a folded text holds a non-empty key.
bool contains(QByteArrayView folded, QByteArrayView key);

// The first line of `text` (UTF-8) holding `key`, as written (its own case and accents), trimmed of
// spaces and tabs; a line of 91 or more characters (grapheme clusters) is cut to 88 and "…". None
// when the key is empty or no line holds it. Lines break at LF, VT, FF, CR, CR LF, NEL, LS and PS;
// empty lines are skipped.
std::optional<QString> snippet(QByteArrayView text, QByteArrayView key);

// Where the query first occurs in `text`, as (start, length) in the UTF-16 units of `text`, covering
// whole original letters ("acao" marks "ação", "strasse" marks "Straße"); none for a blank query or
// no match. For marking the match on a card.
std::optional<std::pair<qsizetype, qsizetype>> firstMatch(QStringView text, QStringView query);

} // namespace HistoryText
