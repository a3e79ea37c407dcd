#include "brand/BrandImporter.h"

#include "core/Luma.h"

#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>
#include <vector>

namespace BrandImporter {

namespace {

constexpr int maxJsonDepth = 64;
constexpr qsizetype maxPiece = 1000;

struct Entry {
    QString label; // lower case
    quint32 color;
};

// What a reader has found so far.
struct Found {
    QList<Entry> entries;
    std::optional<QString> font;
    std::optional<QString> name;
};

struct Role {
    std::initializer_list<QStringView> keywords;
    std::initializer_list<QStringView> avoided;
};

const Role primaryRole{
    {u"primary", u"primária", u"primaria", u"principal", u"brand", u"marca", u"accent", u"destaque"},
    {u"on-", u"on_", u"onsurface", u"onprimary", u"onsecondary", u"onbackground", u"text", u"texto", u"foreground"}};
const Role secondaryRole{
    {u"secondary", u"secundária", u"secundaria", u"complementar"},
    {u"on-", u"on_", u"onsurface", u"onprimary", u"onsecondary", u"onbackground", u"text", u"texto"}};
const Role backgroundRole{{u"background", u"surface", u"fundo", u"bg", u"canvas"},
                          {u"on-", u"on_", u"onsurface", u"onprimary", u"onsecondary", u"onbackground"}};
const Role textRole{{u"text", u"texto", u"foreground", u"on-surface", u"onsurface", u"ink", u"fg"}, {u"link", u"pink"}};

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

// The code point that ends just before `i` / starts at `i` is a letter.
bool letterBefore(QStringView s, qsizetype i) {
    if (i <= 0) return false;
    if (i >= 2 && s[i - 1].isLowSurrogate() && s[i - 2].isHighSurrogate())
        return QChar::isLetter(QChar::surrogateToUcs4(s[i - 2], s[i - 1]));
    return s[i - 1].isLetter();
}
bool letterAt(QStringView s, qsizetype i) {
    if (i >= s.size()) return false;
    if (i + 1 < s.size() && s[i].isHighSurrogate() && s[i + 1].isLowSurrogate())
        return QChar::isLetter(QChar::surrogateToUcs4(s[i], s[i + 1]));
    return s[i].isLetter();
}

// Whether `label`, cut into words at every character that is not a letter, has `word` among them.
bool hasWord(QStringView label, QStringView word) {
    if (word.isEmpty() || !std::all_of(word.begin(), word.end(), [](QChar c) { return c.isLetter(); })) return false;
    for (qsizetype at = label.indexOf(word); at >= 0; at = label.indexOf(word, at + 1)) {
        if (!letterBefore(label, at) && !letterAt(label, at + word.size())) return true;
    }
    return false;
}

// The entries whose label holds a keyword of some role, in order: no other entry can take a role.
// One scan per label instead of one per keyword and role keeps large style sheets quick.
std::vector<const Entry *> entriesWithKeywords(const QList<Entry> &entries) {
    static const QRegularExpression anyKeyword = [] {
        QStringList words;
        for (const Role *role : {&primaryRole, &secondaryRole, &backgroundRole, &textRole})
            for (QStringView k : role->keywords) words << QRegularExpression::escape(k.toString());
        QRegularExpression re(words.join(u'|'));
        re.optimize();
        return re;
    }();
    std::vector<const Entry *> found;
    for (const Entry &e : entries)
        if (anyKeyword.match(e.label).hasMatch()) found.push_back(&e);
    return found;
}

// How a label answers a role: 0 passed over (an avoided text, or no keyword), 1 a keyword as a whole
// word, 2 a keyword only inside a longer word.
int verdict(QStringView label, const Role &role) {
    if (std::any_of(role.avoided.begin(), role.avoided.end(), [label](QStringView a) { return label.contains(a); }))
        return 0;
    if (std::any_of(role.keywords.begin(), role.keywords.end(), [label](QStringView k) { return hasWord(label, k); }))
        return 1;
    if (std::any_of(role.keywords.begin(), role.keywords.end(), [label](QStringView k) { return label.contains(k); }))
        return 2;
    return 0;
}

// The first entry with a keyword as a whole word, else the first with a keyword inside a word.
std::optional<quint32> find(const std::vector<const Entry *> &entries, const Role &role) {
    QHash<QString, int> known; // style sheets repeat the same labels many times over
    std::optional<quint32> inside;
    for (const Entry *e : entries) {
        auto it = known.constFind(e->label);
        if (it == known.constEnd()) it = known.insert(e->label, verdict(e->label, role));
        if (*it == 1) return e->color;
        if (*it == 2 && !inside) inside = e->color;
    }
    return inside;
}

QString installedFamily(const QString &name) {
    for (const QString &family : installedFamilies())
        if (family.compare(name, Qt::CaseInsensitive) == 0) return family;
    return name;
}

Result assign(const Found &found) {
    Result r;
    if (found.font) r.fontFamily = installedFamily(*found.font);
    r.name = found.name;
    r.colorCount = int(std::min<qsizetype>(found.entries.size(), std::numeric_limits<int>::max()));
    const std::vector<const Entry *> telling = entriesWithKeywords(found.entries);
    r.primary = find(telling, primaryRole);
    r.secondary = find(telling, secondaryRole);
    r.background = find(telling, backgroundRole);
    r.text = find(telling, textRole);

    QList<quint32> distinct;
    QSet<quint32> seen;
    for (const Entry &e : found.entries)
        if (!seen.contains(e.color)) seen.insert(e.color), distinct.append(e.color);
    if (!r.primary && !distinct.isEmpty()) r.primary = distinct.first();
    if (!r.secondary) {
        for (quint32 c : distinct)
            if (c != r.primary) {
                r.secondary = c;
                break;
            }
    }
    if (!distinct.isEmpty()) {
        const auto byLuma = [](quint32 a, quint32 b) { return lumaOf(a) < lumaOf(b); };
        // max_element gives the last of equals; the first of equally light ones is wanted.
        const quint32 lightest = *std::max_element(distinct.rbegin(), distinct.rend(), byLuma);
        const quint32 darkest = *std::min_element(distinct.begin(), distinct.end(), byLuma);
        if (!r.background && lumaOf(lightest) > 0.8) r.background = lightest;
        if (!r.text && lumaOf(darkest) < 0.25) r.text = darkest;
    }
    return r;
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
    if (piece.isEmpty()) return std::nullopt;
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
            std::vector<std::pair<QString, QJsonValue>> members;
            members.reserve(size_t(object.size()));
            for (auto it = object.begin(); it != object.end(); ++it) members.emplace_back(it.key(), it.value());
            const auto less = [](const auto &a, const auto &b) { return codePointLess(a.first, b.first); };
            if (!std::is_sorted(members.begin(), members.end(), less)) std::sort(members.begin(), members.end(), less);
            for (const auto &[key, member] : members) {
                const qsizetype length = enter(key);
                walk(member, depth + 1);
                leave(length);
            }
        } else if (value.isArray()) {
            const QJsonArray array = value.toArray();
            for (qsizetype i = 0; i < array.size(); ++i) {
                const qsizetype length = enter(QString::number(i));
                walk(array.at(i), depth + 1);
                leave(length);
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

    // Appends a path segment to the key; returns what `leave` takes to take it off again.
    qsizetype enter(const QString &segment) {
        const qsizetype length = m_key.size();
        if (m_segments++ > 0) m_key += u'.';
        m_key += segment.toLower();
        return length;
    }
    void leave(qsizetype length) {
        m_key.truncate(length);
        --m_segments;
    }

    void visit(const QJsonValue &value) {
        const QString &key = m_key;
        if (value.isString()) {
            const QString s = value.toString();
            if (const auto color = hexColor(s)) {
                m_found.entries.append({key, *color});
            } else if (!m_found.font && key.contains(u"font") &&
                       (key.contains(u"famil") || key.endsWith(u"font"))) {
                m_found.font = firstFamily(s);
            }
        } else if (!m_found.font && value.isArray() && key.contains(u"famil")) {
            const QJsonArray array = value.toArray();
            if (!array.isEmpty() && array.first().isString()) m_found.font = firstFamily(array.first().toString());
        }
    }

    Found &m_found;
    QString m_key; // the path so far, joined with "." and in lower case
    int m_segments = 0;
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
    if (!line.startsWith(u"# ")) return std::nullopt;
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
    if (a == b) return std::nullopt;
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

void readPiece(QStringView piece, Found &found) {
    static const QRegularExpression colorPattern(
        QStringLiteral(R"(#([0-9a-fA-F]{8}|[0-9a-fA-F]{6}|[0-9a-fA-F]{3})\b)"),
        QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression fontPattern(
        QStringLiteral(R"((?:font-family|fontFamily|font family|typeface|tipografia|fonte|font))"
                       R"((?![-_ ]?(?:size|weight|style|height|stretch|variant|feature|display|smoothing|kerning)))"
                       R"([^:\n]*[:=]\s*([^;\n]+))"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);

    if (piece.contains(u'#')) {
        QString line;
        for (auto it = colorPattern.globalMatch(piece); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            const QString matched = m.captured(0);
            const auto color = hexColor(matched);
            if (!color) continue;
            if (line.isNull()) line = piece.toString();
            QString label = line;
            label.remove(matched);
            found.entries.append({std::move(label).toLower(), *color});
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
    QFile file(path);
    if (!QFileInfo(path).isFile() || file.size() > maxFileBytes || !file.open(QIODevice::ReadOnly)) return {};
    return parseData(file.read(maxFileBytes + 1));
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
    const QStringView all(text);
    qsizetype start = 0;
    while (start <= all.size()) {
        qsizetype end = start;
        while (end < all.size() && !isLineBreak(all[end])) ++end;
        const QStringView line = all.sliced(start, end - start);
        if (!found.name) found.name = headingName(line);
        forEachPiece(line, [&found](QStringView piece) { readPiece(piece, found); });
        start = end + 1;
    }
    return assign(found);
}

std::optional<quint32> hexColor(const QString &text) {
    QStringView s = QStringView(text).trimmed();
    if (!s.startsWith(u'#')) return std::nullopt;
    s = s.sliced(1);
    if (s.size() == 8) s.chop(2);
    if (s.size() != 3 && s.size() != 6) return std::nullopt;
    quint32 value = 0;
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        const int digit = u >= u'0' && u <= u'9' ? u - u'0'
                          : u >= u'a' && u <= u'f' ? u - u'a' + 10
                          : u >= u'A' && u <= u'F' ? u - u'A' + 10
                                                   : -1;
        if (digit < 0) return std::nullopt;
        value = s.size() == 3 ? value << 8 | quint32(digit) * 0x11 : value << 4 | quint32(digit);
    }
    return value;
}

const QStringList &installedFamilies() {
    static QMutex mutex;
    static std::optional<QStringList> families;
    QMutexLocker lock(&mutex);
    if (!families) {
        // The font database needs the GUI application; without one (a command-line tool) nothing is
        // installed as far as this knows, and the next call asks again.
        static const QStringList none;
        if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) return none;
        QStringList all = QFontDatabase::families();
        all.removeIf([](const QString &f) { return f.startsWith(u'.'); });
        QCollator collator;
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::sort(all.begin(), all.end(), [&collator](const QString &a, const QString &b) { return collator(a, b); });
        families = std::move(all);
    }
    return *families;
}

bool isInstalled(const QString &family) {
    const QStringList &families = installedFamilies();
    return std::any_of(families.begin(), families.end(),
                       [&family](const QString &f) { return f.compare(family, Qt::CaseInsensitive) == 0; });
}

quint32 readableAccent(quint32 primary, quint32 background, quint32 text) {
    return std::abs(lumaOf(primary) - lumaOf(background)) < 0.15 ? text : primary;
}

} // namespace BrandImporter
