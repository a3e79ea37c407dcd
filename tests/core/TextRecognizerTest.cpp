#include "TextFixtures.h"

#include "core/Localization.h"
#include "core/TextRecognizer.h"
#include "platform/StringTables.h"
#include "support/TestSupport.h"

#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QPainter>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include <sys/resource.h>

using namespace std::chrono_literals;
using platform::TextLine;

namespace {

// An image the reader will not dismiss as blank.
QImage markedImage(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter(&image).fillRect(10, 10, 40, 16, Qt::black);
    return image;
}

TextLine line(const QString &text, QRectF box) {
    TextLine l{text, box, {}};
    const qreal w = box.width() / std::max<qsizetype>(1, text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char(' ')) l.glyphs.append({i, 1, QRectF(box.x() + i * w, box.y(), w, box.height())});
    }
    return l;
}

// Returns given lines, or waits to be stopped, or fails; records what it saw.
class FakeEngine : public platform::TextEngine {
public:
    QList<TextLine> lines;
    bool runUntilCancelled = false;
    bool fail = false;
    std::chrono::milliseconds work{0};
    QSize seen;
    std::atomic<int> running{0}, mostRunning{0};
    std::atomic<qint64> stoppedAfterMs{-1};

    platform::TextReadResult read(const QImage &grey, const platform::CancelCheck &cancelled) override {
        const int now = ++running;
        for (int m = mostRunning; now > m && !mostRunning.compare_exchange_weak(m, now);) {}
        const auto done = qScopeGuard([this] { --running; });
        {
            std::lock_guard lock(m_mutex);
            seen = grey.size();
        }
        if (fail) throw platform::TextEngineError(QStringLiteral("no data"));
        QElapsedTimer t;
        t.start();
        while (runUntilCancelled || t.elapsed() < work.count()) {
            if (cancelled && cancelled()) {
                stoppedAfterMs = t.elapsed();
                return {{}, true, true};
            }
            QThread::msleep(5);
        }
        return {lines, true, false};
    }
    int maxConcurrentReads() const override { return 2; }

private:
    std::mutex m_mutex;
};

class TextRecognizerFakeTest : public ::testing::Test {
protected:
    void SetUp() override { TextRecognizer::setEngine(&engine); }
    void TearDown() override {
        engine.runUntilCancelled = false;
        TextRecognizer::setEngine(nullptr);
    }
    FakeEngine engine;
};

template <typename T>
bool finishesWithin(QFuture<T> &f, int ms) {
    QElapsedTimer t;
    t.start();
    while (!f.isFinished() && t.elapsed() < ms) QThread::msleep(2);
    return f.isFinished();
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

TEST_F(TextRecognizerFakeTest, ReadsRowsLeftToRightAndHigherRowsFirst) {
    const QImage image = markedImage(1000, 1000);
    // Same height, the right one found first: left first.
    engine.lines = {line(QStringLiteral("direita"), {600, 100, 200, 20}), line(QStringLiteral("esquerda"), {100, 100, 200, 20})};
    EXPECT_EQ(TextRecognizer::joinedText(TextRecognizer::readLines(image)), QStringLiteral("esquerda\ndireita"));
    // Centres 0.005 of the height apart count as one row, read left to right.
    engine.lines = {line(QStringLiteral("b"), {600, 490, 100, 20}), line(QStringLiteral("a"), {100, 495, 100, 20})};
    EXPECT_EQ(TextRecognizer::joinedText(TextRecognizer::readLines(image)), QStringLiteral("a\nb"));
    // 0.02 apart: the higher one first, wherever it starts.
    engine.lines = {line(QStringLiteral("baixo"), {100, 510, 100, 20}), line(QStringLiteral("alto"), {600, 490, 100, 20})};
    EXPECT_EQ(TextRecognizer::joinedText(TextRecognizer::readLines(image)), QStringLiteral("alto\nbaixo"));
    // Empty texts stay as empty lines; nothing trails the last line.
    engine.lines = {line(QStringLiteral("um"), {0, 0, 10, 10}), line(QString(), {0, 100, 10, 10}), line(QStringLiteral("três"), {0, 200, 10, 10})};
    EXPECT_EQ(TextRecognizer::joinedText(TextRecognizer::readLines(image)), QStringLiteral("um\n\ntrês"));
}

TEST_F(TextRecognizerFakeTest, ReadsAtMost3000PixelsAndAnswersInThePixelsGiven) {
    EXPECT_EQ(TextRecognizer::downscaled(markedImage(6000, 4000), 3000).size(), QSize(3000, 2000));
    EXPECT_EQ(TextRecognizer::downscaled(markedImage(4000, 1001), 3000).size(), QSize(3000, 750));
    const QImage exact = markedImage(3000, 1200);
    EXPECT_EQ(TextRecognizer::downscaled(exact, 3000).cacheKey(), exact.cacheKey());

    // The engine sees 3000 × 2000; a box it reports at (100, 50) is at (200, 100) in the image given,
    // and the sensitive-data rectangle around it keeps its 4 / 3 pixel margins in those pixels.
    engine.lines = {line(QStringLiteral("a@b.co"), {100, 50, 60, 10})};
    const QList<TextLine> lines = TextRecognizer::readLines(markedImage(6000, 4000));
    EXPECT_EQ(engine.seen, QSize(3000, 2000));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].box, QRectF(200, 100, 120, 20));
    EXPECT_EQ(TextRecognizer::sensitiveRegions(lines), (QList<QRectF>{QRectF(196, 97, 128, 26)}));
}

TEST_F(TextRecognizerFakeTest, BlankImagesNeverReachTheEngine) {
    QImage blank(2880, 1800, QImage::Format_ARGB32_Premultiplied);
    blank.fill(QColor(0x20, 0x22, 0x26));
    engine.lines = {line(QStringLiteral("fantasma"), {0, 0, 10, 10})};
    EXPECT_TRUE(TextRecognizer::readLines(blank).isEmpty());
    QImage transparent(800, 600, QImage::Format_ARGB32_Premultiplied);
    transparent.fill(Qt::transparent);
    EXPECT_TRUE(TextRecognizer::readLines(transparent).isEmpty());
    EXPECT_TRUE(TextRecognizer::readLines(QImage()).isEmpty());
    EXPECT_FALSE(engine.seen.isValid());
}

TEST_F(TextRecognizerFakeTest, TimeLimitEndsTheCallAndStopsTheRun) {
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    engine.runUntilCancelled = true;
    QElapsedTimer t;
    t.start();
    QFuture<QString> f = TextRecognizer::recognize(markedImage(200, 200), 200ms, TextRecognizer::Priority::utility);
    ASSERT_TRUE(finishesWithin(f, 3000));
    const qint64 elapsed = t.elapsed();
    EXPECT_GE(elapsed, 190);
    EXPECT_LT(elapsed, 600);
    try {
        f.waitForFinished();
        FAIL() << "expected the time limit";
    } catch (const TextRecognizerError &e) {
        EXPECT_EQ(e, TextRecognizerError(TextRecognizerError::Code::timeout));
        EXPECT_EQ(e.message(), QStringLiteral("A leitura demorou demais. Tente capturar um trecho menor."));
    }
    // The abandoned run is told to stop and does.
    for (int i = 0; i < 100 && engine.running > 0; ++i) QThread::msleep(10);
    EXPECT_EQ(engine.running, 0);
    EXPECT_GE(engine.stoppedAfterMs, 150);
}

TEST_F(TextRecognizerFakeTest, AResultBeforeTheLimitArrivesAtOnceAndFailuresPassThrough) {
    engine.lines = {line(QStringLiteral("pronto"), {0, 0, 50, 10})};
    QElapsedTimer t;
    t.start();
    QFuture<QString> f = TextRecognizer::recognize(markedImage(200, 200), 10s, TextRecognizer::Priority::userInitiated);
    ASSERT_TRUE(finishesWithin(f, 2000));
    EXPECT_LT(t.elapsed(), 1000);
    EXPECT_EQ(f.result(), QStringLiteral("pronto"));

    engine.fail = true;
    QFuture<QList<QRectF>> g = TextRecognizer::sensitiveRegions(markedImage(200, 200), 10s);
    ASSERT_TRUE(finishesWithin(g, 2000));
    EXPECT_THROW(g.waitForFinished(), platform::TextEngineError);
}

TEST_F(TextRecognizerFakeTest, ConcurrentRecognitionsAreBoundedAndCancellingStopsQueuedWork) {
    engine.work = 100ms;
    engine.lines = {line(QStringLiteral("x"), {0, 0, 10, 10})};
    QList<QFuture<QString>> futures;
    for (int i = 0; i < 6; ++i) futures << TextRecognizer::recognize(markedImage(100, 100), 10s, TextRecognizer::Priority::utility);
    for (auto &f : futures) {
        ASSERT_TRUE(finishesWithin(f, 5000));
        EXPECT_EQ(f.result(), QStringLiteral("x"));
    }
    EXPECT_GE(engine.mostRunning, 1);
    EXPECT_LE(engine.mostRunning, engine.maxConcurrentReads());

    engine.runUntilCancelled = true;
    QFuture<QString> f = TextRecognizer::recognize(markedImage(100, 100), 10s, TextRecognizer::Priority::utility);
    for (int i = 0; i < 100 && engine.running == 0; ++i) QThread::msleep(5);
    f.cancel();
    for (int i = 0; i < 100 && engine.running > 0; ++i) QThread::msleep(10);
    EXPECT_EQ(engine.running, 0);
}

TEST_F(TextRecognizerFakeTest, SensitiveRegionsFollowLinePatternAndMatchOrder) {
    // Ten pixels per character: rectangles can be computed by hand.
    const QString first = QStringLiteral("ana@x.com 123.456.789-09");
    const QString second = QStringLiteral("12345678909 sk-abcdefghijk");
    const QList<TextLine> lines = {line(first, {0, 100, 10.0 * first.size(), 20}), line(second, {0, 200, 10.0 * second.size(), 20})};
    const QList<QRectF> regions = TextRecognizer::sensitiveRegions(lines);
    // e-mail, then the CPF; then the bare CPF (CPF pattern), the same digits (phone pattern) and
    // "sk-" with eleven characters, which the key pattern accepts.
    const QList<QRectF> expected = {QRectF(-4, 97, 98, 26), QRectF(96, 97, 148, 26), QRectF(-4, 197, 118, 26),
                                    QRectF(-4, 197, 118, 26), QRectF(116, 197, 148, 26)};
    EXPECT_EQ(regions, expected);
    EXPECT_TRUE(TextRecognizer::sensitiveRegions({line(QStringLiteral("venceu em 10/05/2024, 1234 itens"), {0, 0, 300, 20})}).isEmpty());
    // A match over characters that have no box is skipped.
    TextLine boxless{QStringLiteral("ana@x.com"), {0, 0, 90, 20}, {}};
    EXPECT_TRUE(TextRecognizer::sensitiveRegions({boxless}).isEmpty());
}

// --- The real engine on drawn fixtures ---

TEST(TextRecognizerTesseractTest, LayoutPassKeepsImagesWithoutTextFromRecognition) {
    // Shapes and a gradient, no letters.
    QImage shapes(1200, 800, QImage::Format_Grayscale8);
    {
        QPainter p(&shapes);
        QLinearGradient g(0, 0, 1200, 800);
        g.setColorAt(0, QColor(40, 40, 40));
        g.setColorAt(1, QColor(230, 230, 230));
        p.fillRect(shapes.rect(), g);
        p.setBrush(Qt::white);
        p.drawEllipse(QPoint(600, 400), 300, 200);
    }
    const platform::TextReadResult r = platform::tesseractEngine().read(shapes, {});
    EXPECT_FALSE(r.recognitionRan);
    EXPECT_TRUE(r.lines.isEmpty());
}

TEST(TextRecognizerTesseractTest, FindsSensitiveDataInDrawnText) {
    const QStringList texts = {
        QStringLiteral("Escreva para ana.souza@exemplo.com.br hoje"),
        QStringLiteral("CPF 123.456.789-09 confirmado"),
        QStringLiteral("Documento 12345678909 enviado"),
        QStringLiteral("Empresa 12.345.678/0001-95 ativa"),
        QStringLiteral("Ligue (11) 98765-4321 agora"),
        QStringLiteral("Ligue +55 11 98765-4321 agora"),
        QStringLiteral("Cartão 4111 1111 1111 1111 aprovado"),
        QStringLiteral("Chave sk-abcdefghijkl em uso"),
        QStringLiteral("Chave sk-abcdefghij curta"),
        QStringLiteral("Reunião em 10/05/2024 às 15h, sala 1234"),
    };
    const std::vector<int> expected = {1, 1, 2, 1, 1, 2, 2, 1, 0, 0};
    const textfixtures::Look look{.family = QStringLiteral("DejaVu Sans"), .pixelSize = 16};
    const textfixtures::Page page = textfixtures::renderLines(texts, look);
    page.image.save(testsupport::outputPath(QStringLiteral("sensitive-data.png")));

    const QList<TextLine> lines = TextRecognizer::readLines(page.image);
    ASSERT_EQ(lines.size(), texts.size()) << TextRecognizer::joinedText(lines).toStdString();
    for (qsizetype i = 0; i < texts.size(); ++i) {
        const QList<QRectF> regions = TextRecognizer::sensitiveRegions({lines[i]});
        EXPECT_EQ(regions.size(), expected[size_t(i)]) << "line " << i << ": " << lines[i].text.toStdString();
        for (const QRectF &r : regions) EXPECT_TRUE(r.intersects(lines[i].box.adjusted(-4, -3, 4, 3)));
    }

    // The e-mail rectangle covers the address only, in the image's pixels, with its margins.
    const QList<QRectF> mail = TextRecognizer::sensitiveRegions({lines[0]});
    ASSERT_EQ(mail.size(), 1);
    QFont font(look.family);
    font.setPixelSize(look.pixelSize);
    const QFontMetricsF fm(font);
    const qreal start = 24 + fm.horizontalAdvance(QStringLiteral("Escreva para "));
    const qreal end = 24 + fm.horizontalAdvance(QStringLiteral("Escreva para ana.souza@exemplo.com.br"));
    EXPECT_NEAR(mail[0].left(), start - 4, 4);
    EXPECT_NEAR(mail[0].right(), end + 4, 4);
    EXPECT_LT(mail[0].height(), 2 * look.pixelSize + 6);
}

TEST(TextRecognizerTesseractTest, ReadsTwoColumnPagesInRowsLightAndDark) {
    for (const bool dark : {false, true}) {
        const textfixtures::Look look{.family = dark ? QStringLiteral("DejaVu Sans") : QStringLiteral("Inter"),
                                      .pixelSize = dark ? 13 : 15,
                                      .dark = dark,
                                      .size = QSize(1000, 420)};
        const textfixtures::Page page = textfixtures::renderPage(look, dark ? 3 : 4);
        page.image.save(testsupport::outputPath(dark ? QStringLiteral("columns-dark.png") : QStringLiteral("columns-light.png")));
        const QString read = TextRecognizer::joinedText(TextRecognizer::readLines(page.image));
        const textfixtures::Accuracy a = textfixtures::measure(page.lines, read);
        EXPECT_LT(a.characterErrorRate, 0.03) << read.toStdString();
        EXPECT_GT(a.wordRecall, 0.9);
        EXPECT_EQ(a.orderScore, 1.0) << read.toStdString();
    }
}

TEST(TextRecognizerTesseractTest, AbandonedRunStopsUsingTheProcessor) {
    const textfixtures::Page page = textfixtures::renderPage(textfixtures::Look{.scale = 2}, 9);
    QElapsedTimer t;
    t.start();
    QFuture<QString> f = TextRecognizer::recognize(page.image, 300ms, TextRecognizer::Priority::utility);
    ASSERT_TRUE(finishesWithin(f, 5000));
    EXPECT_LT(t.elapsed(), 800);
    EXPECT_THROW(f.waitForFinished(), TextRecognizerError);
    // Layout analysis cannot be interrupted; recognition stops at its next word.
    QThread::msleep(1500);
    const double before = cpuSeconds();
    QThread::msleep(500);
    EXPECT_LT(cpuSeconds() - before, 0.1);
}
