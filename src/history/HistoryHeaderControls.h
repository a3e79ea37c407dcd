#pragma once

#include "history/HistoryPeriod.h"

#include <QWidget>

class QAbstractButton;
class QLabel;
class QLineEdit;
template <typename T>
class Segmented;

// The search box of the history page: a magnifier, a one-line field that follows every keystroke,
// and at its end the key hint while nothing is searched or a button that empties the field. Esc in
// the field empties it and leaves the focus there. Its outline turns to the accent while the field
// has the focus.
class HistorySearchBox : public QWidget {
    Q_OBJECT
public:
    explicit HistorySearchBox(QWidget *parent = nullptr);

    QLineEdit *field() const { return m_field; }
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

// The period switch: one segment per period, the current one raised and in bold. It shows the period
// its owner sets (`setValue`).
Segmented<HistoryPeriod> *newPeriodSwitch(QWidget *parent);
