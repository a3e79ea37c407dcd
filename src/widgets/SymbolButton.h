#pragma once

#include <QAbstractButton>
#include <QColor>

// A bare symbol of the icon set that is a button: no chrome, a square that takes clicks everywhere,
// the symbol centred at 12 points and dimmed while pressed. The help text is its tooltip and name.
class SymbolButton : public QAbstractButton {
    Q_OBJECT
public:
    SymbolButton(const QString &symbol, const QString &help, int side, const QColor &color, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_symbol;
    QColor m_color;
};
