#pragma once

#include "brand/LabelWords.h"

#include <QString>

#include <vector>

// The path of a JSON token as the importer's walk goes down and up again: its keys joined with "." in
// lower case, with the words of the role tables it holds kept step by step. What a value's label holds
// then costs no more than the last few characters, however long and deep the keys above it are.
namespace BrandImporter::Labels {

class TokenPath {
public:
    // Appends a key (in lower case, after a "." unless it is the first).
    void enter(QStringView key);
    // Takes the last key off again.
    void leave();

    const QString &label() const { return m_label; }
    // The words of the tables the label holds.
    WordsSeen words() const;

private:
    // Words starting before this are settled: the characters that decide whether they are whole
    // words are all there, and what is appended later cannot change them.
    static qsizetype settledBefore(qsizetype length) { return std::max<qsizetype>(0, length - longestWord - 2); }

    struct Step {
        qsizetype length; // of the label before the key
        WordsSeen settled;
    };
    QString m_label;
    std::vector<Step> m_steps;
    WordsSeen m_settled; // the words starting before settledBefore(m_label.size())
};

} // namespace BrandImporter::Labels
