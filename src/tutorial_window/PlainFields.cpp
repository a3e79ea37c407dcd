#include "tutorial_window/PlainFields.h"

#include "widgets/Theme.h"

#include <QLineEdit>
#include <QScrollBar>
#include <QTextBlock>

#include <algorithm>
#include <cmath>

namespace {

void plainPalette(QWidget *field, const QFont &font, const QColor &color) {
    field->setFont(font);
    QPalette palette = field->palette();
    palette.setColor(QPalette::Text, color);
    palette.setColor(QPalette::PlaceholderText, Theme::text3());
    palette.setColor(QPalette::Base, Qt::transparent);
    palette.setColor(QPalette::Highlight, Theme::accentLine());
    palette.setColor(QPalette::HighlightedText, Theme::text());
    field->setPalette(palette);
    field->setAutoFillBackground(false);
}

} // namespace

void makePlainField(QLineEdit *field, const QFont &font, const QColor &color) {
    plainPalette(field, font, color);
    field->setFrame(false);
    field->setTextMargins(0, 0, 0, 0);
    field->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; border: none; padding: 0; }"));
}

void makePlainField(QPlainTextEdit *field, const QFont &font, const QColor &color) {
    plainPalette(field, font, color);
    plainPalette(field->viewport(), font, color);
}

GrowingTextEdit::GrowingTextEdit(int minLines, int maxLines, QWidget *parent)
    : QPlainTextEdit(parent), m_minLines(minLines), m_maxLines(maxLines) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTabChangesFocus(true);
    document()->setDocumentMargin(0);
    viewport()->setAutoFillBackground(false);
    connect(this, &QPlainTextEdit::textChanged, this, &GrowingTextEdit::fit);
    fit();
}

void GrowingTextEdit::fit() {
    // The plain text layout measures its document in wrapped lines.
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        lines += std::max(1, block.lineCount());
    m_shown = std::clamp(lines, m_minLines, m_maxLines);
    const int height = m_shown * fontMetrics().lineSpacing() + contentsMargins().top() + contentsMargins().bottom() + 2;
    if (height != this->height() || minimumHeight() != height) setFixedHeight(height);
}

void GrowingTextEdit::resizeEvent(QResizeEvent *event) {
    QPlainTextEdit::resizeEvent(event);
    fit();
}
