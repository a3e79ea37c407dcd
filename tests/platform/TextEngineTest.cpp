#include "platform/TextEngine.h"
#include "platform/TextEngineModule.h"
#include "support/Waiting.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {

bool mapped(const QByteArray &library) {
    QFile maps(QStringLiteral("/proc/self/maps"));
    return maps.open(QIODevice::ReadOnly) && maps.readAll().contains(library);
}

qsizetype openDescriptors() {
    return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size();
}

// `text` drawn as a screen draws a line of it.
QImage lineOf(const QString &text, int width) {
    QImage line(width, 48, QImage::Format_Grayscale8);
    line.fill(Qt::white);
    QPainter p(&line);
    p.setFont(QFont(QStringLiteral("DejaVu Sans"), 20));
    p.setPen(Qt::black);
    p.drawText(line.rect(), Qt::AlignCenter, text);
    p.end();
    return line;
}

} // namespace

// A resident process that read a capture a while ago holds none of the engine: its instances and its
// module go when idle (Tesseract's own libraries cannot), and the next read loads them again.
TEST(TextEngineModule, GoesWhenIdleAndReadsAgainWhenLoadedAnew) {
    namespace module = platform::TextEngineModule;
    module::setIdleLife(100ms);
    const QImage line = lineOf(QStringLiteral("Relatório mensal"), 360);
    const auto read = [&line] {
        const platform::TextReadResult result = platform::tesseractEngine().readLine(line, 1, {});
        return result.lines.isEmpty() ? QString() : result.lines.first().text;
    };
    ASSERT_FALSE(module::isLoaded());
    const qsizetype descriptors = openDescriptors();
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(read(), QStringLiteral("Relatório mensal")) << "round " << round;
        EXPECT_TRUE(mapped("pelicarta_textengine")) << "round " << round;
        ASSERT_TRUE(testsupport::becomes([] { return !module::isLoaded(); })) << "round " << round;
        EXPECT_FALSE(mapped("pelicarta_textengine")) << "round " << round;
        EXPECT_EQ(openDescriptors(), descriptors) << "round " << round;
    }
    module::setIdleLife(4000ms);
}

// An editor on the screen keeps the engine started: it loads without a read and nothing of it ages
// while kept. Let go, what never read goes at once whatever the idle life, and what read lives that
// life; a keeper gone before the start was due starts nothing.
TEST(TextEngineModule, KeptReadyItStartsAheadAndGoesWhenLetGo) {
    namespace module = platform::TextEngineModule;
    platform::TextEngine &engine = platform::tesseractEngine();
    module::setIdleLife(100ms);
    module::setPrepareDelay(300ms);
    ASSERT_TRUE(testsupport::becomes([] { return !module::isLoaded(); }));
    engine.keepReady().reset();
    ASSERT_TRUE(testsupport::becomes([] { return !module::isPreparing(); })); // its start is over
    EXPECT_FALSE(module::isLoaded()) << "let go before its start was due";

    module::setPrepareDelay(0ms);
    module::setIdleLife(60s);
    std::shared_ptr<void> kept = engine.keepReady();
    ASSERT_TRUE(kept);
    ASSERT_TRUE(testsupport::becomes([] { return module::isLoaded(); }));
    ASSERT_TRUE(testsupport::becomes([] { return !module::isPreparing(); }));
    // The housekeeper looks at least once a second; what it would free, it would free within this time.
    module::setIdleLife(100ms);
    QThread::msleep(1500);
    EXPECT_TRUE(module::isLoaded()) << "nothing ages while kept ready";
    module::setIdleLife(60s);
    kept.reset();
    EXPECT_TRUE(testsupport::becomes([] { return !module::isLoaded(); })) << "started for nothing, kept";

    // What read lives its idle life from its read: the module goes no sooner.
    constexpr auto life = 2s;
    module::setIdleLife(life);
    kept = engine.keepReady();
    ASSERT_TRUE(testsupport::becomes([] { return module::isLoaded(); }));
    QImage line(200, 40, QImage::Format_Grayscale8);
    line.fill(Qt::white);
    QElapsedTimer sinceRead;
    sinceRead.start();
    engine.readLine(line, 1, {});
    ASSERT_TRUE(testsupport::becomes([] { return !module::isPreparing(); }));
    kept.reset();
    EXPECT_TRUE(testsupport::becomes([] { return !module::isLoaded(); }));
    EXPECT_GE(sinceRead.elapsed(), std::chrono::milliseconds(life).count())
        << "an instance that read lives its idle life";
    module::setPrepareDelay(1000ms);
    module::setIdleLife(4000ms);
}

// Kept ready, the engine holds what a first read needs, an instance of each model, not one per core:
// reads side by side start the others, which then age as ever while the ready ones stay.
TEST(TextEngineModule, KeptReadyItHoldsOneInstanceAndReadsStartMore) {
    namespace module = platform::TextEngineModule;
    platform::TextEngine &engine = platform::tesseractEngine();
    if (engine.maxConcurrentReads() < 2) GTEST_SKIP() << "one read at a time on this machine";
    module::setPrepareDelay(0ms);
    module::setIdleLife(60s);
    ASSERT_TRUE(testsupport::becomes([] { return !module::isLoaded(); }));
    std::shared_ptr<void> kept = engine.keepReady();
    ASSERT_TRUE(testsupport::becomes([] { return module::isLoaded(); }));
    ASSERT_TRUE(testsupport::becomes([] { return !module::isPreparing(); }));
    constexpr int ready = 2;
    EXPECT_EQ(module::instanceCount(), ready);

    const QImage line = lineOf(QStringLiteral("Fatura de serviços prestados"), 480);
    // Each reader holds its instance until every one holds one (the check's first look comes before
    // the instance is taken, the next ones while it reads), so that none can take another's.
    const int readers = engine.maxConcurrentReads();
    std::mutex mutex;
    std::condition_variable allHold;
    int holding = 0;
    std::atomic<int> read{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < readers; ++i) {
        threads.emplace_back([&] {
            int looks = 0;
            const platform::CancelCheck hold = [&] {
                if (++looks != 2) return false;
                std::unique_lock lock(mutex);
                ++holding;
                allHold.notify_all();
                allHold.wait_for(lock, std::chrono::milliseconds(testsupport::patienceMs),
                                 [&] { return holding == readers; });
                return false;
            };
            const platform::TextReadResult result = engine.readLine(line, 1, hold);
            if (!result.lines.isEmpty() && result.lines.first().text == QStringLiteral("Fatura de serviços prestados"))
                ++read;
        });
    }
    for (std::thread &t : threads) t.join();
    EXPECT_EQ(read.load(), readers);
    EXPECT_EQ(holding, readers);
    EXPECT_EQ(module::instanceCount(), ready - 1 + readers) << "reads side by side start their own";

    module::setIdleLife(100ms);
    // Aged in the housekeeper's passes down to the ready ones and no further: a pass that let those go
    // too would never show this count.
    EXPECT_TRUE(testsupport::becomes([] { return module::instanceCount() == ready; }))
        << "the ones a read started age, the ready ones stay while kept";
    kept.reset();
    EXPECT_TRUE(testsupport::becomes([] { return !module::isLoaded(); }));
    module::setPrepareDelay(1000ms);
    module::setIdleLife(4000ms);
}

// The engine's failure reaches a caller who may look at it long after the module has gone.
TEST(TextEngineModule, AFailureOutlivesTheModule) {
    namespace module = platform::TextEngineModule;
    module::setIdleLife(100ms);
    QTemporaryDir noLanguages;
    const QByteArray before = qgetenv("TESSDATA_PREFIX");
    qputenv("TESSDATA_PREFIX", noLanguages.path().toLocal8Bit());
    QImage line(100, 30, QImage::Format_Grayscale8);
    line.fill(Qt::white);
    std::exception_ptr failure;
    try {
        platform::tesseractEngine().readLine(line, 1, {});
    } catch (const platform::TextEngineError &) {
        failure = std::current_exception();
    }
    qputenv("TESSDATA_PREFIX", before);
    ASSERT_TRUE(failure);
    ASSERT_TRUE(testsupport::becomes([] { return !module::isLoaded(); }));
    ASSERT_FALSE(mapped("pelicarta_textengine"));
    try {
        std::rethrow_exception(failure);
    } catch (const platform::TextEngineError &e) {
        EXPECT_EQ(e.kind(), platform::TextEngineError::Kind::unavailable);
        EXPECT_TRUE(e.detail().contains(noLanguages.path())) << e.detail().toStdString();
        std::unique_ptr<platform::TextEngineError> copy(e.clone());
        EXPECT_EQ(copy->message(), e.message());
    }
    failure = nullptr; // destroyed with the module long gone
    module::setIdleLife(4000ms);
}

// The test program calls ensureSingleThreadedOpenMP first thing; started with another limit it must
// come back, once, with a limit of 1.
TEST(OpenMPGuard, RestartsOnceWithASingleThread) {
    if (qEnvironmentVariableIsSet("PELICARTA_OPENMP_PROBE")) {
        EXPECT_EQ(qgetenv("OMP_THREAD_LIMIT"), QByteArray("1"));
        return;
    }
    for (const char *limit : {"8", ""}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PELICARTA_OPENMP_PROBE"), QStringLiteral("1"));
        if (*limit) {
            env.insert(QStringLiteral("OMP_THREAD_LIMIT"), QString::fromLatin1(limit));
        } else {
            env.remove(QStringLiteral("OMP_THREAD_LIMIT"));
        }
        QProcess child;
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=OpenMPGuard.RestartsOnceWithASingleThread")});
        ASSERT_TRUE(child.waitForFinished(testsupport::patienceMs)) << "limit " << limit;
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0) << child.readAllStandardOutput().toStdString();
    }
}

TEST(TextLine, BoxOfARangeIsTheUnionOfItsGlyphs) {
    platform::TextLine line{QStringLiteral("ab cd"), QRectF(0, 0, 50, 10), {}};
    line.glyphs = {{0, 1, QRectF(0, 0, 10, 10)},
                   {1, 1, QRectF(10, 1, 10, 10)},
                   {3, 1, QRectF(30, 0, 10, 12)},
                   {4, 1, QRectF(40, 0, 10, 10)}};
    EXPECT_EQ(line.boxOf(0, 2), QRectF(0, 0, 20, 11));
    EXPECT_EQ(line.boxOf(1, 3), QRectF(10, 0, 30, 12)); // "b c": the space adds nothing
    EXPECT_EQ(line.boxOf(2, 1), std::nullopt);          // the space alone
    EXPECT_EQ(line.boxOf(4, 10), QRectF(40, 0, 10, 10));
    EXPECT_EQ(line.boxOf(9, 2), std::nullopt);
    EXPECT_EQ(line.boxOf(0, 0), std::nullopt);
}
