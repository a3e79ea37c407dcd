#pragma once

// Screenshots of real interfaces with the text they show: Qt widgets rendered offscreen at run time
// (a settings form, an order table, an editor with an open menu, a log in an 11 px monospace font, a
// customer page full of personal data; buttons in brand colours, badges, avatars with initials; light
// and dark, 1x and 2x). Each line of text comes with the box of the widget or item that shows it.
// Shared by the core tests and the recognition benchmark.

#include "platform/TextEngine.h"

#include <QHash>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <optional>

namespace corpus {

// What a line is, for the checks that single some lines out.
enum class Role {
    text,
    onFill,       // light text on a coloured or dark fill: buttons, badges, selected rows, top bars
    avatarName,   // the name beside an avatar
    sensitive,    // a value the sensitive-data finder must cover
    notSensitive, // a date, amount, postcode or order number it must leave alone
};

struct TruthLine {
    QString text;
    QRectF box; // the widget or element showing the line, in image pixels
    Role role = Role::text;
    QRectF ink; // sensitive and notSensitive values: the box of their own pixels
};

struct Screen {
    QString name;
    QImage image;
    QList<TruthLine> lines;
    bool smallText = false; // the 11 px log, read to a lower bar
    QString kind = {};      // pages built to check one thing, grouped by it (layoutScreens)
    QStringList copy = {};  // when not empty: the lines the copied text holds, in order
};

// Built at every call from real widgets (needs the QApplication the tests and benchmarks make).
QList<Screen> widgetScreens();

// Pages of how a screen is laid out (RecognitionCorpusLayouts.cpp), light and dark, 1x and 2x: a mail
// client's outlined buttons, chips and toggle switches (kind "botoes"), a customer record of label and
// value rows ("linhas"), two windows side by side ("janelas") and a sidebar beside a form ("barra").
// Every one says what its copy holds.
QList<Screen> layoutScreens();

// Logs, file lists and spreadsheets of small text on alternating row colours (RecognitionCorpusTables.cpp);
// with `striped` false, the same pages on their first row's colour alone, without grid lines.
QList<Screen> tableScreens(bool striped = true);

// A 1920 × 1080 screen tiled with four terminals of 13 px monospace text, light on dark: a shell
// listing files, a build log, a version history and a process table (RecognitionCorpusTerminals.cpp).
Screen terminalsScreen();

struct Word {
    QString text;
    QRectF box;
};

// The words of read lines with the boxes of their characters.
QList<Word> wordsOf(const QList<platform::TextLine> &lines);

struct Score {
    int words = 0, found = 0;
    int marks = 0, marksFound = 0;            // the characters the finder depends on: _ - @ . /
    QHash<QChar, std::pair<int, int>> byMark; // each of them: how many there are, how many were kept
    QStringList missed;
    double recall() const { return words ? double(found) / words : 1.0; }
    double markRecall() const { return marks ? double(marksFound) / marks : 1.0; }
    Score &operator+=(const Score &other);
};

// Every word of a line must be among the read words whose centre lies in the line's box (each read
// word counts once); marks are counted on the best alignment of the line with those words.
Score score(const Screen &screen, const QList<Word> &read, std::optional<Role> only = std::nullopt);

// Read lines over ink another read line covers too (the larger of each pair, once): a box read around
// a button as well as its text, or a scrap over a real line.
int duplicatedLines(const QList<platform::TextLine> &read);

// Read lines that lie on no text of the screen: a switch or an icon read as characters.
int phantomLines(const Screen &screen, const QList<platform::TextLine> &read);

// How many of the screen's copy lines the copied text holds whole (neither split nor run into another
// line), and how many of those come in the right order (the longest run in order).
struct Order {
    int lines = 0, whole = 0, inOrder = 0;
    double right() const { return lines ? double(inOrder) / lines : 1.0; }
};
Order orderOf(const Screen &screen, const QString &copied);

} // namespace corpus
