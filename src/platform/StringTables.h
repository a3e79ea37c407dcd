#pragma once

#include <QString>
#include <QStringList>

namespace platform {

// Marks a text key kept in a table and looked up with L later, so that the check of the string tables
// sees it too. The key itself, unchanged.
constexpr const char *textKey(const char *key) { return key; }

// The translations of the user-visible texts, keyed by the Brazilian-Portuguese source text.
// Tables live in the resources as ":/strings/<language>.json" (one JSON object of key → text);
// the source language, "pt-BR", needs no table.
namespace StringTables {

inline constexpr const char *kSourceLanguage = "pt-BR";

// Every language the application carries, the source language first.
QStringList languages();

// The language texts are shown in: the first of the system's UI languages that has a table
// (or is Portuguese); the source language when none matches.
QString currentLanguage();

// Overrides the system's choice (tests, and a future preference); an empty string restores it.
void setCurrentLanguage(const QString &language);

// The text for `key` in `language`, or the key itself when that table has no entry or the
// language is unknown.
QString lookup(const QString &key, const QString &language);

// How many times a table was consulted; lets tests see that a cached answer read nothing.
quint64 lookupCount();

} // namespace StringTables
} // namespace platform
