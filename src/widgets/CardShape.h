#pragma once

#include <QObject>
#include <QPainterPath>
#include <QRegion>

#include <functional>

class QWidget;

// The outline of a frameless window that shows a rounded card. While a compositing manager runs, the
// window stays see-through around its card (its shadow may lie there). Without one, see-through pixels
// show black, so the window is cut to its card through a mask (the X Shape extension) and paints the card
// with nothing see-through at its edge. Either way only the card takes the pointer (the Shape extension's
// input region): a click on the shadow or a rounded corner reaches what lies beneath, a tray icon say; a
// window that asks for no input (Qt::WindowTransparentForInput) lets every click through. The shape
// follows the compositor as it comes and goes, and the window as it is shown and resized; the window
// repaints when it is cut or let free.
class CardShape final : public QObject {
    Q_OBJECT
public:
    // `card`: the card's outline in the window's coordinates, asked each time the shape is set.
    // `translucent`: whether see-through pixels show what lies beneath now (by default, whether a
    // compositor runs).
    CardShape(QWidget *window, std::function<QPainterPath()> card, std::function<bool()> translucent = {});

    // Whether the window is cut to its card now.
    bool cut() const { return m_cut; }
    // Asks again whether a compositor runs, and sets or clears the mask.
    void refresh();

    // The mask for a card: the pixels whose centres lie inside it; none (empty) where see-through pixels
    // show what lies beneath.
    static QRegion mask(const QPainterPath &card, bool translucent);

    // Where a window with this geometry goes so that the whole of it, shadow margin included, lies inside
    // `area` (a screen's available area): moved in by what it overruns; one larger than the area keeps its
    // top left inside.
    static QPoint keptInside(const QRect &window, const QRect &area);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool takesInput() const;

    QWidget *m_window;
    std::function<QPainterPath()> m_card;
    std::function<bool()> m_translucent;
    bool m_cut = false;
};
