#pragma once

// Screenshot-like images of text drawn at run time, with the text they show, and the measures that
// compare a recognised text with it. Shared by the core tests and the recognition benchmark.

#include <QImage>
#include <QString>
#include <QStringList>

namespace textfixtures {

struct Look {
    QString family = QStringLiteral("Inter");
    int pixelSize = 14; // at scale 1
    bool dark = false;
    int columns = 2;
    int scale = 1; // 2 draws the same page at twice the pixels, like a HiDPI capture
    QSize size = QSize(1440, 900); // at scale 1
};

struct Page {
    QImage image;
    QStringList lines; // every drawn line, row by row, left column first within a row
    int words = 0;
};

// A page of Portuguese and English prose (accents included) filling `look.columns` columns.
Page renderPage(const Look &look, quint32 seed);

// `lines` drawn one under another on a plain ground, left aligned, at `look.pixelSize` × scale.
Page renderLines(const QStringList &lines, const Look &look);

struct Accuracy {
    double characterErrorRate = 0; // edit distance of each drawn line to its closest read line
    double wordRecall = 0;         // share of drawn words found among the words read
    double orderScore = 0;         // share of successive drawn lines whose read lines come in order
};

// Misreading and reading order are measured apart: a reader that writes whole columns one after
// the other loses only on orderScore.
Accuracy measure(const QStringList &drawn, const QString &read);

int editDistance(const QString &a, const QString &b);

} // namespace textfixtures
