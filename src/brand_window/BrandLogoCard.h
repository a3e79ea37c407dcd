#pragma once

#include "brand_window/BrandCard.h"
#include "core/LatestResult.h"

class LogoDropZone;
class QImage;
class QLineEdit;
class QPushButton;

// The "Logo e nome" card: the drop zone and the buttons that choose or remove the logo, then the brand's
// name. A chosen or dropped logo is read off the main thread, and what came of it is raised as a notice.
class BrandLogoCard : public BrandKitCard {
    Q_OBJECT
public:
    explicit BrandLogoCard(BrandStore &brand, QWidget *parent = nullptr);

    // Runs the open panel for a logo file and loads it.
    void chooseLogo();
    // Reads a logo off the main thread (a newer call supersedes an older one), stores it as logo.png
    // and takes the brand colours from it; `logoLoadFinished` follows.
    void loadLogo(const QString &path);

signals:
    void logoLoadFinished();

protected:
    void sync() override;

private:
    void logoLoaded(const QImage &image, const QString &note, const QString &message);

    LatestResult m_logo;
    bool m_loadingLogo = false;
    LogoDropZone *m_dropZone = nullptr;
    QPushButton *m_chooseButton = nullptr;
    QPushButton *m_removeButton = nullptr;
    QLineEdit *m_nameField = nullptr;
};
