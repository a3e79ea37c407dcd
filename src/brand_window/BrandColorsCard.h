#pragma once

#include "brand_window/BrandCard.h"

#include <QList>

class ColorSwatchButton;
class HexField;
class QHBoxLayout;

// The "Cores" card: the logo's colours, each with a menu that gives it a role, and "Usar cores do logo";
// then the four role colours, each a swatch that opens the colour panel beside a hex field.
class BrandColorsCard : public BrandKitCard {
    Q_OBJECT
public:
    explicit BrandColorsCard(BrandStore &brand, QWidget *parent = nullptr);

protected:
    void sync() override;

private:
    QWidget *m_logoColorsRow = nullptr;
    QHBoxLayout *m_logoColorsSwatches = nullptr;
    QList<quint32> m_shownLogoColors; // what the swatches show: they are made anew only when it changes
    QPushButton *m_useLogoColors = nullptr;
    QList<ColorSwatchButton *> m_roleSwatches;
    QList<HexField *> m_roleFields;
};
