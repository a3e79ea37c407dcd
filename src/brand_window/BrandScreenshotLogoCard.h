#pragma once

#include "brand_window/BrandCard.h"

#include <QList>

class BrandSwitch;
class OptionChip;
class PositionPicker;
class QLabel;

// The "Logo nos prints" card: the switch in its header, then where the logo goes on a beautified
// screenshot, its size and its version; without a logo, only a line saying to add one.
class BrandScreenshotLogoCard : public BrandKitCard {
    Q_OBJECT
public:
    explicit BrandScreenshotLogoCard(BrandStore &brand, QWidget *parent = nullptr);

protected:
    void sync() override;

private:
    BrandSwitch *m_logoSwitch = nullptr;
    QLabel *m_noLogoLine = nullptr;
    QWidget *m_printBlocks = nullptr;
    PositionPicker *m_positionPicker = nullptr;
    QList<OptionChip *> m_sizeChips;
    QList<OptionChip *> m_variantChips;
};
