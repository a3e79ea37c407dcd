#include "brand/BrandStore.h"

#include "platform/AppPaths.h"
#include "platform/ImageChecks.h"
#include "platform/UserDefaults.h"

#include <QImageReader>

BrandStore &BrandStore::shared() {
    static BrandStore *store = new BrandStore; // lives as long as the process
    return *store;
}

BrandStore::BrandStore() {
    if (const std::optional<QJsonValue> stored = platform::UserDefaults::standard().jsonValue(kitKey))
        m_kit = BrandKit::fromJson(*stored).value_or(BrandKit{});
    loadLogo();
}

void BrandStore::setKit(const BrandKit &kit) {
    if (kit == m_kit) return;
    m_kit = kit;
    platform::UserDefaults &defaults = platform::UserDefaults::standard();
    // Keys of the stored kit that this store does not read are written back as they were.
    const QJsonValue stored = defaults.jsonValue(kitKey).value_or(QJsonValue());
    defaults.setJson(kitKey, m_kit.toJson(stored.toObject()));
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
