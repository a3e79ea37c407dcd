#include "brand/BrandStore.h"
#include "core/Localization.h"
#include "core/Settings.h"
#include "core/StyleStore.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using platform::UserDefaults;

namespace {

class BrandStoreTest : public ::testing::Test {
protected:
    testsupport::TempFolder dir;
    UserDefaults defaults{dir.file(QStringLiteral("defaults.json"))};
    StyleStore styles{defaults};
    std::unique_ptr<BrandStore> store = open();

    std::unique_ptr<BrandStore> open() {
        return std::make_unique<BrandStore>(defaults, styles, dir.file(QStringLiteral("Marca")));
    }

    static Backdrop solid(const QString &id, quint32 color) {
        Backdrop b;
        b.id = id;
        b.name = id;
        b.kind = Backdrop::Kind::solid;
        b.colors = {color};
        return b;
    }

    static QImage logo(QColor a, QColor b) {
        QImage image(200, 50, QImage::Format_ARGB32);
        image.fill(a);
        QPainter(&image).fillRect(100, 0, 100, 50, b);
        return image;
    }

    const Backdrop *listed(const QString &id) const {
        for (const Backdrop &b : styles.backdrops())
            if (b.id == id) return &b;
        return nullptr;
    }
};

} // namespace

TEST_F(BrandStoreTest, CustomBackdropsFollowColorsAndName) {
    BrandKit kit = store->kit();
    kit.primary = 0xAA0000, kit.secondary = 0x00BB00;
    kit.customBackdrops = QList<Backdrop>{solid(QStringLiteral("x"), 0)};
    (*kit.customBackdrops)[0].colors = {0xAA0000, 0x00BB00, 0x123456};
    (*kit.customBackdrops)[0].name = L(LKey("%@ · Sólido", {L("Marca")}));
    kit.customBackdrops->append(solid(L("Marca") + QStringLiteral("s"), 0x123456));
    store->setKit(kit);

    // Primary A→B and secondary B→C together: every colour is mapped once, by the first pair.
    kit = store->kit();
    kit.primary = 0x00BB00, kit.secondary = 0x0000CC;
    store->setKit(kit);
    EXPECT_EQ(store->kit().customBackdrops->at(0).colors, (QList<quint32>{0x00BB00, 0x0000CC, 0x123456}));

    // From no name to "Acme": a name that begins with the old label as a word follows, one that merely
    // begins with its letters does not.
    kit = store->kit();
    kit.name = QStringLiteral("Acme");
    store->setKit(kit);
    EXPECT_EQ(store->kit().customBackdrops->at(0).name, L(LKey("%@ · Sólido", {QStringLiteral("Acme")})));
    EXPECT_EQ(store->kit().customBackdrops->at(1).name, L("Marca") + QStringLiteral("s"));

    // While restoring an earlier kit nothing follows.
    store->setSkipFollow(true);
    kit = store->kit();
    kit.primary = 0x111111;
    store->setKit(kit);
    EXPECT_EQ(store->kit().customBackdrops->at(0).colors.first(), 0x00BB00u);
}

TEST_F(BrandStoreTest, ChangesAreSavedAndMarkTheBrandConfigured) {
    QSignalSpy published(store.get(), &BrandStore::kitChanged);
    store->setKit(store->kit()); // published, but nothing changed: nothing is written
    EXPECT_EQ(published.count(), 1);
    EXPECT_FALSE(Settings::brandKit.isStored(defaults));
    EXPECT_FALSE(store->isConfigured());

    BrandKit kit = store->kit();
    kit.name = QStringLiteral("Acme");
    kit.primary = 0xFF123456; // only 24 bits are kept
    store->setKit(kit);
    EXPECT_EQ(store->kit().primary, 0x123456u);
    EXPECT_TRUE(open()->isConfigured());
    EXPECT_EQ(open()->kit(), store->kit());

    // An import marks the brand even when it changes nothing: a found name fills only an empty name,
    // and one space is not empty.
    kit.name = QStringLiteral(" ");
    store->setKit(kit);
    Settings::brandConfigured.reset(defaults);
    store = open();
    BrandImporter::Result imported;
    imported.name = QStringLiteral("Outra");
    store->apply(imported);
    EXPECT_TRUE(store->isConfigured());
    EXPECT_EQ(store->kit().name, QStringLiteral(" "));

    // A stored kit that does not decode gives the default kit.
    Settings::brandKit.set(QJsonObject{{QStringLiteral("primary"), QStringLiteral("#6E5BD8")}}, defaults);
    EXPECT_EQ(open()->kit(), BrandKit{});
}

TEST_F(BrandStoreTest, EditorListGetsOnlyWhatFitsAndFollowsTheLastChange) {
    // 18 backdrops of the user's and the transparent one: room for one brand backdrop only.
    QList<Backdrop> full;
    for (int i = 0; i < 18; ++i) full.append(solid(QStringLiteral("user-%1").arg(i), 0x101010));
    styles.setBackdrops(full);
    ASSERT_EQ(styles.backdrops().size(), 19);
    EXPECT_FALSE(store->backdropsInEditor());
    EXPECT_EQ(store->addBackdropsToEditor(), 1);
    EXPECT_TRUE(listed(BrandStore::solidID));
    EXPECT_FALSE(listed(BrandStore::linearID));

    // Changes closer together than the delay, lasting longer than it: each one puts the refresh off,
    // so there is one, a delay after the last change, with the last kit; unlisted backdrops are not
    // added. The pauses between changes hold the event loop: no refresh can come between them however
    // slowly the machine runs, and a refresh due a delay after the first change would come at once.
    QSignalSpy refreshed(&styles, &StyleStore::backdropsChanged);
    QElapsedTimer sinceLastChange;
    for (quint32 color : {0x110000u, 0x220000u, 0x330000u, 0x440000u}) {
        if (color != 0x110000u) QThread::msleep(BrandStore::refreshDelayMs * 2 / 5);
        BrandKit kit = store->kit();
        kit.primary = color;
        // Started before the change: the change itself writes the settings file after putting the
        // refresh off, which on a busy disk takes a while.
        sinceLastChange.start();
        store->setKit(kit);
    }
    EXPECT_TRUE(refreshed.isEmpty());
    ASSERT_TRUE(testsupport::received(refreshed));
    // Not before the delay after the last change (a timer may fire up to a twentieth early).
    EXPECT_GE(sinceLastChange.elapsed(), BrandStore::refreshDelayMs * 9 / 10);
    // Nor a second one: a timer of twice the delay started now fires after any refresh put off meanwhile.
    testsupport::settle();
    QTimer later;
    later.setSingleShot(true);
    later.setTimerType(Qt::PreciseTimer);
    QSignalSpy laterFired(&later, &QTimer::timeout);
    later.start(2 * BrandStore::refreshDelayMs);
    ASSERT_TRUE(testsupport::received(laterFired));
    EXPECT_EQ(refreshed.count(), 1);
    EXPECT_EQ(listed(BrandStore::solidID)->colors, QList<quint32>{0x440000});
    EXPECT_FALSE(listed(BrandStore::linearID));

    store->removeBackdropsFromEditor();
    EXPECT_FALSE(store->backdropsInEditor());
    styles.setBackdrops({});
    EXPECT_EQ(store->addBackdropsToEditor(), 3);
    EXPECT_EQ(store->addBackdropsToEditor(), 3); // already there: replaced in place
    EXPECT_EQ(styles.backdrops().size(), 4);
}

TEST_F(BrandStoreTest, LogoFollowsItsFileAndTheSwitch) {
    BrandKit kit = store->kit();
    kit.logoOnScreenshots = true;
    store->setKit(kit);
    EXPECT_FALSE(store->screenshotLogo());
    EXPECT_FALSE(store->previewLogo());

    // A grey logo lends no colour: nothing changes and there is nothing to undo.
    ASSERT_TRUE(store->saveLogo(logo(Qt::black, Qt::gray)));
    EXPECT_FALSE(store->applyLogoColors());
    EXPECT_EQ(store->kit().primary, BrandKit{}.primary);

    ASSERT_TRUE(store->saveLogo(logo(QColor(0xE2, 0x6D, 0x5A), QColor(0x3D, 0x9C, 0xD7))));
    const auto before = store->applyLogoColors();
    ASSERT_TRUE(before);
    EXPECT_EQ(before->primary, BrandKit{}.primary);
    EXPECT_NE(store->kit().primary, BrandKit{}.primary);
    EXPECT_EQ(store->snapshot().logo.cacheKey(), store->logo().cacheKey());

    // Every logo handed out is the very same image, so renders can tell that nothing changed.
    const auto stamped = store->screenshotLogo();
    ASSERT_TRUE(stamped);
    EXPECT_EQ(stamped, store->screenshotLogo());
    EXPECT_EQ(stamped->position, LogoPosition::bottomRight);
    EXPECT_EQ(open()->logo().size(), QSize(200, 50));

    kit = store->kit();
    kit.logoOnScreenshots = false;
    store->setKit(kit);
    EXPECT_FALSE(store->screenshotLogo());
    EXPECT_TRUE(store->previewLogo());

    kit.logoOnScreenshots = true;
    store->setKit(kit);
    store->removeLogo();
    EXPECT_FALSE(QFile::exists(store->logoPath()));
    EXPECT_FALSE(store->previewLogo());
    EXPECT_FALSE(open()->kit().logoOnScreenshots);
}

TEST_F(BrandStoreTest, TheStoredLogoIsReadAsAPngAndNothingElse) {
    // An SVG under the logo's name would be drawn with whatever files it names, at every launch; it is no
    // logo at all, and the file stays as it was.
    const QByteArray svg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="50">)"
                           R"(<rect width="100" height="50" fill="blue"/></svg>)";
    ASSERT_TRUE(dir.write(QStringLiteral("Marca/logo.png"), svg));
    {
        // Said in the log, once, with the file.
        testsupport::LoggedMessages log;
        store = open();
        const auto logged = log.in(QStringLiteral("pelicarta.brand"));
        ASSERT_EQ(logged.size(), 1);
        EXPECT_EQ(logged[0].type, QtWarningMsg);
        EXPECT_TRUE(logged[0].text.contains(dir.file(QStringLiteral("Marca/logo.png"))))
            << logged[0].text.toStdString();
    }
    EXPECT_TRUE(store->logo().isNull());
    EXPECT_FALSE(store->previewLogo());
    EXPECT_EQ(dir.read(QStringLiteral("Marca/logo.png")), svg);

    // A real PNG there is the logo.
    ASSERT_TRUE(store->saveLogo(logo(Qt::red, Qt::blue)));
    EXPECT_EQ(open()->logo().size(), QSize(200, 50));

    // A folder in the file's place: the logo is not saved, and the log says where it should have gone.
    ASSERT_TRUE(QFile::remove(dir.file(QStringLiteral("Marca/logo.png"))));
    ASSERT_TRUE(QDir().mkpath(dir.file(QStringLiteral("Marca/logo.png"))));
    testsupport::LoggedMessages log;
    EXPECT_FALSE(store->saveLogo(logo(Qt::red, Qt::blue)));
    const auto logged = log.in(QStringLiteral("pelicarta.brand"));
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged[0].text.contains(dir.file(QStringLiteral("Marca/logo.png")))) << logged[0].text.toStdString();
}
