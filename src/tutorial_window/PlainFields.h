#pragma once

#include <QColor>
#include <QFont>
#include <QLineEdit>
#include <QPlainTextEdit>

// Text fields drawn as bare text on the page (no frame, no fill), in a font and colour of the theme;
// placeholders in the tertiary colour.
void makePlainField(QLineEdit *field, const QFont &font, const QColor &color);
void makePlainField(QPlainTextEdit *field, const QFont &font, const QColor &color);

// A one-line field that, while it is not being edited, shows a text longer than its room from its first
// letter and cut with "…" at the end, with the whole text as its tooltip; being edited it scrolls as any
// field does. The focus a window hands its first field when it is activated is not editing yet: a click,
// Tab or a key is.
class EllipsisLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit EllipsisLineEdit(QWidget *parent = nullptr);
    // Whether the text is cut now.
    bool isElided() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QRect textRect() const;
    void setEditing(bool editing);
    void followText();

    bool m_editing = false;
};

// A plain text field that grows with its text from `minLines` to `maxLines` lines and scrolls beyond.
class GrowingTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    GrowingTextEdit(int minLines, int maxLines, QWidget *parent = nullptr);
    // The lines shown now.
    int visibleLines() const { return m_shown; }

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void fit();

    int m_minLines;
    int m_maxLines;
    int m_shown = 0;
};
