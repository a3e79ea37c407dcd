#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <QHash>
#include <QLabel>
#include <QRectF>
#include <QStaticText>

class QPainter;
class QWidget;

// `text` in `font` laid out once (wrapped at `width`, or on one line for -1) and kept for the process.
QStaticText laidOutText(const QString &text, const QFont &font, int width = -1);

// Draws one line of `text` in the painter's font and pen within `rect`, placed as QPainter::drawText
// places it with `alignment`; with `elide`, cut with "…" at the right to the rect's width. Laid out (and
// cut) once per text, font and width for the process: a page's tiles and buttons are made anew for
// every capture, and shaping their texts at each first paint took a share of it. GUI thread only.
void drawLaidOutLine(QPainter &p, const QRectF &rect, Qt::Alignment alignment, const QString &text, bool elide = false);

// A label that lays its plain text out once per text, font and width for the process and draws it
// from then on, as QLabel would; anything else (our own rich or Markdown text, pictures, frames,
// margins, selectable text, other alignments than to the left) QLabel draws. Its text is plain from the start, unlike
// QLabel's, which guesses: names and titles from the user or other programs hold markup at times (a picture from a FIFO
// would block the GUI thread). A label of our own rich text asks for it with setTextFormat and builds
// that text from escaped pieces.
class PlainLabel : public QLabel {
    Q_OBJECT
public:
    explicit PlainLabel(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    explicit PlainLabel(const QString &text, QWidget *parent = nullptr, Qt::WindowFlags flags = {});

protected:
    void paintEvent(QPaintEvent *event) override;
};

// A plain label in a font and colour of the theme.
QLabel *themedLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent = nullptr);

// A one-line plain label that ends in "…" where it has less room than its text, and then shows the whole
// text as its tooltip. It asks for no width of its own: a long name never widens what holds it.
class ElidingLabel : public PlainLabel {
    Q_OBJECT
public:
    using PlainLabel::PlainLabel;
    QSize minimumSizeHint() const override { return {0, PlainLabel::minimumSizeHint().height()}; }
    // Whether the text is cut at the label's width now.
    bool isCut() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
};

// An ElidingLabel in a font and colour of the theme.
QLabel *elidedLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent = nullptr);

// A word-wrapping label that remembers its height at the widths it was asked for: nested layouts ask
// a wrapping label for its height many times while they settle, and each answer lays the text out.
class WrappingLabel : public PlainLabel {
    Q_OBJECT
public:
    using PlainLabel::PlainLabel;
    int heightForWidth(int width) const override;
    // Measured once on one line, not at several trial widths: as wide as that line up to 80
    // characters, and at least one line high.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

private:
    mutable QString m_text;
    mutable QFont m_font;
    mutable QHash<int, int> m_heights;
};

// A WrappingLabel in a font and colour of the theme.
QLabel *wrappingLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent = nullptr);
