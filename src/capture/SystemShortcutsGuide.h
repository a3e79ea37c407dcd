#pragma once

#include <QAbstractButton>
#include <QWidget>

class QVariantAnimation;

// Every combination the desktop keeps for itself, with its key caps; the releasable ones carry the
// "dá para liberar" badge. Each row is named after its combination's id.
class SystemShortcutsList : public QWidget {
    Q_OBJECT
public:
    explicit SystemShortcutsList(QWidget *parent = nullptr);
};

// A collapsible heading with the number of reserved combinations over the list; starts collapsed.
class SystemShortcutsGuide : public QWidget {
    Q_OBJECT
public:
    explicit SystemShortcutsGuide(QWidget *parent = nullptr);
    bool isExpanded() const { return m_expanded; }
    // The chevron's rotation in degrees (0 collapsed, 90 expanded; in between while it turns).
    qreal chevronAngle() const { return m_angle; }

private:
    class Toggle;
    void toggle();

    bool m_expanded = false;
    qreal m_angle = 0;
    Toggle *m_toggle = nullptr;
    SystemShortcutsList *m_list = nullptr;
    QVariantAnimation *m_animation = nullptr;
};
