#pragma once

#include <QWidget>

#include <optional>

class CardShape;
class QLabel;
class QSequentialAnimationGroup;
class ShortcutStore;
class ToolbarButton;
class TutorialStore;

// The recording pill, 470 × 52: a pulsing red dot, "Gravando tutorial" over the open tutorial's step
// count, "Capturar passo" with the area shortcut and "Concluir". A tool window that never takes the
// focus, so the application in front keeps it while steps are captured; dragged by its background.
// Follows the stores live.
class TutorialHUDView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 470;
    static constexpr int kHeight = 52;

    TutorialHUDView(TutorialStore &store, ShortcutStore &shortcuts, QWidget *parent = nullptr);

signals:
    // "Capturar passo": an area capture, which becomes the next step.
    void stepRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void refreshCount();
    void refreshShortcuts();
    void finish();

    TutorialStore &m_store;
    ShortcutStore &m_shortcuts;
    QLabel *m_count;
    ToolbarButton *m_step;
    ToolbarButton *m_finish;
    QWidget *m_dot;
    qreal m_dotOpacity = 1.0; // 1 at rest, down to 0.35 and back while shown
    QSequentialAnimationGroup *m_pulse;
    CardShape *m_shape = nullptr;
    std::optional<QPoint> m_dragOffset; // where a drag the window manager does not take holds the pill
};
