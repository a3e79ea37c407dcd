#include "tutorial_window/PlainFields.h"

#include "widgets/PlainText.h"
#include "widgets/Theme.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QPainter>
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

EllipsisLineEdit::EllipsisLineEdit(QWidget *parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, &EllipsisLineEdit::followText);
}

// Where the field draws its text: inside its margins, and 2 and 1 further in, as the line edit has it.
QRect EllipsisLineEdit::textRect() const { return contentsRect().marginsRemoved(textMargins()).adjusted(2, 1, -2, -1); }

bool EllipsisLineEdit::isElided() const {
    return !m_editing && fontMetrics().horizontalAdvance(text()) > textRect().width();
}

void EllipsisLineEdit::paintEvent(QPaintEvent *event) {
    if (!isElided()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.setFont(font());
    p.setPen(palette().color(QPalette::Text));
    const QRect r = textRect();
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter, fontMetrics().elidedText(text(), Qt::ElideRight, r.width()));
}

void EllipsisLineEdit::resizeEvent(QResizeEvent *event) {
    QLineEdit::resizeEvent(event);
    followText();
}

void EllipsisLineEdit::focusInEvent(QFocusEvent *event) {
    QLineEdit::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
        reason == Qt::ShortcutFocusReason)
        setEditing(true);
}

void EllipsisLineEdit::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    setEditing(false);
}

void EllipsisLineEdit::mousePressEvent(QMouseEvent *event) {
    setEditing(true);
    QLineEdit::mousePressEvent(event);
}

void EllipsisLineEdit::keyPressEvent(QKeyEvent *event) {
    // Typed into without a click first, the text goes on at its end.
    if (!m_editing) end(false);
    setEditing(true);
    QLineEdit::keyPressEvent(event);
}

void EllipsisLineEdit::setEditing(bool editing) {
    m_editing = editing;
    followText();
}

void EllipsisLineEdit::followText() {
    // Not being edited, the field keeps its start in view, so that a click lands on the letter it shows.
    if (!m_editing && cursorPosition() != 0) setCursorPosition(0);
    const QString tip = isElided() ? plainToolTip(text()) : QString();
    if (toolTip() != tip) setToolTip(tip);
    update();
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
