#include "widgets/WheelGuard.h"

#include <QFocusEvent>
#include <QWidget>

namespace {

const QString kName = QStringLiteral("wheelGuard");

class Guard final : public QObject {
public:
    explicit Guard(QWidget *control) : QObject(control), m_control(control) {
        setObjectName(kName);
        control->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (watched != m_control) return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: m_chosen = true; break;
        case QEvent::FocusIn:
            // The focus a window hands its first control as it comes up, or code gives, is not the
            // user's; a click or a tab is.
            switch (static_cast<QFocusEvent *>(event)->reason()) {
            case Qt::MouseFocusReason:
            case Qt::TabFocusReason:
            case Qt::BacktabFocusReason:
            case Qt::ShortcutFocusReason: m_chosen = true; break;
            default: break;
            }
            break;
        case QEvent::FocusOut: {
            // Into its own list, or away with its window: it comes back as it left.
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) m_chosen = false;
            break;
        }
        case QEvent::Wheel:
            if (m_chosen && m_control->hasFocus()) return false;
            // Left unaccepted, Qt hands the event on to the control's parents (a real wheel's only).
            event->ignore();
            return true;
        default: break;
        }
        return false;
    }

private:
    QWidget *m_control;
    bool m_chosen = false; // clicked or tabbed into since it last lost the focus
};

} // namespace

namespace WheelGuard {

void install(QWidget *control) {
    if (!control || control->findChild<QObject *>(kName, Qt::FindDirectChildrenOnly)) return;
    control->setFocusPolicy(Qt::StrongFocus);
    new Guard(control);
}

} // namespace WheelGuard
