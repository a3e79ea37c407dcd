#include "core/ExportSettings.h"
#include "core/TestValues.h"
#include "platform/StringTables.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <limits>

TEST(ExportSettingsTest, RawValuesExtensionsAndTypes) {
    for (ExportFormat format : allExportFormats) EXPECT_EQ(exportFormatFromRawValue(rawValue(format)), format);
    for (ExportScale scale : allExportScales) EXPECT_EQ(exportScaleFromRawValue(rawValue(scale)), scale);
    EXPECT_EQ(rawValue(ExportFormat::jpeg), QStringLiteral("jpeg"));
    EXPECT_EQ(fileExtension(ExportFormat::jpeg), QStringLiteral("jpg"));
    // Raw values are exact: neither the extension nor another spelling names a format.
    EXPECT_EQ(exportFormatFromRawValue(u"jpg"), std::nullopt);
    EXPECT_EQ(exportFormatFromRawValue(u"PNG"), std::nullopt);
    EXPECT_EQ(exportScaleFromRawValue(u""), std::nullopt);
}

TEST(ExportSettingsTest, JsonRoundTripAndDefault) {
    const ExportSettings defaults;
    EXPECT_EQ(defaults, settings(ExportFormat::png, ExportScale::retina, 0.85));
    EXPECT_EQ(QJsonDocument(defaults.toJson()).toJson(QJsonDocument::Compact),
              QByteArray(R"({"format":"png","quality":0.85,"scale":"retina"})"));

    for (ExportFormat format : allExportFormats)
        for (ExportScale scale : allExportScales)
            for (double quality : {0.0, 0.37, 1.0}) {
                const ExportSettings value = settings(format, scale, quality);
                // Through text, as the settings file stores it.
                const QJsonDocument stored =
                    QJsonDocument::fromJson(QJsonDocument(value.toJson()).toJson(QJsonDocument::Compact));
                EXPECT_EQ(ExportSettings::fromJson(stored.object()), value);
            }
}

TEST(ExportSettingsTest, UnreadableJsonGivesNothing) {
    const auto read = [](const char *json) {
        const QJsonDocument document = QJsonDocument::fromJson(QByteArray(json));
        return ExportSettings::fromJson(document.isObject() ? QJsonValue(document.object())
                                                            : QJsonValue(document.array()));
    };
    EXPECT_TRUE(read(R"({"format":"heic","quality":0.5,"scale":"standard","extra":1})"));
    EXPECT_FALSE(read(R"({"format":"webp","quality":0.5,"scale":"retina"})"));
    EXPECT_FALSE(read(R"({"format":"png","quality":0.5,"scale":"huge"})"));
    EXPECT_FALSE(read(R"({"format":"png","scale":"retina"})"));
    EXPECT_FALSE(read(R"({"quality":0.5,"scale":"retina"})"));
    EXPECT_FALSE(read(R"({"format":"png","quality":0.5})"));
    EXPECT_FALSE(read(R"({"format":1,"quality":0.5,"scale":"retina"})"));
    EXPECT_FALSE(read(R"({"format":"png","quality":"0.5","scale":"retina"})"));
    EXPECT_FALSE(read(R"({"format":"png","quality":null,"scale":"retina"})"));
    EXPECT_FALSE(read(R"({"format":"png","quality":0.5,"scale":true})"));
    EXPECT_FALSE(read(R"(["png",0.5,"retina"])"));
    EXPECT_FALSE(ExportSettings::fromJson(QJsonValue()));
    EXPECT_FALSE(ExportSettings::fromJson(QJsonValue(QStringLiteral("png"))));
}

TEST(ExportSettingsTest, QualityIsFiniteAndClamped) {
    const auto withQuality = [](QJsonValue quality) {
        return ExportSettings::fromJson(QJsonObject{{QStringLiteral("format"), QStringLiteral("jpeg")},
                                                    {QStringLiteral("quality"), quality},
                                                    {QStringLiteral("scale"), QStringLiteral("retina")}});
    };
    EXPECT_FALSE(withQuality(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(withQuality(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(withQuality(-std::numeric_limits<double>::infinity()));
    EXPECT_EQ(withQuality(-0.5)->quality, 0.0);
    EXPECT_EQ(withQuality(7)->quality, 1.0);
    EXPECT_EQ(withQuality(1)->quality, 1.0);
    EXPECT_EQ(withQuality(0.42)->quality, 0.42);
    // A number too large for a double is no quality either.
    const QJsonDocument huge = QJsonDocument::fromJson(R"({"format":"png","quality":1e999,"scale":"retina"})");
    EXPECT_FALSE(huge.isObject() && ExportSettings::fromJson(huge.object()));

    // What is written can always be read back.
    for (double quality : {std::numeric_limits<double>::quiet_NaN(), 3.0, -1.0}) {
        const QJsonObject written = settings(ExportFormat::jpeg, ExportScale::retina, quality).toJson();
        const auto reread = ExportSettings::fromJson(QJsonDocument::fromJson(QJsonDocument(written).toJson()).object());
        ASSERT_TRUE(reread);
        EXPECT_GE(reread->quality, 0.0);
        EXPECT_LE(reread->quality, 1.0);
    }
}

// The two sizes side by side in one control: their words start alike in every language.
TEST(ExportSettingsTest, ScaleLabelsShareOneCaseInEveryLanguage) {
    for (const char *language : {"pt-BR", "en"}) {
        platform::StringTables::setCurrentLanguage(QLatin1String(language));
        const QString retina = scaleLabel(ExportScale::retina), standard = scaleLabel(ExportScale::standard);
        const QChar first = retina.at(retina.indexOf(QLatin1Char(' ')) + 1);
        const QChar second = standard.at(standard.indexOf(QLatin1Char(' ')) + 1);
        EXPECT_EQ(first.isUpper(), second.isUpper()) << qPrintable(retina) << " / " << qPrintable(standard);
    }
    platform::StringTables::setCurrentLanguage({});
}
