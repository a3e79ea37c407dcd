#include "brand/BrandStore.h"

#include "core/Settings.h"
#include "platform/AppPaths.h"
#include "platform/ImageChecks.h"

#include <QImageReader>

BrandStore &BrandStore::shared() {
    static BrandStore *store = new BrandStore; // lives as long as the process
    return *store;
}

BrandStore::BrandStore() {
    m_kit = BrandKit::fromJson(Settings::brandKit.value()).value_or(BrandKit{});
    loadLogo();
}

void BrandStore::setKit(const BrandKit &kit) {
    if (kit == m_kit) return;
    m_kit = kit;
    // Keys of the stored kit that this store does not read are written back as they were.
    Settings::brandKit.set(m_kit.toJson(Settings::brandKit.value()));
    emit kitChanged();
}

QString BrandStore::folder() const { return platform::AppPaths::documentsSubfolder(QStringLiteral("Marca")); }

void BrandStore::loadLogo() {
    QImage loaded;
    const QString dir = folder();
    if (!dir.isEmpty()) {
        QImageReader reader(dir + QStringLiteral("/logo.png"));
        if (platform::fitsImageLimits(reader.size())) loaded = reader.read();
    }
    m_logo = loaded;
    emit logoChanged();
}

std::optional<BrandLogo> BrandStore::screenshotLogo() const {
    if (!m_kit.logoOnScreenshots || m_logo.isNull()) return std::nullopt;
    return BrandLogo{m_logo, m_kit.logoVariant, m_kit.logoPosition, m_kit.logoSize};
}
