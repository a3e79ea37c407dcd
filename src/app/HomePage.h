#pragma once

#include "core/ShortcutAction.h"

#include <QWidget>

class QAbstractButton;

// The first page: the brand mark, the title and the capture actions.
class HomePage : public QWidget {
    Q_OBJECT
public:
    explicit HomePage(QWidget *parent = nullptr);
    // The button that starts `action` (area, window and full screen have one).
    QAbstractButton *button(ShortcutAction action) const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QList<QPair<ShortcutAction, QAbstractButton *>> m_buttons;
};
