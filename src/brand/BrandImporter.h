#pragma once

#include <QByteArray>
#include <QJsonValue>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Reads a brand from a design file the user already has (DESIGN.md or other Markdown, CSS or SCSS,
// JSON design tokens, plain text): every hex colour with the words around it or its token path, the
// first font family and, in text, a name from the first top-level heading; then picks the four roles
// by Portuguese and English keywords, with fallbacks by lightness. Stateless apart from the cached
// list of installed font families; any thread.
namespace BrandImporter {

struct Result {
    std::optional<quint32> primary;
    std::optional<quint32> secondary;
    std::optional<quint32> background;
    std::optional<quint32> text;
    std::optional<QString> fontFamily; // in its installed spelling when installed
    std::optional<QString> name;
    int colorCount = 0; // colour entries found, repeats included

    bool operator==(const Result &) const = default;
};

// Files larger than this are not read: they are not design files.
inline constexpr qint64 maxFileBytes = qint64(8) << 20;

// The brand in a file; an empty result when it cannot be read or is larger than maxFileBytes.
Result parse(const QString &path);
// The brand in a file's bytes: a JSON object or array is walked as tokens, anything else read as
// UTF-8 text (bytes that are not UTF-8 as no text at all).
Result parseData(const QByteArray &bytes);
// The two readers behind parseData. JSON deeper than 64 levels is not walked further; text lines
// over 1,000 characters are read in pieces (cut at ";" or "}", else at a space or comma, else every
// 1,000 characters), so that no line makes the work grow faster than the text.
Result parseJson(const QJsonValue &json);
Result parseText(const QString &text);

// "#" and 3, 6 or 8 hex digits (3 are doubled, the alpha pair of 8 dropped) after trimming white
// space; none for anything else.
std::optional<quint32> hexColor(const QString &text);

// The families of a font database listing: each once and without its foundry (FontFamily::distinct),
// hidden ones (a leading ".") left out, sorted case-insensitively for the user's language.
QStringList familiesOf(const QStringList &listed);
// The font families installed (platform::FontCatalog), as familiesOf gives them.
QStringList installedFamilies();
// Whether a family of that name, in any case and with or without a foundry, is installed.
bool isInstalled(const QString &family);

// The accent that stays readable on the brand background: the text colour when the primary's luma is
// within 0.15 of the background's, the primary otherwise.
quint32 readableAccent(quint32 primary, quint32 background, quint32 text);

} // namespace BrandImporter
