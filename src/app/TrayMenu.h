#pragma once

#include <QFrame>

class QAbstractButton;

// The panel that opens from the tray icon: the capture actions, then "Abrir Pelicarta", "Ajustes…" and
// "Sair". Each row first closes the panel, then acts.
class TrayMenu : public QFrame {
    Q_OBJECT
public:
    explicit TrayMenu(QWidget *parent = nullptr);
    // Shows the panel next to `anchor` (the tray icon), kept on its screen.
    void popup(const QRect &anchor);
    // The row with this accessible name, for tests.
    QAbstractButton *row(const QString &text) const;

signals:
    void quitRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};
