#pragma once

#include "core/ShortcutAction.h"

#include <QAbstractButton>

class HoverProgress;
class ShortcutStore;

// One big capture card of the home page: the action's icon, its short title and its current shortcut
// as key caps. A click starts the capture. The highlighted card has the accent fill and border; the
// others show a stronger border under the pointer. Under the pointer every card grows by 1 %.
class CaptureCard : public QAbstractButton {
    Q_OBJECT
public:
    CaptureCard(ShortcutStore &shortcuts, ShortcutAction action, const QString &icon, bool highlighted,
                QWidget *parent = nullptr);

    // "Área", "Janela", "Tela inteira", "Última área", "Tutorial", through L.
    static QString shortTitle(ShortcutAction action);

    ShortcutAction action() const { return m_action; }
    bool isHovering() const;
    // The card's own rectangle: the widget keeps a margin around it for the hover growth.
    QRectF cardRect() const;
    // 1 at rest, 1.01 under the pointer (animated).
    qreal scale() const;
    QColor borderColor() const;

    // The margin the widget keeps on every side.
    static constexpr int margin = 2;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;

private:
    void refresh();

    ShortcutStore &m_shortcuts;
    ShortcutAction m_action;
    QString m_icon;
    bool m_highlighted;
    QStringList m_keys;
    HoverProgress *m_hover;
};
