#include "widgets/ControlState.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

namespace {

// Follows the control's enabled state with its cursor.
class PointingCursor final : public QObject {
public:
    explicit PointingCursor(QWidget *control) : QObject(control), m_control(control) {
        control->installEventFilter(this);
        follow();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched == m_control && event->type() == QEvent::EnabledChange) follow();
        return false;
    }

private:
    void follow() { m_control->setCursor(m_control->isEnabled() ? Qt::PointingHandCursor : Qt::ArrowCursor); }
    QWidget *m_control;
};

} // namespace

namespace ControlState {

void dimWhileDisabled(QPainter &painter, const QWidget &control) {
    if (!control.isEnabled()) painter.setOpacity(painter.opacity() * disabledOpacity);
}

bool isHovered(const QWidget &control) { return control.isEnabled() && control.underMouse(); }

void pointWhileEnabled(QWidget *control) { new PointingCursor(control); }

} // namespace ControlState
