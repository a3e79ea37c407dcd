#pragma once

#include <QLineEdit>

#include <optional>

// A compact field bound to one 0xRRGGBB colour: it shows "#RRGGBB" and takes typed or pasted codes.
// Every edit that leaves exactly six hex digits (after trimming spaces and dropping every "#") and
// names another colour is taken at once; anything else changes nothing, and leaving the field shows
// the current colour again. Outside changes replace the text only while the field is not focused.
class HexField : public QLineEdit {
    Q_OBJECT
public:
    explicit HexField(quint32 value = 0, QWidget *parent = nullptr);

    quint32 value() const { return m_value; }
    // An outside change of the bound colour (never reported back through valueEdited).
    void setValue(quint32 value);

    // "#%06X".
    static QString format(quint32 value);
    // The colour a text names under the field's rule, or none.
    static std::optional<quint32> parse(const QString &text);

signals:
    // The user typed or pasted a new colour.
    void valueEdited(quint32 value);

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    void edited(const QString &text);

    quint32 m_value;
};
