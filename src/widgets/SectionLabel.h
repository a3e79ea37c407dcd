#pragma once

#include <QWidget>

// The small upper-case heading of a section.
class SectionLabel : public QWidget {
    Q_OBJECT
public:
    explicit SectionLabel(const QString &text, QWidget *parent = nullptr);
    QString shownText() const { return m_text; }
    void setText(const QString &text);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
};
