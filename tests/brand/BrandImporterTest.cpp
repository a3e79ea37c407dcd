#include "brand/BrandImporter.h"
#include "support/TestSupport.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace BrandImporter;

namespace {

Result text(const char *utf8) { return parseData(QByteArray(utf8)); }

} // namespace

TEST(BrandImporterTest, HexColoursNeedAHashAndWholeDigits) {
    EXPECT_EQ(hexColor(QStringLiteral(" #abc\n")), 0xAABBCCu);
    EXPECT_EQ(hexColor(QStringLiteral("#6E5BD8FF")), 0x6E5BD8u);
    EXPECT_FALSE(hexColor(QStringLiteral("6E5BD8")));
    EXPECT_FALSE(hexColor(QStringLiteral("#6E5BD")));
    EXPECT_FALSE(hexColor(QStringLiteral("#6E5BDG")));
    // In running text a colour ends where a word ends, accented letters included.
    EXPECT_EQ(text("cor: #abcé\nfundo: #abc;").colorCount, 1);
}

TEST(BrandImporterTest, TokenFilesGiveRolesByPathAndWord) {
    const auto r = text(R"({"color":{"on-primary":{"$value":"#FFFFFF"},"zz":"#111111",
                          "brand":{"$value":"#6E5BD8","$type":"color"},"maintext":{"value":"#222222"}},
                          "font":{"family":{"$value":["Inter, sans-serif","Arial"]}},"fontSize":"16px"})");
    EXPECT_EQ(r.primary, 0x6E5BD8u);     // "color.brand", a whole word; never "color.on-primary"
    EXPECT_EQ(r.text, 0x222222u);        // the second pass finds "text" inside a word
    EXPECT_EQ(r.background, 0xFFFFFFu);  // no background keyword: the lightest colour, luma above 0.8
    EXPECT_EQ(r.secondary, 0x222222u);   // the first colour other than the primary, in key order
    EXPECT_EQ(r.fontFamily, QStringLiteral("Inter"));
    EXPECT_EQ(r.colorCount, 4);
    EXPECT_FALSE(r.name);
}

TEST(BrandImporterTest, TextFilesGiveRolesFontAndName) {
    const auto css = text("# DESIGN.md\n\n# Acme Design System — \n"
                          ".a { color: #FF00AA; } /* pink */\n"
                          "a:link { color: #0000EE; }\n"
                          "--marcax: #123456;\n"
                          "Cor primária: #6E5BD8\n"
                          "SECUNDÁRIA #F29BC4\n"
                          "font-size: 14px;\n"
                          "font-family: \"Inter\", sans-serif;\n"
                          "body { color: #15121F; }\n");
    EXPECT_EQ(css.name, QStringLiteral("Acme"));
    // The whole word wins over a keyword inside a longer word, however the word is written.
    EXPECT_EQ(css.primary, 0x6E5BD8u);
    EXPECT_EQ(css.secondary, 0xF29BC4u);
    EXPECT_EQ(css.text, 0x15121Fu); // neither the link nor the pink line
    EXPECT_EQ(css.fontFamily, QStringLiteral("Inter"));

    EXPECT_EQ(text("--brandx: #123456;\nPRIMÁRIA #6E5BD8\n").primary, 0x6E5BD8u);
    EXPECT_FALSE(text("font-family: 3Dfont, serif;\n").fontFamily);

    // Only the lightness fallbacks: repeats count, but only once as candidates.
    const auto plain = text("a #FFFFFF\nb #15121F\nc #FFFFFF\n");
    EXPECT_EQ(plain.colorCount, 3);
    EXPECT_EQ(plain.primary, 0xFFFFFFu);
    EXPECT_EQ(plain.secondary, 0x15121Fu);
    EXPECT_EQ(plain.background, 0xFFFFFFu);
    EXPECT_EQ(plain.text, 0x15121Fu);
}

TEST(BrandImporterTest, HostileFilesGiveNothingQuickly) {
    // A megabyte of "font" on one line would make the font pattern quadratic; it is read in pieces.
    EXPECT_EQ(parseData(QByteArray("font ").repeated(200000)), Result{});
    // Nested far beyond what any token file needs.
    EXPECT_EQ(parseData(QByteArray(100000, '[') + QByteArray(100000, ']')), Result{});
    QByteArray deep = "{\"color\":";
    for (int i = 0; i < 200; ++i) deep += "{\"a\":";
    deep += "\"#6E5BD8\"" + QByteArray(201, '}');
    EXPECT_EQ(parseData(deep).colorCount, 0);
    // Bytes that are not UTF-8 are no text.
    EXPECT_EQ(parseData("primary #6E5BD8 \xff\xfe"), Result{});

    testsupport::TempFolder dir;
    dir.write(QStringLiteral("big.css"), "primary: #6E5BD8;\n" + QByteArray(maxFileBytes, ' '));
    EXPECT_EQ(parse(dir.file(QStringLiteral("big.css"))), Result{});
    EXPECT_EQ(parse(dir.file(QStringLiteral("missing.css"))), Result{});
}

TEST(BrandImporterTest, AccentStaysReadableAndFontsAreFoundInAnyCase) {
    EXPECT_EQ(readableAccent(0xFFFFFF, 0xFFFFFF, 0x15121F), 0x15121Fu);
    EXPECT_EQ(readableAccent(0x6E5BD8, 0xFFFFFF, 0x15121F), 0x6E5BD8u);

    const QStringList &families = installedFamilies();
    ASSERT_FALSE(families.isEmpty());
    EXPECT_TRUE(isInstalled(families.first().toUpper()));
    EXPECT_EQ(text(("font-family: " + families.first().toLower() + ";").toUtf8()).fontFamily, families.first());
}
