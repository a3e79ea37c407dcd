#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// What a person would see wrong on a window as it is painted now: a text cut by the space it is drawn in
// (clipped, or shortened with "…" by a widget that gives no tooltip with the whole text), two visible
// sibling controls on top of each other, a widget reaching past its parent (where it is cut), or a
// widget carrying a graphics effect inside another's (drawn from a picture taken where it was, not
// where it is). One line per fault, naming the widget and the numbers.
QStringList layoutFaults(QWidget &window);

// The window as painted, saved as a PNG at `path` (folders made as needed).
bool saveWindowPicture(QWidget &window, const QString &path);

// A short name of a widget for a report: class, object name and text.
QString describeWidget(const QWidget *widget);
