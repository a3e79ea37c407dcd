#pragma once

#include <QComboBox>
#include <QVariant>

// A labelless picker of a few choices, each with a value: a rounded raised box showing the current
// choice with an up-down chevron; the list opens over it. Only the user's choices are announced. The
// wheel changes it only once it has the focus (WheelGuard); until then it scrolls the page.
class Picker : public QComboBox {
    Q_OBJECT
public:
    explicit Picker(int width, QWidget *parent = nullptr);

    void addChoice(const QString &text, const QVariant &value);
    // Shows the choice with this value (from code: announces nothing); false when there is none.
    bool setCurrentValue(const QVariant &value);
    QVariant currentValue() const { return currentData(); }
    // What the user does by picking the choice with this value (tests).
    void choose(const QVariant &value);

signals:
    // The user picked a choice (the one already shown too).
    void chosen(const QVariant &value);

protected:
    void paintEvent(QPaintEvent *event) override;
};
