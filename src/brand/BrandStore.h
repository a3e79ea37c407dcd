#pragma once

#include "brand/BrandImporter.h"
#include "brand/BrandKit.h"
#include "brand/art/BrandLogo.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

class StyleStore;
namespace platform {
class UserDefaults;
}

// The brand of the whole application: the kit, the logo read from "logo.png" in the brand folder with
// its colours, and whether the brand was ever set up. Main thread only.
//
// Every change of the kit goes through setKit: it is published, and when it differs from the old kit
// the user's edited brand backdrops follow the new colours and name, the kit is saved under
// "brand.kit", the brand is marked as configured and, 0.3 s after the last change, the brand
// backdrops already in the style store's list are brought up to date.
class BrandStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QImage logo READ logo NOTIFY logoChanged)
    Q_PROPERTY(QList<quint32> logoColors READ logoColors NOTIFY logoChanged)
    Q_PROPERTY(bool isConfigured READ isConfigured NOTIFY configuredChanged)

public:
    static inline const QString solidID = QStringLiteral("brand-solid");
    static inline const QString linearID = QStringLiteral("brand-linear");
    static inline const QString meshID = QStringLiteral("brand-mesh");
    // How long after the last kit change the style store's brand backdrops are refreshed.
    static constexpr int refreshDelayMs = 300;

    // The application's store (the standard settings, the shared style store and the documents'
    // "Marca" folder, or one in the temporary folder), created on first use.
    static BrandStore &shared();

    // Reads the kit and the configured flag from `defaults` and the logo from `folder`/logo.png.
    BrandStore(platform::UserDefaults &defaults, StyleStore &styles, QString folder, QObject *parent = nullptr);

    const BrandKit &kit() const { return m_kit; }
    // Publishes the kit (colours cut to 24 bits); see the class comment for what a change sets off.
    void setKit(const BrandKit &kit);

    // The logo for display and stamping (null when there is none); one image shared by every
    // BrandLogo made from it, so that equal logos are the very same image.
    QImage logo() const { return m_logo; }
    // Up to six main colours of the logo.
    const QList<quint32> &logoColors() const { return m_logoColors; }
    bool isConfigured() const { return m_configured; }
    QString folder() const { return m_folder; }
    QString logoPath() const;

    // While set, kit changes leave the custom backdrops' colours and names alone (restoring a kit).
    void setSkipFollow(bool skip) { m_skipFollow = skip; }

    // Sets the configured flag and its setting once; never clears them.
    void markConfigured();
    // (Re)reads logo.png; a missing or unreadable file (or one that is not a regular file) means no logo.
    void loadLogo();
    // Writes `image` as logo.png (atomically) and reads it back; false when it could not be written.
    bool saveLogo(const QImage &image);
    // Deletes logo.png; the logo switch is turned off with it.
    void removeLogo();

    // The logo to stamp on beautified screenshots: none unless the switch is on and a logo is there.
    std::optional<BrandLogo> screenshotLogo() const;
    // The logo with the kit's placement whenever there is one, whatever the switch says.
    std::optional<BrandLogo> previewLogo() const;

    // Takes the primary (and secondary) from the logo's lively colours; the kit as it was before, or
    // none when the logo has no usable colour and nothing changed.
    std::optional<BrandKit> applyLogoColors();
    // The brand frozen for a guide.
    BrandSnapshot snapshot() const;

    // The brand backdrops as the user sees them: the kit's custom ones when it has them, else the
    // three generated ones.
    QList<Backdrop> backdrops() const;
    // Keeps an edited brand backdrop in the kit (from then on the kit holds all of them).
    void updateBackdrop(const Backdrop &backdrop);
    // Puts the brand backdrops into the style store's list, replacing copies already there and adding
    // the others while the list has room; how many were added or replaced.
    int addBackdropsToEditor();
    bool backdropsInEditor() const;
    void removeBackdropsFromEditor();

    // Merges what a design file gave: found colours and font replace the kit's, a found name is taken
    // only while the kit has none (an empty name, not trimmed). Marks the brand as configured.
    void apply(const BrandImporter::Result &result);

    // Solid, linear and mesh backdrops of the kit's colours, named after its label.
    static QList<Backdrop> generatedBackdrops(const BrandKit &kit);
    static bool isBrandID(const QString &id);

signals:
    void kitChanged();
    void logoChanged();
    void configuredChanged();

private:
    // Whether the brand folder is (made) a private folder of ours.
    bool folderReady() const;
    void followColors(const BrandKit &old);
    void save();
    void scheduleRefresh();
    void refreshCreatedBackdrops();
    void setLogo(const QImage &logo);

    platform::UserDefaults &m_defaults;
    StyleStore &m_styles;
    QString m_folder;
    BrandKit m_kit;
    QImage m_logo;
    QList<quint32> m_logoColors;
    bool m_configured = false;
    bool m_adjusting = false;
    bool m_skipFollow = false;
    QTimer m_refresh;
};
