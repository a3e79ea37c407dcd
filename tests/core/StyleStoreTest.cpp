#include "core/Localization.h"
#include "core/Settings.h"
#include "core/StyleStore.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <limits>
#include <list>
#include <memory>

using platform::UserDefaults;

namespace {

const QStringList kStyleKeys{Settings::styleDefault.key(), Settings::stylePresets.key(), Settings::styleBackdrops.key(),
                             Settings::styleExport.key()};

class StyleStoreTest : public ::testing::Test {
protected:
    testsupport::TempFolder dir;
    std::unique_ptr<UserDefaults> defaults = std::make_unique<UserDefaults>(path());

    QString path() const { return dir.file(QStringLiteral("defaults.json")); }

    std::list<UserDefaults> reopened;

    // Another settings object over the same file, as after a restart; the first one stays alive
    // for the store that still uses it.
    UserDefaults &reopen() { return reopened.emplace_back(path()); }

    QStringList storedStyleKeys() const {
        QStringList keys;
        for (const QString &key : defaults->keys()) {
            if (key.startsWith(QStringLiteral("style."))) keys << key;
        }
        return keys;
    }

    static Backdrop userBackdrop(const QString &id, quint32 color = 0x112233) {
        Backdrop b;
        b.id = id;
        b.name = QStringLiteral("Fundo ") + id;
        b.kind = Backdrop::Kind::solid;
        b.colors = {color};
        return b;
    }

    static QStringList ids(const QList<Backdrop> &list) {
        QStringList result;
        for (const Backdrop &b : list) result << b.id;
        return result;
    }
};

} // namespace

TEST_F(StyleStoreTest, FirstLaunchUsesBuiltInsAndWritesNothing) {
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    StyleStore store(*defaults);
    platform::StringTables::setCurrentLanguage({});

    ASSERT_EQ(store.presets().size(), 3);
    EXPECT_EQ(store.presets()[0].name, QStringLiteral("Social"));
    EXPECT_EQ(store.presets()[1].name, QStringLiteral("Docs"));
    EXPECT_EQ(store.presets()[2].name, QStringLiteral("Slides"));
    EXPECT_EQ(store.presets()[0].style.padding, 80);
    EXPECT_EQ(store.presets()[1].style.backdrop.id, QStringLiteral("graphite"));
    EXPECT_EQ(store.presets()[2].style.aspect, AspectRatio::wide);
    EXPECT_EQ(store.backdrops(), Backdrop::defaults());
    EXPECT_EQ(store.backdrops().last().id, QStringLiteral("none"));
    EXPECT_EQ(store.exportSettings(), ExportSettings{});
    EXPECT_EQ(store.defaultStyle(), BeautyStyle{});
    EXPECT_TRUE(storedStyleKeys().isEmpty());
    EXPECT_FALSE(QFile::exists(path()));

    // Factory presets are made anew each time, with fresh identifiers.
    EXPECT_NE(StylePreset::factoryPresets()[0].id, StylePreset::factoryPresets()[0].id);
}

TEST_F(StyleStoreTest, OneChangeWritesAllFourKeysInOneWriteAndTheyReadBackEqual) {
    StyleStore store(*defaults);
    QSignalSpy fileWrites(defaults.get(), &UserDefaults::changed);
    QSignalSpy exportChanged(&store, &StyleStore::exportSettingsChanged);
    QSignalSpy presetsChanged(&store, &StyleStore::presetsChanged);

    store.setExportSettings(ExportSettings{ExportFormat::heic, 0.5, ExportScale::standard});
    EXPECT_EQ(exportChanged.count(), 1);
    EXPECT_EQ(presetsChanged.count(), 0);
    EXPECT_EQ(storedStyleKeys(), (QStringList{Settings::styleBackdrops.key(), Settings::styleDefault.key(),
                                              Settings::styleExport.key(), Settings::stylePresets.key()}));
    EXPECT_EQ(fileWrites.count(), 4); // one batch, one signal per key

    // Assigning the value it already has is no change.
    store.setExportSettings(store.exportSettings());
    EXPECT_EQ(exportChanged.count(), 1);

    StyleStore again(reopen());
    EXPECT_EQ(again.exportSettings(), store.exportSettings());
    EXPECT_EQ(again.presets(), store.presets());
    EXPECT_EQ(again.backdrops(), store.backdrops());
    EXPECT_EQ(again.defaultStyle(), store.defaultStyle());

    const QJsonArray presets = defaults->jsonValue(Settings::stylePresets.key())->toArray();
    const QString id = presets.first().toObject().value(QStringLiteral("id")).toString();
    EXPECT_EQ(id, id.toUpper());
    EXPECT_FALSE(id.startsWith(QLatin1Char('{')));
}

TEST_F(StyleStoreTest, UnreadableStoredValuesFallBackKeyByKeyAndStayUntilTheirOwnChange) {
    QJsonArray presets;
    StylePreset good{QUuid::createUuid(), QStringLiteral("Meu"), BeautyStyle{}};
    presets.append(good.toJson());
    QJsonObject broken = good.toJson();
    broken.insert(QStringLiteral("id"), QStringLiteral("not-a-uuid"));
    presets.append(broken);
    defaults->setJson(Settings::stylePresets.key(), presets);
    defaults->setJson(Settings::styleDefault.key(),
                      QJsonObject{{QStringLiteral("backdropID"), QStringLiteral("ocean")}});
    defaults->setString(Settings::styleExport.key(), QStringLiteral("png")); // not a JSON document

    StyleStore store(*defaults);
    ASSERT_EQ(store.presets().size(), 3);
    EXPECT_EQ(store.presets()[0].name, L("Social"));
    EXPECT_EQ(store.defaultStyle().backdrop.id, QStringLiteral("ocean"));
    EXPECT_EQ(store.exportSettings(), ExportSettings{});

    // An unrelated change writes the readable and the changed keys, never over the broken ones.
    BeautyStyle style = store.defaultStyle();
    style.padding = 20;
    store.setDefaultStyle(style);
    EXPECT_EQ(defaults->jsonValue(Settings::stylePresets.key()), QJsonValue(presets));
    EXPECT_EQ(defaults->stringValue(Settings::styleExport.key()), QStringLiteral("png"));
    EXPECT_TRUE(defaults->contains(Settings::styleBackdrops.key())); // absent before: written
    EXPECT_EQ(BeautyStyle::fromJson(*defaults->jsonValue(Settings::styleDefault.key())), style);

    store.setExportSettings(ExportSettings{ExportFormat::jpeg, 0.7, ExportScale::retina});
    EXPECT_EQ(defaults->jsonValue(Settings::stylePresets.key()), QJsonValue(presets));
    EXPECT_EQ(ExportSettings::fromJson(*defaults->jsonValue(Settings::styleExport.key())), store.exportSettings());

    // The presets themselves changing replaces the broken list.
    store.renamePreset(store.presets()[1].id, QStringLiteral("Documentos"));
    StyleStore again(reopen());
    EXPECT_EQ(again.presets(), store.presets());
    EXPECT_EQ(again.presets()[1].name, QStringLiteral("Documentos"));
}

TEST_F(StyleStoreTest, StoredBackdropListsAreNormalizedWithOneTransparentEntryLast) {
    QJsonArray middle{userBackdrop(QStringLiteral("a")).toJson(), Backdrop::transparent().toJson(),
                      userBackdrop(QStringLiteral("b")).toJson(), Backdrop::transparent().toJson()};
    defaults->setJson(Settings::styleBackdrops.key(), middle);
    EXPECT_EQ(ids(StyleStore(*defaults).backdrops()), (QStringList{"a", "b", "none"}));

    defaults->setJson(Settings::styleBackdrops.key(), QJsonArray{userBackdrop(QStringLiteral("a")).toJson()});
    EXPECT_EQ(ids(StyleStore(*defaults).backdrops()), (QStringList{"a", "none"}));

    // A stored "none" that is not the real transparent backdrop is replaced by it.
    Backdrop fake = userBackdrop(QStringLiteral("none"));
    defaults->setJson(Settings::styleBackdrops.key(), QJsonArray{fake.toJson()});
    EXPECT_EQ(StyleStore(*defaults).backdrops(), QList<Backdrop>{Backdrop::transparent()});

    StyleStore store(*defaults);
    store.setBackdrops({userBackdrop(QStringLiteral("c")), Backdrop::transparent(), userBackdrop(QStringLiteral("d"))});
    EXPECT_EQ(ids(store.backdrops()), (QStringList{"c", "d", "none"}));

    // An edited file with more entries than the limits keeps every one, and the next save of an
    // unrelated change writes them all back; the limits only refuse additions.
    QJsonArray backdrops, presets;
    for (int i = 0; i < 30; ++i) backdrops.append(userBackdrop(QString::number(i)).toJson());
    backdrops.append(Backdrop::transparent().toJson());
    for (int i = 0; i < 3 * StyleStore::maxPresets; ++i) presets.append(StylePreset::factoryPresets()[0].toJson());
    defaults->setJson(Settings::styleBackdrops.key(), backdrops);
    defaults->setJson(Settings::stylePresets.key(), presets);
    StyleStore full(*defaults);
    ASSERT_EQ(full.backdrops().size(), 31);
    EXPECT_EQ(full.backdrops().last(), Backdrop::transparent());
    EXPECT_EQ(full.presets().size(), 3 * StyleStore::maxPresets);
    full.addPreset(QStringLiteral("mais um"), BeautyStyle{});
    full.saveBackdrop(userBackdrop(QStringLiteral("novo")));
    EXPECT_EQ(full.presets().size(), 3 * StyleStore::maxPresets);
    EXPECT_EQ(full.backdrops().size(), 31);
    BeautyStyle changed;
    changed.padding = 12;
    full.setDefaultStyle(changed);
    EXPECT_EQ(defaults->jsonValue(Settings::styleBackdrops.key()).value_or(QJsonValue()), QJsonValue(backdrops));
    EXPECT_EQ(defaults->jsonValue(Settings::stylePresets.key()).value_or(QJsonValue()).toArray().size(),
              3 * StyleStore::maxPresets);

    // A list too long to be anything but hostile is unreadable: the built-ins serve in memory and the
    // stored value stays as it is through an unrelated change.
    QJsonArray hostile;
    for (int i = 0; i < 5000; ++i) hostile.append(userBackdrop(QString::number(i)).toJson());
    defaults->setJson(Settings::styleBackdrops.key(), hostile);
    StyleStore guarded(*defaults);
    EXPECT_EQ(guarded.backdrops(), Backdrop::defaults());
    guarded.setDefaultStyle(BeautyStyle{});
    EXPECT_EQ(defaults->jsonValue(Settings::styleBackdrops.key()).value_or(QJsonValue()).toArray().size(), 5000);
}

TEST_F(StyleStoreTest, SavingBackdropsRespectsTheLimitAndCarriesIntoStyles) {
    StyleStore store(*defaults);
    Backdrop shared = userBackdrop(QStringLiteral("mine"));
    store.saveBackdrop(shared);
    EXPECT_EQ(ids(store.backdrops()).mid(8), (QStringList{"mine", "none"}));

    BeautyStyle style;
    style.backdrop = shared;
    store.setDefaultStyle(style);
    store.addPreset(QStringLiteral("Um"), style);
    store.addPreset(QStringLiteral("Dois"), style);
    store.addPreset(QStringLiteral("Outro"), BeautyStyle{});

    Backdrop changed = shared;
    changed.colors = {0xABCDEF};
    changed.name = QStringLiteral("Renomeado");
    QSignalSpy defaultChanged(&store, &StyleStore::defaultStyleChanged);
    store.saveBackdrop(changed);
    EXPECT_EQ(defaultChanged.count(), 1);
    EXPECT_EQ(store.backdrops()[8], changed);
    EXPECT_EQ(store.backdrops().size(), 10);
    EXPECT_EQ(store.defaultStyle().backdrop, changed);
    EXPECT_EQ(store.presets()[3].style.backdrop, changed);
    EXPECT_EQ(store.presets()[4].style.backdrop, changed);
    EXPECT_EQ(store.presets()[5].style.backdrop.id, QStringLiteral("aurora"));
    StyleStore reread(reopen());
    EXPECT_EQ(reread.presets()[4].style.backdrop, changed);
    EXPECT_EQ(reread.defaultStyle().backdrop, changed);

    // Removing it leaves the copies in the styles.
    store.removeBackdrop(changed);
    EXPECT_FALSE(ids(store.backdrops()).contains(QStringLiteral("mine")));
    EXPECT_EQ(store.defaultStyle().backdrop, changed);
    EXPECT_EQ(store.presets()[3].style.backdrop, changed);

    // "none" can be neither saved over nor removed.
    store.saveBackdrop(userBackdrop(QStringLiteral("none")));
    store.removeBackdrop(Backdrop::transparent());
    EXPECT_EQ(store.backdrops().last(), Backdrop::transparent());

    // Fill to twenty: a new identifier is refused, an existing one is still replaced; the store says
    // so beforehand, as the editor's and the brand's buttons ask it.
    EXPECT_TRUE(store.hasRoomForBackdrop());
    for (int i = 0; store.backdrops().size() < StyleStore::maxBackdrops; ++i)
        store.saveBackdrop(userBackdrop(QStringLiteral("extra-%1").arg(i)));
    ASSERT_EQ(store.backdrops().size(), 20);
    EXPECT_FALSE(store.hasRoomForBackdrop());
    EXPECT_FALSE(store.hasRoomForBackdrop(QStringLiteral("one-too-many")));
    EXPECT_TRUE(store.hasRoomForBackdrop(QStringLiteral("extra-0")));
    const QList<Backdrop> full = store.backdrops();
    store.saveBackdrop(userBackdrop(QStringLiteral("one-too-many")));
    EXPECT_EQ(store.backdrops(), full);
    Backdrop replacement = userBackdrop(QStringLiteral("extra-0"), 0xFEDCBA);
    store.saveBackdrop(replacement);
    EXPECT_EQ(store.backdrops().size(), 20);
    EXPECT_EQ(store.backdrops()[ids(full).indexOf(QStringLiteral("extra-0"))], replacement);

    store.resetBackdrops();
    EXPECT_EQ(store.backdrops(), Backdrop::defaults());
}

TEST_F(StyleStoreTest, PresetOperationsKeepTheirLimitsAndTrimNames) {
    StyleStore store(*defaults);
    for (int i = 0; i < 10; ++i) store.addPreset(QStringLiteral("P%1").arg(i), BeautyStyle{});
    ASSERT_EQ(store.presets().size(), StyleStore::maxPresets);
    EXPECT_EQ(store.presets().last().name, QStringLiteral("P5"));

    const QUuid id = store.presets()[4].id;
    store.renamePreset(id, QStringLiteral("  \n\t "));
    EXPECT_EQ(store.presets()[4].name, QStringLiteral("P1"));
    store.renamePreset(id, QStringLiteral("  Blog\n"));
    EXPECT_EQ(store.presets()[4].name, QStringLiteral("Blog"));
    QSignalSpy presetsChanged(&store, &StyleStore::presetsChanged);
    store.renamePreset(QUuid::createUuid(), QStringLiteral("Nada"));
    store.updatePreset(QUuid::createUuid(), BeautyStyle{});
    store.removePreset(StylePreset{QUuid::createUuid(), QStringLiteral("x"), BeautyStyle{}});
    EXPECT_EQ(presetsChanged.count(), 0);

    BeautyStyle square;
    square.aspect = AspectRatio::square;
    store.updatePreset(id, square);
    EXPECT_EQ(store.presets()[4].style, square);

    // Presets sharing an identifier (hand-edited files) all go together.
    QList<StylePreset> twins = store.presets();
    twins[5].id = id;
    store.setPresets(twins);
    store.removePreset(store.presets()[4]);
    EXPECT_EQ(store.presets().size(), 7);

    store.resetPresets();
    ASSERT_EQ(store.presets().size(), 3);
    EXPECT_EQ(store.presets()[2].style.backdrop.id, QStringLiteral("ocean"));
}

TEST_F(StyleStoreTest, AValueThatCannotBeWrittenFaithfullyIsSkippedAlone) {
    StyleStore store(*defaults);
    BeautyStyle style;
    style.padding = std::numeric_limits<double>::quiet_NaN();
    store.setDefaultStyle(style);
    EXPECT_FALSE(defaults->contains(Settings::styleDefault.key()));
    EXPECT_TRUE(defaults->contains(Settings::stylePresets.key()));
    EXPECT_EQ(StyleStore(reopen()).defaultStyle(), BeautyStyle{});
}

TEST_F(StyleStoreTest, StylesEditedInTheFileAreTakenIn) {
    StyleStore store(*defaults);
    QSignalSpy styleChanged(&store, &StyleStore::defaultStyleChanged);
    QSignalSpy backdropsChanged(&store, &StyleStore::backdropsChanged);
    BeautyStyle edited;
    edited.padding = 20;
    platform::UserDefaults other(defaults->filePath());
    Settings::styleDefault.set(edited, other);
    defaults->reloadFromDisk();
    EXPECT_EQ(store.defaultStyle().padding, 20);
    EXPECT_EQ(styleChanged.size(), 1);
    EXPECT_EQ(backdropsChanged.size(), 0);
}
