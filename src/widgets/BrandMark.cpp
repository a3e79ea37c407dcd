#include "widgets/BrandMark.h"

#include <QPainter>
#include <QSvgRenderer>

BrandMark::BrandMark(int size, QWidget *parent) : QWidget(parent), m_size(size) {
    setFixedSize(size, size);
    setAccessibleName(QString()); // decorative
}

void BrandMark::paintEvent(QPaintEvent *) {
    static QSvgRenderer renderer(QStringLiteral(":/images/Logo.svg"));
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    // Stretched to the square, not fitted: a non-square mark fills it.
    renderer.setAspectRatioMode(Qt::IgnoreAspectRatio);
    renderer.render(&p, QRectF(rect()));
}
