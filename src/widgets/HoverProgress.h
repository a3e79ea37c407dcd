#pragma once

#include <QObject>

class QVariantAnimation;
class QWidget;

// Whether the pointer is over a widget, and a 0 … 1 amount that follows it over a short ease-out, for
// looks that change under the pointer. The widget is repainted at every step; a disabled widget is never
// hovered.
class HoverProgress : public QObject {
    Q_OBJECT
public:
    HoverProgress(QWidget *widget, int durationMs);

    bool isHovering() const { return m_hovering; }
    // 0 away from the pointer, 1 under it.
    qreal value() const { return m_value; }

signals:
    void hoveringChanged(bool hovering);
    void valueChanged(qreal value);
    // The amount reached its end.
    void settled();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setHovering(bool hovering);

    QWidget *m_widget;
    bool m_hovering = false;
    qreal m_value = 0;
    QVariantAnimation *m_animation;
};
