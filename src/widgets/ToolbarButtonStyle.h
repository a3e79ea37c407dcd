#pragma once

#include <QColor>
#include <QFont>
#include <QSize>

class QPainter;
class QRectF;

// The compact button look of the editor toolbar, the tutorial headers and the recording pill: 28 high,
// the label 10 from either side, a rounded rectangle of radius 7. Plain: raised fill with a hairline,
// regular text. Prominent: accent gradient, ink semibold text, no outline. Opacity 0.8 while pressed; a
// disabled button is dimmed by its painter's opacity (ControlState). It only draws: ToolbarButton carries it, and a
// button with a label of its own (a spinner beside its text) paints its background through it and its
// label in font() and foreground().
struct ToolbarButtonStyle {
    bool prominent = false;

    static constexpr int height = 28;
    static constexpr int inset = 10;

    QFont font() const;
    QColor foreground() const;
    // The size of a button whose label is `labelWidth` wide.
    QSize sizeFor(int labelWidth) const { return {labelWidth + 2 * inset, height}; }
    // Fills and outlines `rect`, then leaves the painter's opacity at 0.8 of what it was when `pressed`
    // so that the label painted next dims with it.
    void paintBackground(QPainter &painter, const QRectF &rect, bool pressed) const;
};
