#include "brand/BrandImporter.h"
#include "support/FixedFonts.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>

#include <gtest/gtest.h>

#include <sys/resource.h>

using namespace BrandImporter;

namespace {

Result text(const char *utf8) { return parseData(QByteArray(utf8)); }

// Token files made to cost the most per byte: colours deep under keys of hundreds of characters,
// and long lines of nothing but different colours. `bytes` is about the size of each.
QByteArray deepTokens(qsizetype bytes) {
    QByteArray key(900, 'x');
    QByteArray json = "{\"color\":";
    for (int depth = 0; depth < 60; ++depth) json += "{\"" + key + QByteArray::number(depth) + "\":";
    json += "{\"brand\":\"#6E5BD8\"";
    for (int i = 0; json.size() < bytes; ++i)
        json += ",\"c" + QByteArray::number(i) + "\":\"#" + QByteArray::number(0x100000 + i, 16) + "\"";
    return json + QByteArray(62, '}');
}
QByteArray colorLines(qsizetype bytes) {
    QByteArray text = "# Hostile\nprimary: #6E5BD8\n";
    for (int i = 0; text.size() < bytes; ++i)
        text += (i % 4000 ? "#" : "\n#") + QByteArray::number(0x100 + i % 0xE00, 16) + " ";
    return text;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool addressSpaceLimited = false; // the sanitizer reserves terabytes of address space
#elif defined(__has_feature)
constexpr bool addressSpaceLimited = !__has_feature(address_sanitizer);
#else
constexpr bool addressSpaceLimited = true;
#endif

// The address space the process has taken so far.
qint64 addressSpace() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly)) return -1;
    return statm.readAll().split(' ').value(0).toLongLong() * 4096;
}

} // namespace

TEST(BrandImporterTest, HexColorsNeedAHashAndWholeDigits) {
    EXPECT_EQ(hexColor(QStringLiteral(" #abc\n")), 0xAABBCCu);
    EXPECT_EQ(hexColor(QStringLiteral("#6E5BD8FF")), 0x6E5BD8u);
    EXPECT_FALSE(hexColor(QStringLiteral("6E5BD8")));
    EXPECT_FALSE(hexColor(QStringLiteral("#6E5BD")));
    EXPECT_FALSE(hexColor(QStringLiteral("#6E5BDG")));
    EXPECT_EQ(hexColor(QStringLiteral("#6e5bd8")), 0x6E5BD8u);
    EXPECT_EQ(hexColor(QStringLiteral("#000")), 0x000000u);
    // Only the forms above: never QColor's alpha-first, 4-digit or 12-digit ones, nor signs or spaces inside.
    for (const char *text : {"#6E5BD8F", "#6E5B", "#06E05B0D8", "#06E605B60D86", "#-6E5BD", "#6E 5BD", "#+6E5BD"})
        EXPECT_FALSE(hexColor(QString::fromLatin1(text))) << text;
    // In running text a colour ends where a word ends, accented letters included.
    EXPECT_EQ(text("cor: #abcé\nfundo: #abc;").colorCount, 1);
}

TEST(BrandImporterTest, TokenFilesGiveRolesByPathAndWord) {
    const auto r = text(R"({"color":{"on-primary":{"$value":"#FFFFFF"},"zz":"#111111",
                          "brand":{"$value":"#6E5BD8","$type":"color"},"maintext":{"value":"#222222"}},
                          "font":{"family":{"$value":["Inter, sans-serif","Arial"]}},"fontSize":"16px"})");
    EXPECT_EQ(r.primary, 0x6E5BD8u);    // "color.brand", a whole word; never "color.on-primary"
    EXPECT_EQ(r.text, 0x222222u);       // the second pass finds "text" inside a word
    EXPECT_EQ(r.background, 0xFFFFFFu); // no background keyword: the lightest colour, luma above 0.8
    EXPECT_EQ(r.secondary, 0x222222u);  // the first colour other than the primary, in key order
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
    // A "name" or font of megabytes is a file's content, not a name: it would go into the settings.
    const QByteArray longName(5000, 'x');
    const Result headings = parseData("# " + longName + "\n# Acme\nfont-family: " + longName + ";\n");
    EXPECT_EQ(headings.name, QStringLiteral("Acme"));
    EXPECT_FALSE(headings.fontFamily);
    EXPECT_FALSE(parseData("{\"fontFamily\":\"" + longName + "\"}").fontFamily);
    // Bytes that are not UTF-8 are no text.
    EXPECT_EQ(parseData("primary #6E5BD8 \xff\xfe"), Result{});

    testsupport::TempFolder dir;
    dir.write(QStringLiteral("big.css"), "primary: #6E5BD8;\n" + QByteArray(maxFileBytes, ' '));
    EXPECT_EQ(parse(dir.file(QStringLiteral("big.css"))), Result{});
    EXPECT_EQ(parse(dir.file(QStringLiteral("missing.css"))), Result{});
}

// A colour's label is its line without every occurrence of the colour's text, even where that
// makes or breaks a word.
TEST(BrandImporterTest, LabelsAreTheLineWithoutTheColorsText) {
    EXPECT_EQ(text("x #111111\nbran#abcd; #abc\n").primary, 0xAABBCCu); // "brand; "
    EXPECT_EQ(text("x #111111\n#accent #acc\n").primary, 0x111111u);    // "ent ": no accent left
    EXPECT_EQ(text("x #111111\nbrand#abcx #abc\nbrandy #222222\n").primary,
              0xAABBCCu); // "brandx ", inside a word first
    EXPECT_EQ(text("a #111111 b #222222 c #333333 secondary\n").secondary, 0x111111u);
    EXPECT_EQ(text("x #111111\nİ bran#abcd; #abc\n").primary, 0xAABBCCu); // İ is longer in lower case
}

// The hostile files of each kind near the size cap are read in memory within a small multiple of
// their size, by a run of this program whose address space is capped.
TEST(BrandImporterTest, HostileFilesAreReadInLittleMemory) {
    const QByteArray files = qgetenv("PELICARTA_IMPORTER_PROBE");
    if (!files.isEmpty()) {
        if (addressSpaceLimited) {
            const rlim_t cap = rlim_t(addressSpace() + (qint64(256) << 20));
            const rlimit space{cap, cap};
            ASSERT_EQ(setrlimit(RLIMIT_AS, &space), 0);
        }
        for (const QByteArray &file : files.split('\n')) {
            const Result r = parse(QString::fromLocal8Bit(file));
            std::printf("%s %d %06x\n", file.constData(), r.colorCount, r.primary.value_or(0));
        }
        return;
    }
    testsupport::TempFolder dir;
    ASSERT_TRUE(dir.write(QStringLiteral("deep.json"), deepTokens(maxFileBytes / 2)));
    ASSERT_TRUE(dir.write(QStringLiteral("lines.md"), colorLines(maxFileBytes - 1000)));
    const QString deep = dir.file(QStringLiteral("deep.json")), lines = dir.file(QStringLiteral("lines.md"));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PELICARTA_IMPORTER_PROBE"), deep + u'\n' + lines);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=BrandImporterTest.HostileFilesAreReadInLittleMemory")});
    ASSERT_TRUE(child.waitForFinished(testsupport::patienceMs));
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit) << out.toStdString();
    EXPECT_EQ(child.exitCode(), 0) << out.toStdString();
    // Every "#" is a colour but the heading's.
    const auto expected = [&dir](const QString &name, int heading) {
        return QStringLiteral("%1 %2 6e5bd8\n").arg(dir.file(name)).arg(dir.read(name).count('#') - heading);
    };
    EXPECT_TRUE(out.contains(expected(QStringLiteral("deep.json"), 0))) << out.toStdString();
    EXPECT_TRUE(out.contains(expected(QStringLiteral("lines.md"), 1))) << out.toStdString();
}

TEST(BrandImporterTest, AccentStaysReadableAndFontsAreFoundInAnyCase) {
    EXPECT_EQ(readableAccent(0xFFFFFF, 0xFFFFFF, 0x15121F), 0x15121Fu);
    EXPECT_EQ(readableAccent(0x6E5BD8, 0xFFFFFF, 0x15121F), 0x6E5BD8u);

    const QStringList &families = installedFamilies();
    ASSERT_FALSE(families.isEmpty());
    EXPECT_TRUE(isInstalled(families.first().toUpper()));
    EXPECT_EQ(text(("font-family: " + families.first().toLower() + ";").toUtf8()).fontFamily, families.first());
}

TEST(BrandImporterTest, AFamilyListedOnlyWithItsFoundriesIsInstalledOnceByItsName) {
    const testsupport::FixedFonts fonts{{QStringLiteral("Nimbus Sans [UKWN]"), QStringLiteral("Nimbus Sans [URW ]"),
                                         QStringLiteral("Nimbus Sans [urw]"), QStringLiteral(".Hidden"),
                                         QStringLiteral("Inter")}};
    EXPECT_EQ(installedFamilies(), (QStringList{QStringLiteral("Inter"), QStringLiteral("Nimbus Sans")}));
    EXPECT_TRUE(isInstalled(QStringLiteral("Nimbus Sans")));
    EXPECT_TRUE(isInstalled(QStringLiteral(" nimbus sans [urw]")));
    EXPECT_FALSE(isInstalled(QStringLiteral("Nimbus Roman")));
    // A token file naming the family alone takes the installed spelling.
    EXPECT_EQ(text("font-family: nimbus sans;").fontFamily, QStringLiteral("Nimbus Sans"));
}
