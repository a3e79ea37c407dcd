#pragma once

#include <QObject>
#include <QPointer>

class QScreen;
class ShortcutStore;
class TutorialHUDView;
class TutorialStore;

// Owns the one recording pill. src/app shows it when recording starts and closes it when recording
// stops. Main thread only.
class TutorialHUDController : public QObject {
    Q_OBJECT
public:
    // Over the application's tutorial and shortcut stores, for the life of the process.
    static TutorialHUDController &shared();
    TutorialHUDController(TutorialStore &store, ShortcutStore &shortcuts, QObject *parent = nullptr);
    ~TutorialHUDController() override;

    // Builds the pill at the top centre of the screen of the focused window (else the pointer's) and
    // shows it on every desktop without activating anything. While a pill exists: nothing at all, so
    // it stays where the user dragged it.
    void show();
    // Takes the pill off the screen and drops it; the next show builds a fresh one.
    void close();

    // The screen a new pill goes to.
    static QScreen *targetScreen();

signals:
    // The pill's "Capturar passo".
    void stepRequested();

private:
    TutorialStore &m_store;
    ShortcutStore &m_shortcuts;
    QPointer<TutorialHUDView> m_panel;
};
