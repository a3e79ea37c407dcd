#pragma once

#include "widgets/ToolbarButtonStyle.h"

#include <QPushButton>
#include <QTimer>

// A push button in ToolbarButtonStyle. The label is one row, each piece optional, in this order: the recording dot, a
// symbol (or, while busy, a small spinning indicator in its place), the text, and a shortcut in the monospaced font
// (tertiary on plain, ink at 60 % on prominent).
class ToolbarButton : public QPushButton {
    Q_OBJECT
public:
    explicit ToolbarButton(const QString &text = {}, bool prominent = false, QWidget *parent = nullptr);

    void setProminent(bool prominent);
    // A symbol of the icon set ("trash"), drawn in the label's colour; empty for none.
    void setSymbol(const QString &name);
    QString symbol() const { return m_symbol; }
    // Shows the spinning indicator instead of the symbol.
    void setBusy(bool busy);
    bool isBusy() const { return m_busy; }
    // The 9 × 9 recording dot before everything else.
    void setRecordingDot(bool shown);
    void setShortcutText(const QString &text);
    QString shortcutText() const { return m_shortcut; }
    // Space between the pieces of the label (6 by default).
    void setSpacing(int spacing);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QFont shortcutFont() const;
    int labelWidth() const;
    void changed();

    ToolbarButtonStyle m_style;
    bool m_dot = false;
    QString m_symbol;
    QString m_shortcut;
    int m_spacing = 6;
    bool m_busy = false;
    QTimer m_spin;
};
