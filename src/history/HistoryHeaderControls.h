#pragma once

#include "history/HistoryPeriod.h"

#include <QHash>
#include <QWidget>

class QAbstractButton;
class QLabel;
class QLineEdit;

// The search box of the history page: a magnifier, a one-line field that follows every keystroke,
// and at its end the key hint while nothing is searched or a button that empties the field. Esc in
// the field empties it and leaves the focus there. Its outline turns to the accent while the field
// has the focus.
class HistorySearchBox : public QWidget {
    Q_OBJECT
public:
    explicit HistorySearchBox(QWidget *parent = nullptr);

    QLineEdit *field() const { return m_field; }
    QLabel *hint() const { return m_hint; }
    QAbstractButton *clearButton() const { return m_clear; }
    // Searching shows the clear button in place of the hint.
    void setSearching(bool searching);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_field;
    QLabel *m_hint;
    QAbstractButton *m_clear;
};

// The period switch: one segment per period, the current one raised and in bold.
class HistoryPeriodSwitch : public QWidget {
    Q_OBJECT
public:
    explicit HistoryPeriodSwitch(QWidget *parent = nullptr);

    HistoryPeriod period() const { return m_period; }
    void setPeriod(HistoryPeriod period);
    QAbstractButton *button(HistoryPeriod period) const { return m_buttons.value(period); }

signals:
    // The user chose a period (also the current one again).
    void chosen(HistoryPeriod period);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    HistoryPeriod m_period = HistoryPeriod::all;
    QHash<HistoryPeriod, QAbstractButton *> m_buttons;
};
