#include "editor_window/AngleDial.h"

#include "core/Localization.h"
#include "core/WholeNumber.h"
#include "widgets/Theme.h"

#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <numbers>

namespace {

// The dial as a dial: its value is the angle in whole degrees, read out as "90 graus".
class DialAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit DialAccessible(AngleDial *dial) : QAccessibleWidget(dial, QAccessible::Dial) {}

    void *interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ValueInterface) return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value) {
            const auto degrees = truncatedWhole(dial()->angle());
            return degrees == 1 ? L("1 grau") : L(LKey(QStringLiteral("%@ graus"), {QString::number(degrees)}));
        }
        return QAccessibleWidget::text(kind);
    }
    QVariant currentValue() const override { return truncatedWhole(dial()->angle()); }
    void setCurrentValue(const QVariant &value) override {
        bool number = false;
        const double degrees = value.toDouble(&number);
        if (number && std::isfinite(degrees)) dial()->edit(degrees);
    }
    QVariant maximumValue() const override { return 355; }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 5; }

private:
    AngleDial *dial() const { return static_cast<AngleDial *>(widget()); }
};

QAccessibleInterface *dialAccessible(const QString &className, QObject *object) {
    if (className == QLatin1String("AngleDial") && object && object->isWidgetType())
        return new DialAccessible(static_cast<AngleDial *>(object));
    return nullptr;
}

} // namespace

AngleDial::AngleDial(QWidget *parent) : QWidget(parent) {
    static const bool accessible = (QAccessible::installFactory(&dialAccessible), true);
    Q_UNUSED(accessible);
    setFixedSize(64, 64);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(L("Direção do gradiente"));
    setAngle(0);
}

void AngleDial::setAngle(double degrees) {
    const bool changed = truncatedWhole(degrees) != truncatedWhole(m_angle);
    m_angle = degrees;
    if (changed && QAccessible::isActive()) {
        QAccessibleValueChangeEvent event(this, truncatedWhole(degrees));
        QAccessible::updateAccessibility(&event);
    }
    update();
}

void AngleDial::edit(double degrees) {
    const double a = snapped(degrees);
    if (a == m_angle) return;
    setAngle(a);
    emit angleEdited(a);
}

double AngleDial::angleAt(QPointF point, QSizeF size) {
    const double dx = point.x() - size.width() / 2;
    const double dy = size.height() / 2 - point.y(); // upward positive
    return snapped(std::atan2(dx, dy) * 180 / std::numbers::pi);
}

double AngleDial::snapped(double degrees) {
    if (degrees < 0) degrees += 360;
    return std::fmod(std::round(degrees / 5) * 5, 360);
}

void AngleDial::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = std::min(width(), height());
    const QPointF c(width() / 2.0, height() / 2.0);
    const qreal r = s / 2 - 8;
    p.setPen(QPen(Theme::lineStrong(), 1));
    p.setBrush(Theme::raised());
    p.drawEllipse(c, s / 2 - 0.5, s / 2 - 0.5);

    // A stored angle may be anything finite; sin and cos only need it finite.
    const double theta = std::isfinite(m_angle) ? m_angle * std::numbers::pi / 180 : 0;
    const QPointF knob(c.x() + r * std::sin(theta), c.y() - r * std::cos(theta));
    p.setPen(QPen(Theme::accent(), 2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c, knob);
    p.setPen(Qt::NoPen);
    p.setBrush(Theme::accent());
    p.drawEllipse(knob, 5, 5);
    p.setBrush(Theme::text3());
    p.drawEllipse(c, 2, 2);
}

void AngleDial::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const QPointF d = event->position() - QPointF(width() / 2.0, height() / 2.0);
    if (std::hypot(d.x(), d.y()) > std::min(width(), height()) / 2.0) return QWidget::mousePressEvent(event);
    m_dragging = true;
    turnTo(event->position());
}

void AngleDial::mouseMoveEvent(QMouseEvent *event) {
    if (m_dragging) turnTo(event->position());
}

void AngleDial::mouseReleaseEvent(QMouseEvent *event) {
    if (m_dragging && event->button() == Qt::LeftButton) m_dragging = false;
}

void AngleDial::turnTo(QPointF point) { edit(angleAt(point, size())); }
