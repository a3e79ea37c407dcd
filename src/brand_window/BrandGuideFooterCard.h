#pragma once

#include "brand_window/BrandCard.h"

class QLineEdit;

// The "Nos guias" card: the footer of exported guides.
class BrandGuideFooterCard : public BrandKitCard {
    Q_OBJECT
public:
    explicit BrandGuideFooterCard(BrandStore &brand, QWidget *parent = nullptr);

protected:
    void sync() override;

private:
    QLineEdit *m_footerField = nullptr;
};
