#pragma once

#include <QColor>
#include <QIcon>
#include <QWidget>

// Small pieces the tutorial pages share.

class PrimaryButton;
class QLabel;

// The prominent button of an empty state that starts recording: the red dot, then the text.
PrimaryButton *recordingButton(const QString &text, QWidget *parent);
// The large accent symbol over an empty state.
QLabel *emptyStateSymbol(const QString &name, QWidget *parent);

// A rounded rectangle filled with a colour and outlined with the hairline colour: trays, cards.
class RoundedPanel : public QWidget {
    Q_OBJECT
public:
    RoundedPanel(const QColor &fill, qreal radius, QWidget *parent = nullptr);
    // The same drawing for widgets that paint themselves.
    static void paint(QWidget *widget, const QColor &fill, qreal radius);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
    qreal m_radius;
};

// A plain area of one colour: header bars (the panel colour), dividers (the hairline colour, 1 high).
class FilledArea : public QWidget {
    Q_OBJECT
public:
    FilledArea(const QColor &fill, QWidget *parent = nullptr);
    static FilledArea *divider(QWidget *parent);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_fill;
};
