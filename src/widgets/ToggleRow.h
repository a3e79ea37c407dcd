#pragma once

#include <QWidget>

class QLabel;
class ToggleSwitch;

// One labelled switch, 40 high: the title, then the switch at the trailing edge; a hairline along the
// bottom unless it is the last row of its group. The tooltip is the help text, or the title without
// one. Only the user's clicks are announced (`toggled`); `setOn` announces nothing.
class ToggleRow : public QWidget {
    Q_OBJECT
public:
    ToggleRow(const QString &title, bool last, QWidget *parent = nullptr);

    bool isOn() const;
    void setOn(bool on);
    // Empty: the title is the tooltip.
    void setHelp(const QString &help);
    // Dimmed, its title at half opacity and its switch taking no clicks, or back.
    void setAvailable(bool available);
    bool isAvailable() const { return m_available; }
    QString title() const;

signals:
    void toggled(bool on);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_title;
    ToggleSwitch *m_switch;
    bool m_last;
    bool m_available = true;
};
