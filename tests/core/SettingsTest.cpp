#include "core/Settings.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <limits>

namespace {

struct SettingsTest : testing::Test {
    testsupport::TempFolder dir;
    platform::UserDefaults d{dir.file(QStringLiteral("d.json"))};

    // Stores `raw` under the setting's key, then reads the setting back.
    template <typename T, typename Store>
    T after(const Setting<T> &setting, Store store) {
        store(setting.key());
        return setting.value(d);
    }
};

} // namespace

TEST_F(SettingsTest, EachKeyReadsItsStoredFormAndFallsBackOnAnythingElse) {
    const auto text = [&](const char *raw) {
        return [&, raw](const QString &key) { d.setString(key, QString::fromUtf8(raw)); };
    };
    const auto integer = [&](qint64 raw) { return [&, raw](const QString &key) { d.setInt(key, raw); }; };
    const auto real = [&](double raw) { return [&, raw](const QString &key) { d.setDouble(key, raw); }; };
    const auto boolean = [&](bool raw) { return [&, raw](const QString &key) { d.setBool(key, raw); }; };
    const auto absent = [&](const QString &key) { d.remove(key); };

    EXPECT_EQ(after(Settings::afterCapture, absent), AfterCapture::quick);
    EXPECT_EQ(after(Settings::afterCapture, text("editor")), AfterCapture::editor);
    EXPECT_EQ(after(Settings::afterCapture, text("copy")), AfterCapture::copy);
    EXPECT_EQ(after(Settings::afterCapture, text("Editor")), AfterCapture::quick);
    EXPECT_EQ(after(Settings::afterCapture, text("")), AfterCapture::quick);
    EXPECT_EQ(after(Settings::afterCapture, boolean(true)), AfterCapture::quick);

    EXPECT_EQ(after(Settings::areaRelease, absent), AreaRelease::adjust);
    EXPECT_EQ(after(Settings::areaRelease, text("instant")), AreaRelease::instant);
    EXPECT_EQ(after(Settings::areaRelease, text("Instant")), AreaRelease::adjust);

    EXPECT_TRUE(after(Settings::overlayTipsEnabled, absent));
    EXPECT_TRUE(after(Settings::overlayTipsEnabled, text("false")));
    EXPECT_FALSE(after(Settings::overlayTipsEnabled, boolean(false)));

    EXPECT_EQ(after(Settings::quickLifetime, absent), QuickLifetime::medium);
    EXPECT_EQ(after(Settings::quickLifetime, integer(10)), QuickLifetime::short_);
    EXPECT_EQ(after(Settings::quickLifetime, integer(60)), QuickLifetime::long_);
    EXPECT_EQ(after(Settings::quickLifetime, integer(0)), QuickLifetime::forever_);
    EXPECT_EQ(after(Settings::quickLifetime, integer(45)), QuickLifetime::medium);
    EXPECT_EQ(after(Settings::quickLifetime, text("10")), QuickLifetime::medium);
    EXPECT_EQ(after(Settings::quickLifetime, real(10.0)), QuickLifetime::medium);

    // A real number counts as the whole number it holds; beyond 64 bits, as the end of the range.
    EXPECT_EQ(after(Settings::historyKeep, absent), 500);
    EXPECT_EQ(after(Settings::historyKeep, real(50.9)), 50);
    EXPECT_EQ(after(Settings::historyKeep, real(1e300)), std::numeric_limits<qint64>::max());
    EXPECT_EQ(after(Settings::historyKeep, text("20")), 500);

    EXPECT_EQ(after(Settings::shortcut(ShortcutAction::captureArea), text("{}")),
              Shortcut::defaultFor(ShortcutAction::captureArea));
    EXPECT_EQ(after(Settings::styleExport, text("png")), ExportSettings{});

    // The main window's frame: four whole numbers and a positive size, or none (centred).
    const auto json = [&](const char *raw) {
        return [&, raw](const QString &key) { d.setJson(key, QJsonDocument::fromJson(raw).object()); };
    };
    EXPECT_EQ(after(Settings::mainWindowFrame, json(R"({"x":-20,"y":30,"width":1240,"height":800})")),
              QRect(-20, 30, 1240, 800));
    EXPECT_TRUE(after(Settings::mainWindowFrame, json(R"({"x":0,"y":0,"width":0,"height":800})")).isNull());
    EXPECT_TRUE(after(Settings::mainWindowFrame, json(R"({"x":0.5,"y":0,"width":10,"height":10})")).isNull());
    EXPECT_TRUE(after(Settings::mainWindowFrame, json(R"({"x":1e300,"y":0,"width":10,"height":10})")).isNull());
    EXPECT_TRUE(after(Settings::mainWindowFrame, text("0 0 10 10")).isNull());
    EXPECT_EQ(after(Settings::customName, boolean(true)), QString());
}

TEST_F(SettingsTest, WritesKeepTheStoredFormsAndReadBack) {
    ASSERT_TRUE(Settings::afterCapture.set(AfterCapture::editor, d));
    EXPECT_EQ(d.stringValue(QStringLiteral("afterCapture")), QStringLiteral("editor"));
    ASSERT_TRUE(Settings::quickLifetime.set(QuickLifetime::long_, d));
    EXPECT_EQ(d.type(QStringLiteral("quick.lifetime")), platform::UserDefaults::Type::Int);
    EXPECT_EQ(Settings::quickLifetime.value(d), QuickLifetime::long_);

    // Every action's combination under "shortcut.<action>", as data holding its JSON document.
    for (ShortcutAction action : ShortcutActions::all()) {
        const Setting<Shortcut> &setting = Settings::shortcut(action);
        EXPECT_EQ(setting.key(), QStringLiteral("shortcut.") + ShortcutActions::rawValue(action));
        const Shortcut chosen{static_cast<std::uint16_t>(10 + static_cast<int>(action)), 0x100000, QStringLiteral("X")};
        ASSERT_TRUE(setting.set(chosen, d));
        EXPECT_EQ(d.type(setting.key()), platform::UserDefaults::Type::Data);
        EXPECT_EQ(setting.value(d), chosen);
        setting.reset(d);
        EXPECT_FALSE(setting.isStored(d));
        EXPECT_EQ(setting.value(d), Shortcut::defaultFor(action));
    }

    // A value JSON cannot hold is not written at all.
    BeautyStyle style;
    style.padding = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(Settings::styleDefault.set(style, d));
    EXPECT_FALSE(Settings::styleDefault.isStored(d));
}
