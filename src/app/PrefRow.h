#pragma once

#include <QWidget>

class QLabel;

// The one row of the settings page: a title with an optional detail line under it at the left, a
// control at the right, 10 of space above and below, and a hairline along the bottom edge. The detail
// line is "detail", the control "control".
class PrefRow : public QWidget {
    Q_OBJECT
public:
    // The row takes `control` as its child.
    PrefRow(const QString &title, const QString &detail, QWidget *control, QWidget *parent = nullptr);

    QString title() const;
    // The detail line; empty hides it.
    void setDetail(const QString &detail);
    // The detail in the warning colour (a refusal) or the quiet one.
    void setDetailIsWarning(bool warning);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QLabel *m_title;
    QLabel *m_detail;
};
