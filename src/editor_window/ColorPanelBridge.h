#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>

#include <functional>

#include <QColorDialog>

// The one colour panel of the application (a shared, non-modal colour dialog) and whoever opened it
// last: every colour picked there reaches that caller, until another caller opens it or it is
// detached. Main thread only.
class ColorPanelBridge : public QObject {
    Q_OBJECT
public:
    static ColorPanelBridge &shared();

    // Receives each picked colour; none while detached.
    std::function<void(const QColor &)> onChange;

    // Shows the panel on `color` for a new caller, replacing the previous one; the colour merely shown
    // reaches nobody. A panel that was hidden comes up beside `beside`'s window when the screen has
    // room there, so that it does not cover what it edits.
    void open(const QColor &color, std::function<void(const QColor &)> handler, const QWidget *beside = nullptr);
    // Forgets the caller and hides the panel (the main window's close, a sheet going away).
    void detach();

    // The panel, once it has been opened.
    QColorDialog *panel() const { return m_panel; }

private:
    void colorChanged(const QColor &color);
    void placeBeside(const QWidget *widget);

    QPointer<QColorDialog> m_panel;
};
