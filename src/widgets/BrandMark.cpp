#include "widgets/BrandMark.h"

#include <QAccessibleWidget>
#include <QPainter>
#include <QSvgRenderer>

namespace {

// The mark is decoration: screen readers skip it (no role, not shown to them).
class DecorativeAccessible : public QAccessibleWidget {
public:
    explicit DecorativeAccessible(QWidget *widget) : QAccessibleWidget(widget, QAccessible::NoRole) {}
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.invisible = true;
        return s;
    }
    QString text(QAccessible::Text) const override { return {}; }
};

QAccessibleInterface *decorative(const QString &className, QObject *object) {
    if (className != QLatin1String("BrandMark") || !object || !object->isWidgetType()) return nullptr;
    return new DecorativeAccessible(static_cast<QWidget *>(object));
}

} // namespace

BrandMark::BrandMark(int size, QWidget *parent) : QWidget(parent), m_size(size) {
    static const bool installed = (QAccessible::installFactory(&decorative), true);
    Q_UNUSED(installed);
    setFixedSize(size, size);
}

QPainterPath BrandMark::silhouette() const {
    // The picture's square: 120 of its 128 units, 4 in from each edge, corners of 30.
    const qreal unit = width() / 128.0;
    QPainterPath path;
    path.addRoundedRect(QRectF(4 * unit, 4 * unit, 120 * unit, 120 * unit), 30 * unit, 30 * unit);
    return path;
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
