#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class HotkeyManager;
class PrimaryButton;
class QAbstractButton;
class QVariantAnimation;
class ShortcutStore;

namespace platform {
class UserDefaults;
}

// The first-run flow, filling the main window while "hasCompletedOnboarding" is false: a welcome, the
// screen permission (only where the platform asks for one) and the area-capture shortcut, on a 720 × 560
// card with a footer of "← Voltar", one dot per step shown and the primary button. The primary button
// (or Return, unless a shortcut recorder is listening) moves on; on the last step it sets
// "hasCompletedOnboarding", its only lasting effect.
// Each step's state starts afresh whenever the step comes on screen.
class OnboardingView : public QWidget {
    Q_OBJECT
public:
    OnboardingView(ShortcutStore &store, HotkeyManager &hotkeys, platform::UserDefaults &defaults,
                   QWidget *parent = nullptr);

    // The steps shown and the one on screen, counted from 0 among them.
    int stepCount() const { return int(m_pages.size()); }
    int step() const { return m_step; }

    // What the primary button does: the next step, or the end of the flow on the last one.
    void advance();
    void goBack();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    class Card;
    class Dots;
    class PermissionStep;
    class ShortcutStep;
    enum class Page { welcome, permission, shortcut };
    QWidget *makeFooter(QWidget *card);
    QWidget *makeStep(int step);
    void showStep(int step);
    void layOutSteps();

    ShortcutStore &m_store;
    HotkeyManager &m_hotkeys;
    platform::UserDefaults &m_defaults;
    QList<Page> m_pages;
    int m_step = 0;
    QWidget *m_stepArea = nullptr;
    QWidget *m_current = nullptr;
    QPointer<QWidget> m_leaving;
    QVariantAnimation *m_transition = nullptr;
    QAbstractButton *m_back = nullptr;
    Dots *m_dots = nullptr;
    PrimaryButton *m_primary = nullptr;
};
