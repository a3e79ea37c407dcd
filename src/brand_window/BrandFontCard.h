#pragma once

#include "brand_window/BrandCard.h"

#include <QStringList>

class QComboBox;
class QLabel;

// The "Fonte dos guias" card: the list of installed families, headed by the system font and by the kit's
// family when it is not installed, which a warning under the list then reports.
class BrandFontCard : public BrandKitCard {
    Q_OBJECT
public:
    explicit BrandFontCard(BrandStore &brand, QWidget *parent = nullptr);

    // Reads the installed families into the list, unless it has them already.
    void listFamilies();

protected:
    void sync() override;

private:
    QStringList m_families;
    QComboBox *m_fontPicker = nullptr;
    QLabel *m_fontWarning = nullptr;
};
