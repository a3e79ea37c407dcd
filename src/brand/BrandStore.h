#pragma once

#include "brand/BrandKit.h"
#include "brand/art/BrandLogo.h"

#include <QImage>
#include <QObject>
#include <QString>

#include <optional>

// The brand as the editor and the capture road stamp it: the kit, kept under "brand.kit", and the
// logo image, the file "logo.png" in the documents folder "Marca". Main thread only.
class BrandStore : public QObject {
    Q_OBJECT
public:
    // The application's store, created on first use; the kit is read then, the logo loaded.
    static BrandStore &shared();

    const BrandKit &kit() const { return m_kit; }
    // Stores a different kit and announces it; an equal kit changes nothing.
    void setKit(const BrandKit &kit);

    // The logo as loaded; null without one.
    QImage logo() const { return m_logo; }
    // (Re)reads "logo.png"; a missing or unreadable file means no logo.
    void loadLogo();
    // The folder that holds "logo.png"; empty when it cannot be made.
    QString folder() const;

    // The logo to stamp on beautified screenshots with the kit's placement; none when the kit's
    // switch is off or there is no logo. Built on the same image object until the logo is reloaded,
    // so that callers can tell an unchanged logo by BrandLogo equality.
    std::optional<BrandLogo> screenshotLogo() const;

signals:
    void kitChanged();
    void logoChanged();

private:
    BrandStore();

    BrandKit m_kit;
    QImage m_logo;
};
