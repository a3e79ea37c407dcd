#pragma once

#include <QColor>
#include <QFont>
#include <QString>

#include <QHash>
#include <QLabel>

class QWidget;

// A plain label in a font and colour of the theme.
QLabel *themedLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent = nullptr);

// A word-wrapping label that remembers its height at the widths it was asked for: nested layouts ask
// a wrapping label for its height many times while they settle, and each answer lays the text out.
class WrappingLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    int heightForWidth(int width) const override;
    // Measured once on one line, not at several trial widths: as wide as that line up to 80
    // characters, and at least one line high.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    mutable QString m_text;
    mutable QFont m_font;
    mutable QHash<int, int> m_heights;
};

// A WrappingLabel in a font and colour of the theme.
QLabel *wrappingLabel(const QString &text, const QFont &font, const QColor &color, QWidget *parent = nullptr);
