#pragma once

#include <QApplication>
#include <QWheelEvent>
#include <QWidget>
#include <QtTest/qtestspontaneevent.h>

namespace testsupport {

// One notch of a mouse wheel (away from the user for a positive `notches`) at `local` in `widget`,
// delivered as the window system's are: to the widget, then on to its parents while it is left
// unaccepted (an event sent from code would stop at the first).
inline void wheelOn(QWidget *widget, int notches, QPointF local) {
    QWheelEvent event(local, widget->mapToGlobal(local), QPoint(), QPoint(0, 120 * notches), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QSpontaneKeyEvent::setSpontaneous(&event);
    qApp->notify(widget, &event);
}

inline void wheelOn(QWidget *widget, int notches) { wheelOn(widget, notches, QRectF(widget->rect()).center()); }

// The same over whatever is under `pos` of the top-level `window`.
inline void wheelAt(QWidget *window, QPoint pos, int notches) {
    QWidget *under = window->childAt(pos);
    if (!under) under = window;
    wheelOn(under, notches, under->mapFrom(window, QPointF(pos)));
}

} // namespace testsupport
