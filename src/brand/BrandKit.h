#pragma once

#include "brand/art/BrandLogo.h"
#include "core/Backdrop.h"

#include <QImage>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QString>

#include <optional>

// The user's stored brand: name, four role colours (0xRRGGBB), the guides' font and footer, how the
// logo is stamped on screenshots and the user's own edits of the brand backdrops. The logo image is
// not part of it (BrandStore keeps it as a file).
struct BrandKit {
    QString name;
    quint32 primary = 0x6E5BD8;
    quint32 secondary = 0xF29BC4;
    quint32 background = 0xFFFFFF;
    quint32 text = 0x15121F;
    std::optional<QString> fontFamily; // none: the system font
    QString footer;                    // the last line of exported guides
    bool logoOnScreenshots = false;
    LogoPosition logoPosition = LogoPosition::bottomRight;
    LogoVariant logoVariant = LogoVariant::original;
    LogoSize logoSize = LogoSize::medium;
    std::optional<QList<Backdrop>> customBackdrops; // none: the generated brand backdrops

    bool operator==(const BrandKit &) const = default;

    // The name without surrounding spaces and tabs (line breaks stay), or "Marca" (through L) when
    // nothing is left.
    QString label() const;

    // The kit with every colour cut to its low 24 bits.
    BrandKit masked() const;

    // Every field under its own name; "fontFamily" and "customBackdrops" only when present.
    QJsonObject toJson() const;
    // Starts from the default kit and reads what is there. A name, colour, font, footer or switch of
    // the wrong type (a colour must be a whole number 0…4294967295) fails the whole document; an
    // unreadable logo placement keeps that field's default, unreadable custom backdrops give none.
    static std::optional<BrandKit> fromJson(const QJsonValue &json);
};

// The brand frozen for a guide's renderer. Only the logo variant may be changed by its holder.
struct BrandSnapshot {
    QString name; // as stored, not its label
    quint32 primary = 0;
    quint32 secondary = 0;
    quint32 background = 0;
    quint32 text = 0;
    std::optional<QString> fontFamily;
    QString footer;
    QImage logo; // untinted; null when there is none
    LogoVariant logoVariant = LogoVariant::original;
};
