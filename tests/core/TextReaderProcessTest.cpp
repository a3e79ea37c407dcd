#include "core/TextReaderProcess.h"
#include "core/TextRecognizer.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QSemaphore>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

using namespace std::chrono_literals;

namespace {

using Outcome = BackgroundTextReader::Outcome;
const QString reader = QStringLiteral(PELICARTA_TEST_READER);

qsizetype openDescriptors() {
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size();
}

// Waits for one read's result, running the event loop.
std::optional<BackgroundTextReader::Result> readWith(TextReaderProcess &process, const QString &path,
                                                     std::chrono::milliseconds limit = 60s) {
    std::optional<BackgroundTextReader::Result> result;
    process.read(path, limit, [&result](const BackgroundTextReader::Result &r) { result = r; });
    EXPECT_FALSE(result) << "a read is answered later, never inside read()";
    EXPECT_TRUE(testsupport::becomes([&result] { return result.has_value(); })) << path.toStdString();
    return result;
}

TextReaderProcess::Options shell(const QString &script, std::chrono::milliseconds margin = 15s) {
    return {QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}, margin};
}

class TextReaderProcessTest : public ::testing::Test {
protected:
    QString writeCapture() {
        QImage page(700, 140, QImage::Format_RGB32);
        page.fill(Qt::white);
        QPainter painter(&page);
        painter.setPen(Qt::black);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(36);
        painter.setFont(font);
        painter.drawText(30, 80, QStringLiteral("Relatório trimestral 2026"));
        painter.end();
        image = page;
        const QString file = temp.file(QStringLiteral("captura.png"));
        EXPECT_TRUE(page.save(file, "png"));
        return file;
    }

    testsupport::TempFolder temp;
    QImage image;
};

} // namespace

TEST_F(TextReaderProcessTest, ReadsTheSameTextAsThisProcessGoesWhenIdleAndComesBackWithoutLeaking) {
    const QString file = writeCapture();
    const QString here = TextRecognizer::recognize(image, 60s, TextRecognizer::Priority::background).result();
    ASSERT_FALSE(here.isEmpty());
    // The memory trim after each reader's end runs on a shared worker, whose thread holds a
    // descriptor while it lives: one is there already.
    QSemaphore started;
    QThreadPool::globalInstance()->start([&started] { started.release(); });
    started.acquire();
    const qsizetype descriptors = openDescriptors();
    {
        TextReaderProcess process({reader, {QStringLiteral("--read-text"), QStringLiteral("--idle-ms=300")}});
        qint64 lastPid = 0;
        for (int round = 0; round < 3; ++round) {
            const auto result = readWith(process, file);
            ASSERT_TRUE(result) << "round " << round;
            EXPECT_EQ(result->outcome, Outcome::text);
            EXPECT_EQ(result->text, here);
            EXPECT_EQ(result->size, image.size());
            const qint64 pid = process.processId();
            EXPECT_NE(pid, 0);
            EXPECT_NE(pid, lastPid) << "a new reader each round";
            lastPid = pid;
            // Idle, it ends by itself.
            EXPECT_TRUE(testsupport::becomes([&process] { return process.processId() == 0; })) << "round " << round;
        }
        const auto junk = temp.file(QStringLiteral("lixo.png"));
        QFile(junk).open(QIODevice::WriteOnly);
        EXPECT_EQ(readWith(process, junk).value().outcome, Outcome::notAPicture);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(openDescriptors(), descriptors);
}

TEST_F(TextReaderProcessTest, AReaderThatDiesHangsOrTalksNonsenseEndsThatReadCrashedAndIsStartedAnew) {
    const QString file = writeCapture();
    // Dies on its first read; the next reader started is a real one.
    const QString marker = temp.file(QStringLiteral("crashed-once"));
    TextReaderProcess flaky(
        shell(QStringLiteral("[ -e '%1' ] && exec '%2' --read-text; touch '%1'; head -c 1 >/dev/null; kill -KILL $$")
                  .arg(marker, reader)));
    EXPECT_EQ(readWith(flaky, file).value().outcome, Outcome::crashed);
    EXPECT_EQ(readWith(flaky, file).value().outcome, Outcome::text);

    const QStringList broken = {
        QStringLiteral("head -c 1 >/dev/null; printf 'HTTP/1.1 200 OK\\r\\n\\r\\n'; exec sleep 30"),
        // A well-formed header claiming a 2 GB answer.
        QStringLiteral(
            "head -c 1 >/dev/null; printf 'PTR1\\002\\001\\000\\000\\000\\377\\377\\377\\177'; exec sleep 30"),
        QStringLiteral("exec sleep 30"), // never answers: killed at its deadline
        QStringLiteral("head -c 1 >/dev/null; exit 3"),
    };
    for (const QString &script : broken) {
        TextReaderProcess process(shell(script, 300ms));
        QElapsedTimer clock;
        clock.start();
        const auto result = readWith(process, file, 100ms);
        ASSERT_TRUE(result) << script.toStdString();
        EXPECT_EQ(result->outcome, Outcome::crashed) << script.toStdString();
        EXPECT_EQ(process.processId(), 0) << script.toStdString();
        // Waiting for the reader's own end would have taken its 30 s sleep.
        EXPECT_LT(clock.elapsed(), 30'000) << "no read waits for a broken reader's own end: " << script.toStdString();
    }

    TextReaderProcess missing({QStringLiteral("/nonexistent/pelicarta"), {}});
    EXPECT_EQ(readWith(missing, file).value().outcome, Outcome::notStarted);
}

TEST_F(TextReaderProcessTest, OnceTheIdleReaderHasEndedTheHeapFreedMeanwhileGoesBackToTheSystem) {
    if (!testsupport::usesSystemAllocator()) GTEST_SKIP() << "the heap's size is the sanitizer allocator's";
    const QString file = writeCapture();
    TextReaderProcess process({reader, {QStringLiteral("--read-text"), QStringLiteral("--idle-ms=300")}});
    ASSERT_EQ(readWith(process, file).value().outcome, Outcome::text);
    // 16 MB freed below a block still held: the allocator keeps it until it is trimmed.
    std::vector<void *> blocks;
    for (int i = 0; i < 256; ++i) {
        blocks.push_back(std::malloc(64 * 1024));
        std::memset(blocks.back(), 1, 64 * 1024);
    }
    for (size_t i = 0; i + 1 < blocks.size(); ++i) std::free(blocks[i]);
    const qint64 held = testsupport::anonymousResidentKb();
    ASSERT_GT(held, 16 * 1024);
    EXPECT_TRUE(testsupport::becomes([&process] { return process.processId() == 0; }));
    EXPECT_TRUE(testsupport::becomes([held] { return testsupport::anonymousResidentKb() < held - 8 * 1024; }))
        << held << " kB before, " << testsupport::anonymousResidentKb() << " kB after";
    std::free(blocks.back());
}
