#include "brand/LogoLoader.h"
#include "core/Exporter.h"
#include "core/Localization.h"
#include "platform/HeifCodec.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QBuffer>
#include <QFile>
#include <QFutureWatcher>
#include <QLinearGradient>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTest>
#include <QtConcurrent>
#include <QtEndian>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QImage gradient(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32);
    QPainter p(&image);
    QLinearGradient g(0, 0, w, 0);
    g.setColorAt(0, Qt::red);
    g.setColorAt(1, Qt::blue);
    p.fillRect(image.rect(), g);
    return image;
}

QByteArray encoded(const QImage &image, const char *format) { return Exporter::encodeWithQt(image, format).value(); }

const char *const twoHalvesEps = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 10 20 110 70\n"
                                 "1 0 0 setrgbcolor 10 20 50 50 rectfill 0 0 1 setrgbcolor 60 20 50 50 rectfill\n"
                                 "showpage\n";

// A DOS EPS file: a 30-byte header, then the PostScript, then the TIFF preview at `previewOffset`.
QByteArray dosEps(const QByteArray &postscript, const QByteArray &tiff, quint32 previewOffset = 0) {
    QByteArray bytes(30, '\0');
    const auto put = [&bytes](int at, quint32 v) { qToLittleEndian(v, bytes.data() + at); };
    bytes.replace(0, 4, "\xC5\xD0\xD3\xC6");
    put(4, 30);
    put(8, quint32(postscript.size()));
    put(20, previewOffset ? previewOffset : quint32(30 + postscript.size()));
    put(24, quint32(tiff.size()));
    return bytes + postscript + tiff;
}

// A white logo-sized picture with a black square; its left edge is two greys 19 and 45 away from white.
QImage squareOnWhite() {
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.fillRect(30, 30, 40, 40, Qt::black);
    p.fillRect(30, 30, 1, 20, QColor(236, 236, 236));
    p.fillRect(30, 50, 1, 20, QColor(210, 210, 210));
    return image;
}

// A one-page PDF whose page (`width` × 100 points) draws `content`.
QByteArray pdfWith(const QByteArray &content, int width = 200) {
    const QByteArrayList objects{
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + QByteArray::number(width) + " 100] /Contents 4 0 R >>",
        "<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n" + content + "\nendstream"};
    QByteArray pdf = "%PDF-1.4\n";
    QByteArray xref = "xref\n0 5\n0000000000 65535 f \n";
    for (qsizetype i = 0; i < objects.size(); ++i) {
        xref += QByteArray::number(pdf.size()).rightJustified(10, '0') + " 00000 n \n";
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const QByteArray start = QByteArray::number(pdf.size());
    return pdf + xref + "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + start + "\n%%EOF\n";
}

bool hasReddishPixel(const QImage &image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 128 && c.red() > 150 && c.blue() < 100) return true;
        }
    return false;
}

class LogoLoaderTest : public ::testing::Test {
protected:
    // The loader draws documents in the tests' render process, as the program does in its own.
    static void SetUpTestSuite() {
        LogoRenderProcess::setDefaultProgram({QStringLiteral(PELICARTA_TEST_LOGO_RENDERER), {}});
    }

    testsupport::TempFolder dir;

    LogoLoader::Outcome load(const QString &name, const QByteArray &bytes, const LogoLoader::Options &options = {}) {
        dir.write(name, bytes);
        return LogoLoader::load(dir.file(name), options);
    }

    static LogoLoader::Options withoutGhostscript() {
        LogoLoader::Options options;
        options.ghostscript.program = QStringLiteral("/nonexistent/gs");
        return options;
    }

    static QString vectorMessage(const char *ext) {
        return L(LKey("O macOS não consegue ler este %@. No Illustrator, use Salvar como › SVG ou PDF (ou AI com "
                      "“Criar arquivo compatível com PDF”) e tente de novo.",
                      {QString::fromLatin1(ext)}));
    }
};

} // namespace

TEST_F(LogoLoaderTest, EveryFormatIsDrawnToFitTheLogoBox) {
    EXPECT_EQ(load("wide.png", encoded(gradient(4000, 1000), "png")).image.size(), QSize(1600, 400));
    EXPECT_EQ(load("wide.jpg", encoded(gradient(4000, 1000), "jpeg")).image.size(), QSize(1600, 400));
    EXPECT_EQ(load("small.webp", encoded(gradient(400, 100), "webp")).image.size(), QSize(400, 100));
    EXPECT_EQ(load("small.heic", platform::HeifCodec::encode(gradient(400, 100), 0.9).value()).image.size(),
              QSize(400, 100));

    // Vector pictures are enlarged until they touch the box.
    const QByteArray svg = R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
        <defs><linearGradient id="g"><stop offset="0" stop-color="red"/><stop offset="1" stop-color="blue"/>
        </linearGradient></defs><rect width="100" height="100" fill="url(#g)"/></svg>)svg";
    EXPECT_EQ(load("logo.svg", svg).image.size(), QSize(600, 600));

    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setPageSize(QPageSize(QSizeF(200, 100), QPageSize::Point));
        writer.setPageMargins({});
        writer.setResolution(72);
        QPainter p(&writer);
        p.drawImage(QRect(0, 0, 200, 100), gradient(200, 100));
    }
    // An Illustrator file saved PDF-compatible is PDF data: read as such whatever its name.
    const auto fromPdf = load("logo.ai", pdf.data());
    EXPECT_EQ(fromPdf.image.size(), QSize(1200, 600));
    EXPECT_TRUE(fromPdf.note.isEmpty());
    EXPECT_GT(fromPdf.image.pixelColor(10, 300).red(), 200);
    EXPECT_EQ(fromPdf.image.pixelColor(10, 300).alpha(), 255);

    // PostScript through ghostscript, on a fixed page of the bounding box's shape.
    const auto fromEps = load("logo.eps", twoHalvesEps);
    EXPECT_EQ(fromEps.image.size(), QSize(1200, 600)) << fromEps.message.toStdString();
    EXPECT_EQ(fromEps.image.pixelColor(1100, 300), QColor(Qt::blue));
    EXPECT_EQ(load("logo.eps", twoHalvesEps, withoutGhostscript()).message, vectorMessage("EPS"));
}

TEST_F(LogoLoaderTest, PlainBackgroundGoesWhenItIsOne) {
    // A 100 × 20 picture: a background of exactly w × h / 20 pixels is too little, one more is enough.
    const QString note = L("Tirei o fundo liso do logo para ele ficar transparente.");
    for (const int whiteInTopRow : {97, 98}) {
        QImage image(100, 20, QImage::Format_RGB32);
        image.fill(Qt::black);
        for (int x = 0; x < whiteInTopRow; ++x) image.setPixel(x, 0, qRgb(255, 255, 255));
        for (const QPoint corner : {QPoint(99, 0), QPoint(0, 19), QPoint(99, 19)})
            image.setPixel(corner, qRgb(250, 250, 250));
        const auto outcome = load("band.png", encoded(image, "png"));
        const bool removed = whiteInTopRow == 98;
        EXPECT_EQ(outcome.note, removed ? note : QString()) << whiteInTopRow;
        EXPECT_EQ(outcome.image.pixelColor(0, 0).alpha(), removed ? 0 : 255) << whiteInTopRow;
    }

    // The fill stops at the drawing, leaving its edge partly transparent; then the margin is trimmed.
    const auto square = load("square.png", encoded(squareOnWhite(), "png"));
    EXPECT_EQ(square.note, note);
    EXPECT_EQ(square.image.size(), QSize(44, 44));
    EXPECT_EQ(square.image.pixelColor(2, 7).alpha(), 9);
    EXPECT_EQ(square.image.pixelColor(2, 32).alpha(), 245);
    EXPECT_EQ(square.image.pixelColor(0, 0).alpha(), 0);

    // One corner 13 away from the others: no background, no note, nothing trimmed.
    QImage odd = squareOnWhite();
    odd.setPixel(99, 99, qRgb(242, 242, 242));
    const auto kept = load("odd.png", encoded(odd, "png"));
    EXPECT_TRUE(kept.note.isEmpty());
    EXPECT_EQ(kept.image.size(), QSize(100, 100));

    // The preview inside a DOS EPS is low resolution; the user hears about that, not the background.
    const auto preview = load("logo.eps", dosEps("%!PS\n", encoded(squareOnWhite(), "tiff")), withoutGhostscript());
    EXPECT_EQ(preview.image.size(), QSize(44, 44));
    EXPECT_EQ(preview.note, L("Usei a prévia que vem dentro do EPS, que tem resolução baixa. Para um logo nítido, "
                              "exporte como SVG ou PDF."));
}

TEST_F(LogoLoaderTest, UnusableFilesSayWhy) {
    EXPECT_EQ(LogoLoader::load(dir.file(QStringLiteral("missing.png"))).message,
              L(LKey("Não consegui abrir %@.", {QStringLiteral("missing.png")})));
    EXPECT_EQ(load("empty.png", {}).message, L(LKey("Não consegui abrir %@.", {QStringLiteral("empty.png")})));
    const QString notAnImage =
        L(LKey("Não consegui abrir %@ como imagem. Tente PNG, SVG, PDF ou JPEG.", {QStringLiteral("logo.png")}));
    EXPECT_EQ(load("logo.png", "hello").message, notAnImage);
    // Data that begins like a PDF but is none goes on as any other file.
    EXPECT_EQ(load("logo.png", "%PDF-1.7 nothing else").message, notAnImage);

    QImage clear(50, 50, QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    EXPECT_EQ(load("clear.png", encoded(clear, "png")).message,
              L(LKey("%@ parece vazio: não encontrei nada desenhado nele.", {QStringLiteral("clear.png")})));
}

TEST_F(LogoLoaderTest, HostileFilesAreRefusedWithAClearText) {
    // A PNG header that declares 100,000 × 100,000 pixels (40 GB) is refused before decoding.
    QByteArray ihdr("IHDR");
    ihdr += QByteArray(8, '\0') + QByteArray("\x08\x06\x00\x00\x00", 5);
    qToBigEndian<quint32>(100000, ihdr.data() + 4);
    qToBigEndian<quint32>(100000, ihdr.data() + 8);
    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    png += QByteArray("\0\0\0\x0d", 4) + ihdr + QByteArray(4, '\0');
    qToBigEndian<quint32>(testsupport::crc32(ihdr), png.data() + png.size() - 4);
    png += QByteArray("\0\0\0\0IEND\xae\x42\x60\x82", 12);
    EXPECT_FALSE(load("huge.png", png).succeeded());

    // Truncated files of every kind end in a message, never in a crash or a half-grey logo.
    const QByteArray halves[] = {encoded(gradient(400, 100), "png"), encoded(gradient(400, 100), "jpeg"),
                                 platform::HeifCodec::encode(gradient(400, 100), 0.9).value(),
                                 encoded(gradient(400, 100), "tiff")};
    for (const QByteArray &whole : halves) {
        const auto outcome = load("cut", whole.left(whole.size() / 2));
        EXPECT_EQ(outcome.message,
                  L(LKey("Não consegui abrir %@ como imagem. Tente PNG, SVG, PDF ou JPEG.", {QStringLiteral("cut")})));
    }

    // A preview whose offset + length wraps around 32 bits is no preview.
    const QByteArray overflowing = dosEps("%!PS\n", QByteArray(64, 'x'), 0xFFFFFFF0u);
    EXPECT_EQ(load("logo.eps", overflowing, withoutGhostscript()).message, vectorMessage("EPS"));

    // Entities that would expand to gigabytes.
    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE svg [\n<!ENTITY a \"hahahahahahahahahaha\">\n";
    for (char c = 'b'; c <= 'k'; ++c)
        laughs += QByteArray("<!ENTITY ") + c + " \"" + (QByteArray("&") + char(c - 1) + ";").repeated(10) + "\">\n";
    laughs += "]>\n<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\" height=\"10\"><text>&k;</text></svg>";
    const auto svg = load("laughs.svg", laughs);
    EXPECT_FALSE(svg.message.isEmpty());
}

TEST_F(LogoLoaderTest, FileWithSeveralSizesGivesItsTallest) {
    // An icon file holding 32-, 128- and 64-row pictures (PNG-coded entries).
    const int sides[] = {32, 128, 64};
    QList<QByteArray> pngs;
    for (const int side : sides) pngs << encoded(gradient(side, side), "png");
    QByteArray ico("\0\0\1\0\3\0", 6);
    quint32 offset = 6 + 16 * 3;
    for (int i = 0; i < 3; ++i) {
        QByteArray entry(16, '\0');
        entry[0] = entry[1] = char(sides[i]);
        qToLittleEndian<quint16>(1, entry.data() + 4);
        qToLittleEndian<quint16>(32, entry.data() + 6);
        qToLittleEndian<quint32>(quint32(pngs[i].size()), entry.data() + 8);
        qToLittleEndian<quint32>(offset, entry.data() + 12);
        offset += quint32(pngs[i].size());
        ico += entry;
    }
    for (const QByteArray &png : pngs) ico += png;
    EXPECT_EQ(load("logo.ico", ico).image.size(), QSize(128, 128));
}

TEST_F(LogoLoaderTest, SvgLogosDrawNothingFromOutsideTheDocument) {
    // A FIFO no one writes to would block whoever opens it, and a picture the user can read would end
    // up in the logo stamped on screenshots. Neither is opened: the blue square alone is drawn.
    const QString fifo = dir.file(QStringLiteral("fifo"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QByteArray red = encoded(testsupport::filledImage(100, 100, Qt::red), "png");
    ASSERT_TRUE(dir.write(QStringLiteral("red.png"), red));
    const QByteArray innerSvg = R"(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">)"
                                R"(<image href=")" +
                                dir.file(QStringLiteral("red.png")).toUtf8() +
                                R"(" width="100" height="100"/><rect width="100" height="100" fill="red"/></svg>)";
    const QByteArray svg =
        R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="100" height="100">)"
        R"(<rect x="20" y="20" width="60" height="60" fill="blue"/>)"
        R"(<image xlink:href=")" +
        fifo.toUtf8() +
        R"(" width="100" height="100"/>)"
        R"(<image href=")" +
        fifo.toUtf8() +
        R"(" width="100" height="100"/>)"
        R"(<image xlink:href="file://)" +
        dir.file(QStringLiteral("red.png")).toUtf8() +
        R"(" width="100" height="100"/>)"
        R"(<image xlink:href="red.png" width="100" height="100"/>)"
        R"(<image xlink:href="data:image/svg+xml;base64,)" +
        innerSvg.toBase64() +
        R"(" width="100" height="100"/>)"
        R"s(<rect width="10" height="10" style="fill: url(red.png)"/></svg>)s";
    ASSERT_TRUE(dir.write(QStringLiteral("logo.svg"), svg));

    const QString path = dir.file(QStringLiteral("logo.svg"));
    QFutureWatcher<LogoLoader::Outcome> watcher;
    watcher.setFuture(QtConcurrent::run([path] { return LogoLoader::load(path); }));
    // Only a guard against a hang.
    const bool finished = testsupport::becomes([&watcher] { return watcher.isFinished(); });
    if (!finished) {
        // Let the blocked reader go, so that the test ends.
        const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
        watcher.waitForFinished();
    }
    ASSERT_TRUE(finished) << "the SVG logo waited for a FIFO it names";
    const LogoLoader::Outcome outcome = watcher.result();
    ASSERT_TRUE(outcome.succeeded()) << outcome.message.toStdString();
    EXPECT_FALSE(hasReddishPixel(outcome.image));
    const QColor middle = outcome.image.pixelColor(outcome.image.width() / 2, outcome.image.height() / 2);
    EXPECT_EQ(middle.blue(), 255);

    // Pictures embedded in the document itself are drawn.
    const QByteArray embedded = R"(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" )"
                                R"(width="100" height="100"><rect x="50" width="50" height="100" fill="blue"/>)"
                                R"(<image xlink:href="data:image/png;base64,)" +
                                red.toBase64() + R"(" width="50" height="100" preserveAspectRatio="none"/></svg>)";
    EXPECT_TRUE(hasReddishPixel(load("embedded.svg", embedded).image));

    // A FIFO under a logo's own name is refused at once.
    EXPECT_EQ(LogoLoader::load(fifo).message, L(LKey("Não consegui abrir %@.", {QStringLiteral("fifo")})));
}

TEST_F(LogoLoaderTest, DocumentsThatAskForTooMuchAreRefusedWithoutCostingThisProcess) {
    if (!testsupport::usesSystemAllocator()) GTEST_SKIP() << "no address-space limit under the address sanitizer";
    // 1.2 million nested saves: each a copy of the graphics state, gigabytes in all.
    const QByteArray nested = pdfWith(QByteArray("q ").repeated(1200000) + "1 0 0 rg 0 0 200 100 re f");
    const qint64 peakBefore = testsupport::peakResidentKb();
    EXPECT_EQ(
        load("nested.pdf", nested).message,
        L(LKey("Não consegui abrir %@ como imagem. Tente PNG, SVG, PDF ou JPEG.", {QStringLiteral("nested.pdf")})));
    EXPECT_EQ(load("nested.ai", nested).message, vectorMessage("AI"));
    EXPECT_LT(testsupport::peakResidentKb() - peakBefore, 200 * 1024);

    // A document that takes too long is stopped at the limit, and refused the same way.
    LogoLoader::Options quick;
    quick.renderer.timeoutMs = 1;
    quick.renderer.startMarginMs = 0;
    const QByteArray halves = pdfWith("1 0 0 rg 0 0 100 100 re f 0 0 1 rg 100 0 100 100 re f");
    EXPECT_EQ(load("slow.pdf", halves, quick).message,
              L(LKey("Não consegui abrir %@ como imagem. Tente PNG, SVG, PDF ou JPEG.", {QStringLiteral("slow.pdf")})));

    // The same document within its limits is drawn.
    const auto plain = load("plain.pdf", halves);
    EXPECT_EQ(plain.image.size(), QSize(1200, 600));
    EXPECT_EQ(plain.image.pixelColor(300, 300), QColor(Qt::red));
}
