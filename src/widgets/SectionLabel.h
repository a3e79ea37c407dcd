#pragma once

#include <QFont>
#include <QWidget>

// The small upper-case heading of a section.
class SectionLabel : public QWidget {
    Q_OBJECT
public:
    explicit SectionLabel(const QString &text, QWidget *parent = nullptr);
    QString shownText() const { return m_text; }
    void setText(const QString &text);
    QSize sizeHint() const override;
    // Its font, for views that draw headings themselves (the text upper-cased, in Theme::text3).
    static QFont headingFont();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_text;
};
