#include "editor_window/HexField.h"

#include "core/Localization.h"
#include "widgets/Theme.h"

#include <QFocusEvent>

namespace {

bool isSpaceSeparator(QChar c) { return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space; }

} // namespace

HexField::HexField(quint32 value, QWidget *parent) : QLineEdit(parent), m_value(value & 0xFFFFFF) {
    setFrame(false);
    setFont(Theme::monospaceFont(12));
    setFixedSize(92, 28);
    setTextMargins(8, 0, 8, 0);
    setToolTip(L("Cole um código de cor, ex.: #6E5BD8"));
    setAccessibleName(L("Código da cor"));
    setStyleSheet(QStringLiteral("QLineEdit { background: %1; color: %2; border: 1px solid %3; border-radius: 7px; }")
                      .arg(Theme::raised().name(QColor::HexArgb), Theme::text().name(QColor::HexArgb),
                           Theme::line().name(QColor::HexArgb)));
    setText(format(m_value));
    connect(this, &QLineEdit::textEdited, this, &HexField::edited);
}

void HexField::setValue(quint32 value) {
    value &= 0xFFFFFF;
    if (value == m_value) return;
    m_value = value;
    if (!hasFocus()) setText(format(m_value));
}

QString HexField::format(quint32 value) { return QStringLiteral("#%1").arg(value, 6, 16, QLatin1Char('0')).toUpper(); }

std::optional<quint32> HexField::parse(const QString &text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && isSpaceSeparator(text[begin])) ++begin;
    while (end > begin && isSpaceSeparator(text[end - 1])) --end;
    QString digits = text.mid(begin, end - begin);
    digits.remove(QLatin1Char('#'));
    if (digits.size() != 6) return std::nullopt;
    bool negative = false;
    if (digits[0] == QLatin1Char('+') || digits[0] == QLatin1Char('-')) {
        negative = digits[0] == QLatin1Char('-');
        digits.remove(0, 1);
    }
    quint32 value = 0;
    for (QChar c : digits) {
        const int d = QStringLiteral("0123456789abcdef").indexOf(c.toLower());
        if (d < 0 || c.unicode() > 0x7F) return std::nullopt;
        value = value * 16 + quint32(d);
    }
    if (negative && value != 0) return std::nullopt; // only "-00000" reads as a colour: black
    return value;
}

void HexField::edited(const QString &text) {
    const auto parsed = parse(text);
    if (!parsed || *parsed == m_value) return;
    m_value = *parsed;
    emit valueEdited(m_value);
}

void HexField::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    // A context menu (to paste) takes focus for a moment: the typed text is still being edited.
    if (event->reason() != Qt::PopupFocusReason) setText(format(m_value));
}
