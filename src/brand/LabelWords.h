#pragma once

#include "brand/BrandImporter.h"

#include <QStringView>

#include <array>
#include <optional>

// The words of the token importer's role tables (the keywords of each role and the texts it passes
// over) as a label holds them, and the roles picked from colour entries as they come. Only what the
// choice needs is kept: a few bits per label and a colour per role, never the labels themselves, so
// that a file with a million colours under long labels costs no more than a small one.
namespace BrandImporter::Labels {

// The words of the tables a label holds: anywhere, and as a whole word (the label cut into words at
// every character that is not a letter). One bit per word of the tables.
struct WordsSeen {
    quint64 anywhere = 0;
    quint64 whole = 0;

    WordsSeen &operator|=(const WordsSeen &other) {
        anywhere |= other.anywhere;
        whole |= other.whole;
        return *this;
    }
    bool operator==(const WordsSeen &) const = default;
};

// The longest word of the tables, in UTF-16 units: a word found in a label lies within this many
// units of where it starts, and whether it is a whole word depends on two more on either side.
inline constexpr qsizetype longestWord = 12;

// Words that are not about roles but about fonts: a token whose path holds them may name a family.
enum class FontWord { font, famil };
bool holds(const WordsSeen &words, FontWord word);

// The words of the tables starting at positions `from` … `to` - 1 of the lower-case `label`, judged
// whole against the entire label.
WordsSeen wordsIn(QStringView label, qsizetype from, qsizetype to);

// A word of the tables found at some position of a label.
struct WordAt {
    int word;         // its index: its bit in WordsSeen
    qsizetype length; // in UTF-16 units
    bool whole;       // no letter right before or right after it
};
// The words of the tables that start at `at` in the lower-case `label` (never more than maxWordsAt),
// into `found`; returns how many.
inline constexpr int maxWordsAt = 4;
int wordsAt(QStringView label, qsizetype at, std::array<WordAt, maxWordsAt> &found);

// How many words the tables have; a word's index is its bit in WordsSeen.
inline constexpr int wordCount = 33;

// The roles, chosen from colour entries in the order they are found: for each role the first entry
// whose label has a keyword as a whole word, else the first with a keyword inside a word, skipping
// labels with a text the role passes over; then fallbacks by order and lightness.
class RolePicker {
public:
    // One colour entry; `wordsOfLabel()` gives the words its label holds and is only called while
    // some role can still change.
    template <typename F>
    void add(quint32 color, F &&wordsOfLabel) {
        note(color);
        if (m_open) take(color, wordsOfLabel());
    }

    // Fills the four roles and colorCount of `result`.
    void fill(Result &result) const;

private:
    struct Choice {
        std::optional<quint32> whole;  // the first colour with a keyword as a whole word
        std::optional<quint32> inside; // the first with a keyword only inside a word
    };
    void note(quint32 color);
    void take(quint32 color, const WordsSeen &words);

    std::array<Choice, 4> m_choices;
    bool m_open = true;
    qint64 m_count = 0;
    // The distinct colours, in order of first appearance, as far as the fallbacks need them.
    std::optional<quint32> m_first;
    std::optional<quint32> m_second; // the first that differs from m_first
    quint32 m_lightest = 0, m_darkest = 0;
    double m_lightestLuma = 0, m_darkestLuma = 0;
};

} // namespace BrandImporter::Labels
