#include "brand/LabelWords.h"

#include "core/Luma.h"

#include <algorithm>
#include <bit>
#include <initializer_list>
#include <limits>

namespace BrandImporter::Labels {

namespace {

// Every word of the tables once; a word's index here is its bit.
constexpr std::array<std::u16string_view, wordCount> words{
    u"primary",      u"primária",  u"primaria",   u"principal",  u"brand",        u"marca",      u"accent",
    u"destaque",     u"secondary", u"secundária", u"secundaria", u"complementar", u"background", u"surface",
    u"fundo",        u"bg",        u"canvas",     u"text",       u"texto",        u"foreground", u"on-surface",
    u"onsurface",    u"ink",       u"fg",         u"on-",        u"on_",          u"onprimary",  u"onsecondary",
    u"onbackground", u"link",      u"pink",       u"font",       u"famil"};

constexpr int indexOf(std::u16string_view word) {
    for (int i = 0; i < wordCount; ++i)
        if (words[size_t(i)] == word) return i;
    return -1;
}
constexpr quint64 maskOf(std::initializer_list<std::u16string_view> list) {
    quint64 mask = 0;
    for (std::u16string_view w : list) mask |= quint64(1) << indexOf(w);
    return mask;
}
static_assert(std::all_of(words.begin(), words.end(),
                          [](std::u16string_view w) { return qsizetype(w.size()) <= longestWord; }));
static_assert(indexOf(u"famil") == wordCount - 1);

struct Role {
    quint64 keywords;
    quint64 avoided;
};
// Primary, secondary, background and text, in the order of Result.
constexpr std::array<Role, 4> roles{
    Role{maskOf({u"primary", u"primária", u"primaria", u"principal", u"brand", u"marca", u"accent", u"destaque"}),
         maskOf({u"on-", u"on_", u"onsurface", u"onprimary", u"onsecondary", u"onbackground", u"text", u"texto",
                 u"foreground"})},
    Role{maskOf({u"secondary", u"secundária", u"secundaria", u"complementar"}),
         maskOf({u"on-", u"on_", u"onsurface", u"onprimary", u"onsecondary", u"onbackground", u"text", u"texto"})},
    Role{maskOf({u"background", u"surface", u"fundo", u"bg", u"canvas"}),
         maskOf({u"on-", u"on_", u"onsurface", u"onprimary", u"onsecondary", u"onbackground"})},
    Role{maskOf({u"text", u"texto", u"foreground", u"on-surface", u"onsurface", u"ink", u"fg"}),
         maskOf({u"link", u"pink"})}};

// The words by their first letter (every word starts with a lower-case ASCII letter).
constexpr std::array<quint64, 26> byFirstLetter = [] {
    std::array<quint64, 26> table{};
    for (int i = 0; i < wordCount; ++i) table[size_t(words[size_t(i)].front() - u'a')] |= quint64(1) << i;
    return table;
}();

// Words that are not all letters are never whole words.
constexpr quint64 lettersOnly = [] {
    quint64 mask = 0;
    for (int i = 0; i < wordCount; ++i)
        if (words[size_t(i)].find_first_of(u"-_") == std::u16string_view::npos) mask |= quint64(1) << i;
    return mask;
}();

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

} // namespace

bool holds(const WordsSeen &seen, FontWord word) {
    return seen.anywhere >> indexOf(word == FontWord::font ? u"font" : u"famil") & 1;
}

int wordsAt(QStringView label, qsizetype at, std::array<WordAt, maxWordsAt> &found) {
    const char16_t first = label[at].unicode();
    if (first < u'a' || first > u'z') return 0;
    int count = 0;
    const qsizetype room = label.size() - at;
    const QChar *rest = label.data() + at;
    for (quint64 candidates = byFirstLetter[size_t(first - u'a')]; candidates != 0; candidates &= candidates - 1) {
        const int word = std::countr_zero(candidates);
        const std::u16string_view text = words[size_t(word)];
        const qsizetype length = qsizetype(text.size());
        if (length > room) continue;
        qsizetype k = 1;
        while (k < length && rest[k].unicode() == text[size_t(k)]) ++k;
        if (k < length) continue;
        const bool whole = (lettersOnly >> word & 1) && !letterBefore(label, at) && !letterAt(label, at + length);
        found[size_t(count++)] = {word, length, whole};
        if (count == maxWordsAt) break;
    }
    return count;
}

WordsSeen wordsIn(QStringView label, qsizetype from, qsizetype to) {
    WordsSeen seen;
    std::array<WordAt, maxWordsAt> found;
    for (qsizetype at = std::max<qsizetype>(from, 0); at < std::min(to, label.size()); ++at) {
        const int count = wordsAt(label, at, found);
        for (int i = 0; i < count; ++i) {
            seen.anywhere |= quint64(1) << found[size_t(i)].word;
            if (found[size_t(i)].whole) seen.whole |= quint64(1) << found[size_t(i)].word;
        }
    }
    return seen;
}

void RolePicker::note(quint32 color) {
    ++m_count;
    const double luma = lumaOf(color);
    if (!m_first) {
        m_first = color;
        m_lightest = m_darkest = color;
        m_lightestLuma = m_darkestLuma = luma;
        return;
    }
    if (!m_second && color != *m_first) m_second = color;
    // Strictly lighter or darker only: the first of equally light ones stays.
    if (luma > m_lightestLuma) m_lightest = color, m_lightestLuma = luma;
    if (luma < m_darkestLuma) m_darkest = color, m_darkestLuma = luma;
}

void RolePicker::take(quint32 color, const WordsSeen &seen) {
    bool open = false;
    for (size_t i = 0; i < roles.size(); ++i) {
        Choice &choice = m_choices[i];
        if (choice.whole) continue;
        const Role &role = roles[i];
        if (!(seen.anywhere & role.avoided)) {
            if (seen.whole & role.keywords) choice.whole = color;
            else if ((seen.anywhere & role.keywords) && !choice.inside) choice.inside = color;
        }
        open = open || !choice.whole;
    }
    m_open = open;
}

void RolePicker::fill(Result &result) const {
    result.colorCount = int(std::min<qint64>(m_count, std::numeric_limits<int>::max()));
    std::array<std::optional<quint32>, 4> chosen;
    for (size_t i = 0; i < roles.size(); ++i) chosen[i] = m_choices[i].whole ? m_choices[i].whole : m_choices[i].inside;
    auto &[primary, secondary, background, text] = chosen;
    if (!primary) primary = m_first;
    // The first distinct colour other than the primary.
    if (!secondary) secondary = m_first && *m_first != primary ? m_first : m_second;
    if (m_first && !background && m_lightestLuma > 0.8) background = m_lightest;
    if (m_first && !text && m_darkestLuma < 0.25) text = m_darkest;
    result.primary = primary;
    result.secondary = secondary;
    result.background = background;
    result.text = text;
}

} // namespace BrandImporter::Labels
