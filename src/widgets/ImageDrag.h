#pragma once

#include <QImage>
#include <QSizeF>

class QMimeData;
class QWidget;

// Dragging a picture out of one of our views into another program.
namespace ImageDrag {

// Runs a copy drag from `source` carrying `data` (the drag takes it), under the pointer a picture of
// `picture` at half the size it is `shown` at. Returns when the drag ends.
void start(QWidget *source, QMimeData *data, const QImage &picture, QSizeF shown);

} // namespace ImageDrag
