#pragma once

#include "brand/LabelWords.h"

#include <QString>

#include <optional>
#include <vector>

// The labels of the colours found in one piece of a line of text: the piece without every occurrence
// of the colour's text, in lower case. Only the words of the role tables each label holds are
// worked out, from the words of the whole piece and what changes around the occurrences taken out,
// so that a piece full of different colours costs about as much as its length, not its length once
// per colour.
namespace BrandImporter::Labels {

class PieceLabels {
public:
    // Starts on a new piece (the buffers of the last one are kept for it).
    void reset(QStringView piece);

    // The words of the tables in the label of a colour whose matched text is `matched` (a "#" and hex
    // digits, as the colour pattern finds them) in the piece last given to reset.
    WordsSeen wordsWithout(QStringView matched);

private:
    struct Sighting {
        qsizetype at; // where the word starts in the lower-case piece
        qsizetype length;
        int word;
        bool whole;
    };
    // Counts of each word's sightings, anywhere and as a whole word.
    struct Tally {
        std::array<int, wordCount> anywhere{};
        std::array<int, wordCount> whole{};
        void add(int word, bool isWhole, int by) {
            anywhere[size_t(word)] += by;
            if (isWhole) whole[size_t(word)] += by;
        }
        WordsSeen seen() const;
    };
    // A "#" and the ASCII characters after it, as one number; a text with other characters has none.
    struct Run {
        quint64 key;
        qsizetype at;
        auto operator<=>(const Run &) const = default;
    };
    static std::optional<quint64> keyOf(QStringView text);

    void lowerCase();
    WordsSeen quickly(qsizetype firstRun, qsizetype endRun, qsizetype length);
    WordsSeen slowly(QStringView matched) const;

    QStringView m_piece;
    QString m_lower;                    // the piece in lower case, one code point at a time
    std::vector<qsizetype> m_lowerAt;   // for each position of the piece, where it is in m_lower
    std::vector<Sighting> m_sightings;  // in the order of where they start
    std::vector<qsizetype> m_firstFrom; // for each position of m_lower, the first sighting starting there or later
    Tally m_tally;                      // over the whole piece
    std::vector<Run> m_runs;            // every "#" with 3, 6 or 8 characters after it, by text then place
    std::vector<std::optional<WordsSeen>> m_known; // by the first run of the matched text
    std::vector<quint32> m_mark;                   // per sighting: the call that took it off last
    quint32 m_calls = 0;
    // Kept between calls for their room.
    QString m_label;
    std::vector<qsizetype> m_joins;
};

} // namespace BrandImporter::Labels
