#include "brand/BrandStore.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QJsonObject>

#include <gtest/gtest.h>

TEST(BrandKitTest, StoredShape) {
    const QJsonObject stored{{QStringLiteral("name"), QStringLiteral("Acme")},
                             {QStringLiteral("logoOnScreenshots"), true},
                             {QStringLiteral("logoPosition"), QStringLiteral("topCenter")},
                             {QStringLiteral("logoVariant"), QStringLiteral("rainbow")}};
    const std::optional<BrandKit> kit = BrandKit::fromJson(stored);
    ASSERT_TRUE(kit);
    EXPECT_TRUE(kit->logoOnScreenshots);
    EXPECT_EQ(kit->logoPosition, LogoPosition::topCenter);
    EXPECT_EQ(kit->logoVariant, LogoVariant::original); // an unknown placement keeps its default
    EXPECT_EQ(kit->logoSize, LogoSize::medium);
    // Writing back keeps what this kit does not know.
    const QJsonObject written = kit->toJson(stored);
    EXPECT_EQ(written.value(QStringLiteral("name")).toString(), QStringLiteral("Acme"));
    EXPECT_EQ(written.value(QStringLiteral("logoVariant")).toString(), QStringLiteral("original"));
    EXPECT_EQ(BrandKit::fromJson(written), kit);

    EXPECT_FALSE(BrandKit::fromJson(QJsonObject{{QStringLiteral("logoOnScreenshots"), QStringLiteral("yes")}}));
    EXPECT_FALSE(BrandKit::fromJson(QJsonValue(3)));
    EXPECT_EQ(BrandKit::fromJson(QJsonObject{{QStringLiteral("logoOnScreenshots"), QJsonValue()}}), BrandKit{});
}

TEST(BrandStoreTest, ScreenshotLogoNeedsTheSwitchAndAFile) {
    BrandStore &store = BrandStore::shared();
    const QString file = QDir(store.folder()).filePath(QStringLiteral("logo.png"));
    QFile::remove(file);
    store.loadLogo();
    BrandKit on = store.kit();
    on.logoOnScreenshots = true;
    store.setKit(on);
    EXPECT_EQ(store.screenshotLogo(), std::nullopt); // no file
    EXPECT_TRUE(platform::UserDefaults::standard().jsonValue(BrandStore::kitKey)->toObject().value(
        QStringLiteral("logoOnScreenshots")).toBool());

    QImage logo(30, 10, QImage::Format_ARGB32_Premultiplied);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(file));
    store.loadLogo();
    // The same image object every time, until the logo is loaded again.
    ASSERT_TRUE(store.screenshotLogo());
    EXPECT_EQ(store.screenshotLogo(), store.screenshotLogo());
    const std::optional<BrandLogo> before = store.screenshotLogo();
    store.loadLogo();
    EXPECT_NE(store.screenshotLogo(), before);

    BrandKit off = on;
    off.logoOnScreenshots = false;
    store.setKit(off);
    EXPECT_EQ(store.screenshotLogo(), std::nullopt);
}
