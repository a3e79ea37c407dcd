#include "brand/BrandImporter.h"

#include "brand/PieceLabels.h"
#include "brand/TokenPath.h"
#include "core/FontFamily.h"
#include "core/Luma.h"
#include "platform/FontCatalog.h"
#include "platform/RegularFile.h"

#include <QCollator>
#include <QColor>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QRegularExpression>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <numeric>
#include <string_view>
#include <vector>

namespace BrandImporter {

namespace {

constexpr int maxJsonDepth = 64;
constexpr qsizetype maxPiece = 1000;
// Longer than any brand or font is named: such a "name" is a file's content, and would be stored in the
// settings with the kit.
constexpr qsizetype maxNameLength = 200;

// What a reader has found so far.
struct Found {
    Labels::RolePicker roles;
    std::optional<QString> font;
    std::optional<QString> name;
};

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

QString installedFamily(const QString &name) {
    for (const QString &family : installedFamilies())
        if (FontFamily::same(family, name)) return family;
    return name;
}

// The installed families, worked out again only when the catalog lists others (a test's).
struct Installed {
    QStringList listed;
    QStringList families;
};
QMutex installedMutex;
std::optional<Installed> installed;

Result assign(const Found &found) {
    Result r;
    if (found.font) r.fontFamily = installedFamily(*found.font);
    r.name = found.name;
    found.roles.fill(r);
    return r;
}

std::optional<quint32> hexColorOf(QStringView s) {
    s = s.trimmed();
    if (!s.startsWith(u'#')) return std::nullopt;
    if (s.size() == 9) s.chop(2);
    // QColor reads "#" with 3 or 6 hex digits as written here; its other forms (alpha first, 9 or 12 digits)
    // are not colours of ours.
    if (s.size() != 4 && s.size() != 7) return std::nullopt;
    const QColor color = QColor::fromString(s);
    if (!color.isValid()) return std::nullopt;
    return color.rgb() & 0xFFFFFFu;
}

// The first comma-separated piece, without quotes, emphasis marks, braces and the like around it.
std::optional<QString> firstFamily(QStringView text) {
    QStringView piece;
    for (QStringView part : text.tokenize(u',', Qt::SkipEmptyParts)) {
        piece = part;
        break;
    }
    constexpr QStringView trimmed = u" \t\"'`*_;{}()";
    while (!piece.isEmpty() && trimmed.contains(piece.front())) piece = piece.sliced(1);
    while (!piece.isEmpty() && trimmed.contains(piece.back())) piece.chop(1);
    if (piece.isEmpty() || piece.size() > maxNameLength) return std::nullopt;
    return piece.toString();
}

// Walks JSON values in key order; values are visited with the path that leads to them.
class JsonWalk {
public:
    explicit JsonWalk(Found &found) : m_found(found) {}

    void walk(const QJsonValue &value, int depth) {
        if (depth > maxJsonDepth) return;
        if (value.isObject()) {
            const QJsonObject object = value.toObject();
            const auto token = object.constFind(QStringLiteral("$value")) != object.constEnd()
                                   ? object.constFind(QStringLiteral("$value"))
                                   : object.constFind(QStringLiteral("value"));
            if (token != object.constEnd() && !token->isObject()) return visit(*token);
            // Qt keeps the members in UTF-16 order, nearly always the order wanted; only when it is
            // not are they put in order, by index, so that no member is copied.
            std::vector<qsizetype> order;
            QString previous;
            for (auto it = object.begin(); it != object.end(); ++it) {
                QString key = it.key();
                if (it != object.begin() && codePointLess(key, previous)) {
                    order.resize(size_t(object.size()));
                    std::iota(order.begin(), order.end(), 0);
                    std::sort(order.begin(), order.end(), [&object](qsizetype a, qsizetype b) {
                        return codePointLess((object.begin() + a).key(), (object.begin() + b).key());
                    });
                    break;
                }
                previous = std::move(key);
            }
            for (qsizetype i = 0; i < object.size(); ++i) {
                const auto member = object.begin() + (order.empty() ? i : order[size_t(i)]);
                m_path.enter(member.key());
                walk(member.value(), depth + 1);
                m_path.leave();
            }
        } else if (value.isArray()) {
            const QJsonArray array = value.toArray();
            for (qsizetype i = 0; i < array.size(); ++i) {
                m_path.enter(QString::number(i));
                walk(array.at(i), depth + 1);
                m_path.leave();
            }
        } else {
            visit(value);
        }
    }

private:
    // Unicode scalar order; UTF-16 order differs only where surrogates meet U+E000…U+FFFF.
    static bool codePointLess(const QString &a, const QString &b) {
        const auto rank = [](char16_t u) { return u >= 0xD800 ? (u < 0xE000 ? u + 0x2000 : u - 0x800) : u; };
        const qsizetype n = std::min(a.size(), b.size());
        for (qsizetype i = 0; i < n; ++i)
            if (a[i] != b[i]) return rank(a[i].unicode()) < rank(b[i].unicode());
        return a.size() < b.size();
    }

    void visit(const QJsonValue &value) {
        using Labels::FontWord;
        if (value.isString()) {
            const QString s = value.toString();
            if (const auto color = hexColorOf(s)) {
                m_found.roles.add(*color, [this] { return m_path.words(); });
            } else if (!m_found.font) {
                const Labels::WordsSeen words = m_path.words();
                if (holds(words, FontWord::font) && (holds(words, FontWord::famil) || m_path.label().endsWith(u"font")))
                    m_found.font = firstFamily(s);
            }
        } else if (!m_found.font && value.isArray() && holds(m_path.words(), FontWord::famil)) {
            const QJsonArray array = value.toArray();
            if (!array.isEmpty() && array.first().isString()) m_found.font = firstFamily(array.first().toString());
        }
    }

    Found &m_found;
    Labels::TokenPath m_path;
};

// Calls `f` with the line, or with pieces of it when it is longer than maxPiece.
template <typename F>
void forEachPiece(QStringView line, F f) {
    if (line.size() <= maxPiece) return f(line);
    qsizetype start = 0;
    while (start < line.size()) {
        qsizetype end = std::min(line.size(), start + maxPiece);
        if (end < line.size()) {
            const QStringView window = line.sliced(start, end - start);
            qsizetype cut = std::max(window.lastIndexOf(u';'), window.lastIndexOf(u'}'));
            if (cut < 0) cut = std::max(window.lastIndexOf(u' '), window.lastIndexOf(u','));
            if (cut >= 0) end = start + cut + 1;
        }
        f(line.sliced(start, end - start));
        start = end;
    }
}

// The brand name a top-level heading gives, if any.
std::optional<QString> headingName(QStringView line) {
    if (!line.startsWith(u"# ") || line.size() > maxPiece) return std::nullopt;
    QString name = line.sliced(2).toString();
    const auto spaceOrTab = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (!name.isEmpty() && spaceOrTab(name.front())) name.remove(0, 1);
    while (!name.isEmpty() && spaceOrTab(name.back())) name.chop(1);
    name.remove(QStringLiteral("Design System"), Qt::CaseInsensitive);
    name.remove(QStringLiteral("DESIGN.md"), Qt::CaseInsensitive);
    constexpr QStringView edges = u" -—:";
    qsizetype a = 0, b = name.size();
    while (a < b && edges.contains(name[a])) ++a;
    while (b > a && edges.contains(name[b - 1])) --b;
    if (a == b || b - a > maxNameLength) return std::nullopt;
    return name.mid(a, b - a);
}

// Whether the font pattern can match at all: every spelling it knows holds "font", "typeface" or
// "tipografia" (ASCII letters, in any case), and a ":" or "=" must follow. Most lines are passed over
// by this one scan instead of being tried by the pattern.
bool mayNameAFont(QStringView piece) {
    const qsizetype lastSeparator = std::max(piece.lastIndexOf(u':'), piece.lastIndexOf(u'='));
    const auto startsWith = [piece](qsizetype at, std::string_view word) {
        if (at + qsizetype(word.size()) > piece.size()) return false;
        for (size_t k = 0; k < word.size(); ++k) {
            const char16_t c = piece[at + qsizetype(k)].unicode();
            if ((c < 0x80 ? (c | 0x20) : c) != word[k]) return false;
        }
        return true;
    };
    for (qsizetype at = 0; at < lastSeparator; ++at) {
        const char16_t c = piece[at].unicode() | 0x20;
        if ((c == u'f' && startsWith(at, "font")) ||
            (c == u't' && (startsWith(at, "typeface") || startsWith(at, "tipografia"))))
            return true;
    }
    return false;
}

void readPiece(QStringView piece, Found &found, Labels::PieceLabels &labels) {
    static const QRegularExpression colorPattern(QStringLiteral(R"(#([0-9a-fA-F]{8}|[0-9a-fA-F]{6}|[0-9a-fA-F]{3})\b)"),
                                                 QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression fontPattern(
        QStringLiteral(R"((?:font-family|fontFamily|font family|typeface|tipografia|fonte|font))"
                       R"((?![-_ ]?(?:size|weight|style|height|stretch|variant|feature|display|smoothing|kerning)))"
                       R"([^:\n]*[:=]\s*([^;\n]+))"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);

    if (piece.contains(u'#')) {
        bool labelsReady = false; // the piece is given to `labels` for the first colour whose label is wanted
        for (auto it = colorPattern.globalMatch(piece); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QStringView matched = m.capturedView(0);
            const auto color = hexColorOf(matched);
            if (!color) continue;
            found.roles.add(*color, [&] {
                if (!labelsReady) labels.reset(piece), labelsReady = true;
                return labels.wordsWithout(matched);
            });
        }
    }
    if (!found.font && mayNameAFont(piece)) {
        const QRegularExpressionMatch m = fontPattern.match(piece);
        if (m.hasMatch()) {
            const auto family = firstFamily(m.capturedView(1));
            if (family && family->front().isLetter()) found.font = family;
        }
    }
}

} // namespace

Result parse(const QString &path) {
    const platform::RegularFile::Read file = platform::RegularFile::read(path, maxFileBytes);
    if (file.status != platform::RegularFile::Status::ok) return {};
    return parseData(file.bytes);
}

Result parseData(const QByteArray &bytes) {
    if (bytes.size() > maxFileBytes) return {};
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error == QJsonParseError::NoError && document.isObject()) return parseJson(document.object());
    if (error.error == QJsonParseError::NoError && document.isArray()) return parseJson(document.array());
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(bytes);
    if (decoder.hasError()) text.clear();
    return parseText(text);
}

Result parseJson(const QJsonValue &json) {
    Found found;
    JsonWalk(found).walk(json, 0);
    return assign(found);
}

Result parseText(const QString &text) {
    Found found;
    Labels::PieceLabels labels;
    const QStringView all(text);
    qsizetype start = 0;
    while (start <= all.size()) {
        qsizetype end = start;
        while (end < all.size() && !isLineBreak(all[end])) ++end;
        const QStringView line = all.sliced(start, end - start);
        if (!found.name) found.name = headingName(line);
        forEachPiece(line, [&](QStringView piece) { readPiece(piece, found, labels); });
        start = end + 1;
    }
    return assign(found);
}

std::optional<quint32> hexColor(const QString &text) { return hexColorOf(text); }

QStringList familiesOf(const QStringList &listed) {
    QStringList families = FontFamily::distinct(listed);
    families.removeIf([](const QString &f) { return f.startsWith(u'.'); });
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(families.begin(), families.end(),
              [&collator](const QString &a, const QString &b) { return collator(a, b); });
    return families;
}

QStringList installedFamilies() {
    // The real catalog hands out the same shared list each time, which compares equal at once.
    QStringList listed = platform::FontCatalog::shared().families();
    QMutexLocker lock(&installedMutex);
    if (!installed || installed->listed != listed) {
        QStringList families = familiesOf(listed);
        installed = Installed{std::move(listed), std::move(families)};
    }
    return installed->families;
}

bool isInstalled(const QString &family) {
    const QStringList families = installedFamilies();
    return std::any_of(families.begin(), families.end(),
                       [&family](const QString &f) { return FontFamily::same(f, family); });
}

quint32 readableAccent(quint32 primary, quint32 background, quint32 text) {
    return std::abs(lumaOf(primary) - lumaOf(background)) < 0.15 ? text : primary;
}

} // namespace BrandImporter
