#pragma once

#include "core/Backdrop.h"

#include <QWidget>

class QPainter;

// A backdrop previewed as a tile of whatever size it is given, clipped to a rounded rectangle with
// continuous corners. Mesh previews are computed small (40 or 96 pixels on the long side) each time.
class BackdropSwatch : public QWidget {
    Q_OBJECT
public:
    BackdropSwatch(const Backdrop &backdrop, qreal cornerRadius, QWidget *parent = nullptr);
    const Backdrop &backdrop() const { return m_backdrop; }
    void setBackdrop(const Backdrop &backdrop);
    qreal cornerRadius() const { return m_cornerRadius; }
    void setCornerRadius(qreal radius);

    // The same tile for views that draw themselves.
    static void paint(QPainter &painter, const QRectF &rect, const Backdrop &backdrop, qreal cornerRadius);
    // The mesh preview's resolution for a tile width: 96 above 120 points, else 40.
    static int meshResolution(qreal width) { return width > 120 ? 96 : 40; }
    // The aspect a mesh preview is computed for: w ÷ h, or w when h is 1 or less.
    static double meshAspect(QSizeF size) { return size.height() > 1 ? size.width() / size.height() : size.width(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Backdrop m_backdrop;
    qreal m_cornerRadius;
};
