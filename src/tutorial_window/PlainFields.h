#pragma once

#include <QColor>
#include <QFont>
#include <QPlainTextEdit>

class QLineEdit;

// Text fields drawn as bare text on the page (no frame, no fill), in a font and colour of the theme;
// placeholders in the tertiary colour.
void makePlainField(QLineEdit *field, const QFont &font, const QColor &color);
void makePlainField(QPlainTextEdit *field, const QFont &font, const QColor &color);

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
