#pragma once

#include <QAbstractButton>
#include <QColor>

// A bare symbol of the icon set that is a button: no chrome, a frame that takes clicks everywhere,
// the symbol centred in it and dimmed while pressed. The help text is its tooltip and name.
class SymbolButton : public QAbstractButton {
    Q_OBJECT
public:
    // A `side`-square frame with the symbol at 12 points.
    SymbolButton(const QString &symbol, const QString &help, int side, const QColor &color, QWidget *parent = nullptr);
    SymbolButton(const QString &symbol, const QString &help, QSize frame, int symbolSize, const QColor &color,
                 QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_symbol;
    int m_symbolSize;
    QColor m_color;
};
