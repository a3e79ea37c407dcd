#pragma once

#include <QWidget>

// A number in ink, bold, centred on an accent circle: the step badge of a card (30, 14 pt) and the
// rows of the how-to card (22, 12 pt).
class NumberBadge : public QWidget {
    Q_OBJECT
public:
    NumberBadge(int number, int diameter, qreal fontSize, QWidget *parent = nullptr);
    void setNumber(int number);
    int number() const { return m_number; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_number;
    qreal m_fontSize;
};
