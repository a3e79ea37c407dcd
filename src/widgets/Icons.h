#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The application's icons, looked up by symbol name ("doc.on.doc", "chevron.right"). They are our own
// SVG drawings in the resources, drawn in `currentColor` and tinted at lookup.
namespace Icons {

bool exists(const QString &name);
// A tinted pixmap of `size` logical pixels at the given device pixel ratio; a null pixmap for an
// unknown name.
QPixmap pixmap(const QString &name, int size, const QColor &color, qreal devicePixelRatio = 1.0);
QIcon icon(const QString &name, const QColor &color);
// The tray icon: a light mark with a dark rim, visible on light and dark panels alike.
QIcon trayIcon();

} // namespace Icons
