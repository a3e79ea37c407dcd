#include "HistoryPageFixture.h"
#include "core/Settings.h"
#include "core/TextRecognizer.h"
#include "history/HistoryPeriod.h"
#include "history/HistoryStore.h"
#include "history/RecentsStore.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <mutex>

#include <sys/stat.h>

using namespace std::chrono_literals;

namespace {

// Tells captures apart by the number of strokes of their one line of "text" (see `picture`): each
// count has a script (text, time taken, failure, running until told to stop, or until the test opens
// the gate).
class ScriptedEngine : public platform::TextEngine {
public:
    struct Script {
        QString text;
        std::chrono::milliseconds work{0};
        std::optional<platform::TextEngineError::Kind> fail = std::nullopt;
        bool untilStopped = false;
        bool untilOpened = false;
    };

    void set(int strokes, Script script) {
        std::lock_guard lock(m_mutex);
        m_scripts.insert(strokes, std::move(script));
    }
    int readsOf(int strokes) {
        std::lock_guard lock(m_mutex);
        return int(m_order.count(strokes));
    }
    QList<int> order() {
        std::lock_guard lock(m_mutex);
        return m_order;
    }

    platform::TextReadResult readLine(const QImage &line, qreal, const platform::CancelCheck &cancelled) override {
        const int now = ++running;
        for (int most = mostRunning; now > most && !mostRunning.compare_exchange_weak(most, now);) {}
        const auto done = qScopeGuard([this] { --running; });
        const int strokes = strokesOf(line);
        Script script;
        {
            std::lock_guard lock(m_mutex);
            m_order.append(strokes);
            script = m_scripts.value(strokes);
        }
        if (script.fail) throw platform::TextEngineError(QStringLiteral("broken"), *script.fail);
        QElapsedTimer clock;
        clock.start();
        while (script.untilStopped || (script.untilOpened && !opened) || clock.elapsed() < script.work.count()) {
            if (cancelled && cancelled()) {
                ++stopped;
                return {{}, true};
            }
            QThread::msleep(2);
        }
        return {{{script.text, QRectF(0, 0, line.width(), line.height()), {}}}, false, 90};
    }
    // As wide as the recognizer's pool, whichever engine made it.
    int maxConcurrentReads() const override { return platform::tesseractEngine().maxConcurrentReads(); }

    std::atomic<int> running{0}, mostRunning{0}, stopped{0};
    std::atomic_bool opened{false};

private:
    static int strokesOf(const QImage &line) {
        const QImage grey = line.convertToFormat(QImage::Format_Grayscale8);
        const uchar *row = grey.constScanLine(grey.height() / 2);
        int strokes = 0;
        for (int x = 0; x < grey.width(); ++x) strokes += row[x] < 128 && (x == 0 || row[x - 1] >= 128);
        return strokes;
    }

    std::mutex m_mutex;
    QHash<int, Script> m_scripts;
    QList<int> m_order;
};

// A reader apart that answers each file name from its script, one outcome per read (then "apart"); a
// file that `takes` longer to read than the read's limit times out, as the reader's own clock would
// have it, without the test waiting that long. The answer to a `held` name waits for `release`.
class ScriptedReader : public BackgroundTextReader {
public:
    ScriptedReader() { clock.start(); }
    quint64 read(const QString &path, std::chrono::milliseconds limit, Done done) override {
        const QString name = QFileInfo(path).fileName();
        asked.append(name);
        askedAt.append(clock.elapsed());
        Outcome outcome = script[name].isEmpty() ? Outcome::text : script[name].takeFirst();
        if (takes.value(name) > limit) outcome = Outcome::timeout;
        const quint64 id = ++m_last;
        auto answer = [this, id, outcome, done = std::move(done)] {
            if (!m_cancelled.contains(id))
                done({outcome, outcome == Outcome::text ? QStringLiteral("apart") : QString(), QSize(7, 5), {}});
        };
        if (held.remove(name)) m_held.append(std::move(answer));
        else QTimer::singleShot(0, &m_context, std::move(answer));
        return id;
    }
    void cancel(quint64 id) override { m_cancelled.insert(id); }
    void release() {
        for (auto &answer : std::exchange(m_held, {})) QTimer::singleShot(0, &m_context, std::move(answer));
    }

    QHash<QString, QList<Outcome>> script;
    QHash<QString, std::chrono::milliseconds> takes;
    QSet<QString> held;
    QStringList asked;
    QList<qint64> askedAt; // by `clock`
    QElapsedTimer clock;

private:
    QObject m_context;
    QList<std::function<void()>> m_held;
    QSet<quint64> m_cancelled;
    quint64 m_last = 0;
};

// A capture showing one line of `strokes` thin upright strokes, which the recognizer takes for text.
QImage picture(int strokes) {
    QImage image(40 + 5 * strokes, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int i = 0; i < strokes; ++i) painter.fillRect(20 + 5 * i, 14, 2, 12, Qt::black);
    return image;
}

class HistoryStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDir().mkpath(folder);
        TextRecognizer::setEngine(&engine);
    }
    void TearDown() override {
        engine.opened = true;
        store.reset();
        historypage::waitForBackgroundReads();
        TextRecognizer::setEngine(nullptr);
    }

    QString path(const QString &name) const { return folder + QLatin1Char('/') + name; }
    QString writePng(const QString &name, int strokes, const QDateTime &date = {}) {
        const QString file = path(name);
        picture(strokes).save(file, "png");
        dates.insert(file, date.isValid() ? date : QDateTime::currentDateTime().addSecs(-int(dates.size())));
        return file;
    }
    QString writeFile(const QString &name, const QByteArray &bytes) {
        EXPECT_TRUE(temp.write(QStringLiteral("Recentes/") + name, bytes));
        dates.insert(path(name), QDateTime::currentDateTime().addDays(-1 - int(dates.size())));
        return path(name);
    }
    void remove(const QString &file) {
        QFile::remove(file);
        dates.remove(file);
    }
    // The folder as the recents store lists it: newest first.
    QList<RecentsStore::File> listing() const {
        QList<RecentsStore::File> files;
        for (auto it = dates.cbegin(); it != dates.cend(); ++it) files.append({it.key(), it.value()});
        std::sort(files.begin(), files.end(), [](const auto &a, const auto &b) { return a.date > b.date; });
        return files;
    }
    // The read time limit is long unless a test is about it: a read it cut short would change what
    // the test sees.
    // A read that ran out of time is tried again as soon as nothing else waits, unless a test is about
    // when.
    HistoryStore &makeStore(std::chrono::milliseconds timeout = 1h,
                            std::shared_ptr<BackgroundTextReader> reader = nullptr,
                            std::chrono::milliseconds retryPause = 0ms) {
        HistoryStore::Options options;
        options.reader = std::move(reader);
        options.indexPath = indexPath;
        options.files = [this] { return listing(); };
        options.readTimeout = timeout;
        options.retryPause = retryPause;
        options.saveDelay = 150ms;
        options.thumbnailFolder = thumbnailFolder;
        store = std::make_unique<HistoryStore>(options);
        EXPECT_TRUE(testsupport::becomes([this] { return store->isLoaded(); }));
        return *store;
    }
    // Runs the event loop until nothing is left to read (QTest::qWaitFor would sleep between events).
    bool readAll(int ms = testsupport::patienceMs) {
        QEventLoop loop;
        QObject::connect(store.get(), &HistoryStore::pendingCountChanged, &loop, [&loop](int count) {
            if (count == 0) loop.quit();
        });
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        if (store->pendingCount() != 0) loop.exec();
        return store->pendingCount() == 0;
    }
    HistoryEntry entry(const QString &file) const {
        for (const HistoryEntry &e : store->entries())
            if (e.path() == file) return e;
        return HistoryEntry(file, {});
    }
    // Writes the save the changes so far scheduled now rather than after its delay, and delivers its
    // indexWritten: what a test then reads of the file, or counts of the signal, is final.
    void saveNow() {
        store->flush();
        testsupport::settle();
    }
    QJsonObject index() const {
        QFile file(indexPath);
        file.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(file.readAll()).object();
    }

    testsupport::TempFolder temp;
    QString folder = temp.file(QStringLiteral("Recentes"));
    QString indexPath = temp.file(QStringLiteral("Indice-do-historico.json"));
    QHash<QString, QDateTime> dates;
    QString thumbnailFolder; // none unless a test is about it
    ScriptedEngine engine;
    std::unique_ptr<HistoryStore> store;
};

} // namespace

TEST_F(HistoryStoreTest, EachFileIsReadOnceAndOnlyWhatRanOutOfTimeIsReadAgain) {
    engine.set(1, {QStringLiteral("Olá\nmundo")});
    engine.set(2, {{}, 0ms, platform::TextEngineError::Kind::failed});
    engine.set(4, {{}, 0ms, platform::TextEngineError::Kind::unavailable});
    engine.set(3, {{}, 0ms, std::nullopt, true});
    const QString text = writePng(QStringLiteral("texto.png"), 1);
    const QString failing = writePng(QStringLiteral("falha.png"), 2);
    const QString slow = writePng(QStringLiteral("lenta.png"), 3);
    const QString noEngine = writePng(QStringLiteral("sem-motor.png"), 4);
    const QString junk = writeFile(QStringLiteral("lixo.png"), "not a picture");
    // A valid PNG header claiming 100000 × 100000 pixels: refused before anything is allocated.
    const QString huge =
        writeFile(QStringLiteral("enorme.png"),
                  QByteArray::fromHex("89504e470d0a1a0a0000000d49484452000186a0000186a00806000000a8520bc8"));

    HistoryStore &history = makeStore(400ms);
    ASSERT_TRUE(readAll());
    EXPECT_EQ(history.text(entry(text)), QStringLiteral("Olá\nmundo"));
    EXPECT_EQ(history.dimensions(entry(text)), picture(1).size());
    EXPECT_EQ(history.text(entry(failing)), QString()); // stored empty: not read again
    EXPECT_EQ(history.dimensions(entry(failing)), picture(2).size());
    // Out of time at each of its three tries: kept with its size and no text, not read again.
    EXPECT_EQ(engine.readsOf(3), 3);
    EXPECT_EQ(history.text(entry(slow)), QString());
    EXPECT_EQ(history.dimensions(entry(slow)), picture(3).size());
    EXPECT_EQ(history.dimensions(entry(noEngine)), std::nullopt); // read once an engine is installed
    EXPECT_EQ(history.dimensions(entry(junk)), std::nullopt);
    EXPECT_TRUE(testsupport::becomes([this] { return engine.stopped == 3; })); // each timed-out run stops

    saveNow();
    const QJsonObject saved = index();
    EXPECT_EQ(saved.keys(),
              (QStringList{QStringLiteral("enorme.png"), QStringLiteral("falha.png"), QStringLiteral("lenta.png"),
                           QStringLiteral("lixo.png"), QStringLiteral("texto.png")}));
    const QJsonObject empty{{"text", ""}, {"width", 0}, {"height", 0}, {"bytes", 0}};
    EXPECT_EQ(saved.value(QStringLiteral("lixo.png")).toObject(), empty);
    EXPECT_EQ(saved.value(QStringLiteral("enorme.png")).toObject(), empty);
    EXPECT_EQ(saved.value(QStringLiteral("texto.png")).toObject(), (QJsonObject{{"text", QStringLiteral("Olá\nmundo")},
                                                                                {"width", picture(1).width()},
                                                                                {"height", 40},
                                                                                {"bytes", QFileInfo(text).size()}}));
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(indexPath).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);

    // The next reload queues the one no engine could read, alone.
    history.reload();
    EXPECT_EQ(history.pendingCount(), 1);
    ASSERT_TRUE(readAll());
    EXPECT_EQ(engine.readsOf(3), 3);
    EXPECT_EQ(engine.readsOf(4), 2);
    EXPECT_EQ(engine.readsOf(1) + engine.readsOf(2), 2);
}

TEST_F(HistoryStoreTest, OneWorkerReadsTheQueueInOrderAndAReloadAppends) {
    for (int strokes = 5; strokes < 7; ++strokes) engine.set(strokes, {QString::number(strokes), 60ms});
    engine.set(7, {QStringLiteral("7"), 0ms, std::nullopt, false, true}); // the first, held until "novo" is found
    engine.set(8, {QStringLiteral("depois"), 0ms});
    writePng(QStringLiteral("a.png"), 5, QDateTime::currentDateTime().addSecs(-30));
    writePng(QStringLiteral("b.png"), 6, QDateTime::currentDateTime().addSecs(-20));
    writePng(QStringLiteral("c.png"), 7, QDateTime::currentDateTime().addSecs(-10));
    HistoryStore &history = makeStore();
    history.reload(); // a second reload queues nothing new
    EXPECT_EQ(history.pendingCount(), 3);
    ASSERT_TRUE(testsupport::becomes([this] { return engine.order().size() == 1; }));
    writePng(QStringLiteral("novo.png"), 8); // the newest file, found while the worker runs
    history.reload();
    EXPECT_EQ(history.pendingCount(), 4);
    engine.opened = true;
    ASSERT_TRUE(readAll());
    EXPECT_EQ(engine.order(), (QList<int>{7, 6, 5, 8}));
    EXPECT_EQ(engine.mostRunning, 1);
    EXPECT_EQ(history.entries().first().name(), QStringLiteral("novo.png"));
}

TEST_F(HistoryStoreTest, ForgettingOrReusingANameDropsItsOldRead) {
    engine.set(9, {QStringLiteral("antigo"), 0ms, std::nullopt, true});
    engine.set(10, {QStringLiteral("novo"), 0ms});
    engine.set(11, {QStringLiteral("seguinte"), 0ms});
    const QString reused = writePng(QStringLiteral("Pelicarta 2026-03-14 09.05.27.png"), 9);
    writePng(QStringLiteral("seguinte.png"), 11, QDateTime::currentDateTime().addDays(-1));
    HistoryStore &history = makeStore();
    ASSERT_TRUE(testsupport::becomes([this] { return engine.running == 1; }));

    // The file is deleted and a new capture takes its name while the old read runs.
    remove(reused);
    history.forget({reused});
    EXPECT_EQ(history.pendingCount(), 1);
    const QImage capture = picture(10);
    capture.save(reused, "png");
    dates.insert(reused, QDateTime::currentDateTime());
    history.didAdd(reused);
    EXPECT_EQ(history.pendingCount(), 2);
    // The old run stops and the worker goes on without waiting for it: that run would end only at the
    // read limit, which is far beyond the wait.
    ASSERT_TRUE(readAll());
    EXPECT_EQ(history.text(entry(reused)), QStringLiteral("novo"));
    EXPECT_EQ(history.text(history.entries().last()), QStringLiteral("seguinte"));
    EXPECT_TRUE(testsupport::becomes([this] { return engine.stopped == 1; }));
    history.reload();
    EXPECT_EQ(history.pendingCount(), 0);

    // Forgetting nothing changes nothing (no save waits afterwards); unknown paths still save once.
    saveNow();
    QSignalSpy written(&history, &HistoryStore::indexWritten);
    const quint64 revision = history.revision();
    history.forget({});
    EXPECT_EQ(history.revision(), revision);
    saveNow();
    EXPECT_EQ(written.size(), 0);
    history.forget({path(QStringLiteral("nunca.png"))});
    EXPECT_TRUE(testsupport::received(written));
}

TEST_F(HistoryStoreTest, CardPicturesAreAtMostTheirSideAndReadAgainOnceTheNameIsUsedAgain) {
    const QString file = path(QStringLiteral("Pelicarta 2026-03-14 09.05.27.png"));
    QImage wide(1000, 333, QImage::Format_RGB32);
    wide.fill(Qt::darkCyan);
    ASSERT_TRUE(wide.save(file, "png"));
    dates.insert(file, QDateTime::currentDateTime());
    HistoryStore &history = makeStore();
    const auto waitFor = [](const QFuture<QImage> &future) {
        EXPECT_TRUE(testsupport::becomes([&] { return future.isFinished(); }));
        return future.isFinished() && future.resultCount() > 0 ? future.result() : QImage();
    };
    EXPECT_EQ(waitFor(history.thumbnail(file)).size(), QSize(HistoryStore::thumbnailSide, 160));
    EXPECT_TRUE(history.thumbnail(file).isFinished()); // kept
    // A new capture takes the name: its own picture is shown, not the one kept of the old file.
    const QImage capture = picture(10);
    ASSERT_TRUE(capture.save(file, "png"));
    history.didAdd(file);
    EXPECT_EQ(waitFor(history.thumbnail(file)).size(), capture.size());
}

TEST_F(HistoryStoreTest, CardPicturesKeptBetweenRunsGoWithTheirCaptures) {
    thumbnailFolder = temp.file(QStringLiteral("Miniaturas"));
    ASSERT_TRUE(QDir().mkpath(thumbnailFolder));
    const auto kept = [this] { return QDir(thumbnailFolder).entryList(QDir::Files).size(); };
    const QStringList files{writePng(QStringLiteral("Pelicarta 2026-03-14 09.05.27.png"), 3),
                            writePng(QStringLiteral("Pelicarta 2026-03-14 09.05.28.png"), 4),
                            writePng(QStringLiteral("Pelicarta 2026-03-14 09.05.29.png"), 5)};
    HistoryStore &history = makeStore();
    for (const QString &file : files) {
        const QFuture<QImage> picture = history.thumbnail(file);
        ASSERT_TRUE(testsupport::becomes([&] { return picture.isFinished(); }));
    }
    EXPECT_TRUE(testsupport::becomes([&] { return kept() == 3; }));

    // A capture deleted takes its picture along.
    remove(files[0]);
    history.forget({files[0]});
    EXPECT_TRUE(testsupport::becomes([&] { return kept() == 2; }));
    // One deleted while no store was there to hear of it goes at the next run.
    store.reset();
    remove(files[1]);
    makeStore();
    EXPECT_TRUE(testsupport::becomes([&] { return kept() == 1; }));
}

TEST_F(HistoryStoreTest, SavesOnceAfterTheLastOfABurstAndAtQuit) {
    HistoryStore &history = makeStore();
    ASSERT_TRUE(readAll());
    saveNow();
    QSignalSpy written(&history, &HistoryStore::indexWritten);
    // Changes 40 ms apart, a burst within the 150 ms delay. No event is handled between them, so
    // however slow the machine, no save can fall between two changes: the one save counts from the last.
    QElapsedTimer clock;
    clock.start();
    qint64 lastChange = 0;
    for (int i = 0; i < 10; ++i) {
        QThread::msleep(40);
        lastChange = clock.elapsed();
        history.forget({path(QStringLiteral("x%1.png").arg(i))});
    }
    ASSERT_TRUE(testsupport::received(written));
    EXPECT_GE(clock.elapsed(), lastChange + 140);
    saveNow(); // nothing waits to be saved any more: no second write
    EXPECT_EQ(written.size(), 1);
    EXPECT_EQ(QFile(indexPath).size(), 2); // "{}"

    // Changes that never pause still reach the file, ten delays after the first: changes a third of a
    // delay apart would otherwise put the save off for ever. Events are handled just after each
    // change, while the save it put off is not due yet, so only the ten-delay bound can save.
    const QDeadlineTimer hang(testsupport::patienceMs);
    while (written.size() < 2 && !hang.hasExpired()) {
        history.forget({path(QStringLiteral("z.png"))});
        QCoreApplication::processEvents();
        QThread::msleep(50);
    }
    EXPECT_EQ(written.size(), 2);

    // A save still waiting is written when the application quits.
    QFile::remove(indexPath);
    history.forget({path(QStringLiteral("y.png"))});
    history.flush();
    EXPECT_TRUE(QFileInfo::exists(indexPath));
}

TEST_F(HistoryStoreTest, AnIndexFileIsReadRecordByRecordAndWhatIsNoObjectIsKeptAside) {
    engine.set(12, {QStringLiteral("relido"), 0ms});
    const QString kept = writePng(QStringLiteral("guardado.png"), 13);
    const QString bad = writePng(QStringLiteral("largura.png"), 12);
    ASSERT_TRUE(temp.write(QStringLiteral("Indice-do-historico.json"),
                           R"({"guardado.png":{"text":"Straße","width":81,"height":30,"bytes":5,"velha":1},)"
                           R"("largura.png":{"text":"x","width":"x","height":30,"bytes":5}})"));
    HistoryStore &history = makeStore();
    ASSERT_TRUE(readAll());
    EXPECT_EQ(history.text(entry(kept)), QStringLiteral("Straße"));
    EXPECT_EQ(history.text(entry(bad)), QStringLiteral("relido")); // its record alone was dropped and read again
    EXPECT_EQ(engine.readsOf(13), 0);
    saveNow();
    EXPECT_EQ(index().value(QStringLiteral("guardado.png")).toObject().keys().size(), 4); // "velha" is gone

    // The last capture goes: the index becomes "{}".
    QSignalSpy written(&history, &HistoryStore::indexWritten);
    remove(kept);
    remove(bad);
    history.reload();
    ASSERT_TRUE(testsupport::received(written));
    EXPECT_EQ(temp.read(QStringLiteral("Indice-do-historico.json")), QByteArray("{}"));

    // A top-level array is moved aside, not written over; a fresh index takes its place.
    store.reset();
    ASSERT_TRUE(temp.write(QStringLiteral("Indice-do-historico.json"), "[1,2,3]"));
    HistoryStore &again = makeStore();
    again.forget({path(QStringLiteral("z.png"))});
    again.flush();
    EXPECT_EQ(temp.read(QStringLiteral("Indice-do-historico.json")), QByteArray("{}"));
    const QStringList aside = QDir(temp.path()).entryList({QStringLiteral("Indice-do-historico.json.unreadable-*")});
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(temp.read(aside.first()), QByteArray("[1,2,3]"));
}

TEST_F(HistoryStoreTest, SearchFindsFoldedTextWithinThePeriod) {
    const QDateTime now = QDateTime::currentDateTime();
    engine.set(14, {QStringLiteral("Rua da Straße 12\nConfigurações")});
    engine.set(15, {QStringLiteral("nada aqui")});
    const QString street = writePng(QStringLiteral("rua.png"), 14, now.addDays(-7).addSecs(3600));
    const QString other = writePng(QStringLiteral("outra.png"), 15, now.addDays(-7).addSecs(-3600));
    HistoryStore &history = makeStore();
    ASSERT_TRUE(readAll());
    const auto paths = [](const QList<HistoryEntry> &entries) {
        QStringList list;
        for (const HistoryEntry &e : entries) list.append(e.path());
        return list;
    };
    EXPECT_EQ(paths(history.search(QStringLiteral("STRASSE"), std::nullopt)), QStringList{street});
    EXPECT_EQ(history.snippet(entry(street), QStringLiteral("configuracoes")), QStringLiteral("Configurações"));
    EXPECT_EQ(paths(history.search(QStringLiteral("  \n"), std::nullopt)), (QStringList{street, other}));
    EXPECT_EQ(history.snippet(entry(street), QStringLiteral("  ")), std::nullopt);
    // A week seen now keeps what is seven days old but later in the day, not what is earlier.
    EXPECT_EQ(paths(history.search({}, periodSince(HistoryPeriod::week, now))), QStringList{street});
    const QDateTime at = entry(street).date();
    EXPECT_EQ(paths(history.search(QStringLiteral("rua"), at)), QStringList{street});
    EXPECT_TRUE(history.search(QStringLiteral("rua"), at.addSecs(1)).isEmpty());

    // A capture still being read matches no word; its text counts as soon as it is stored.
    engine.set(16, {QStringLiteral("recém-chegada"), 0ms, std::nullopt, false, true});
    const QString fresh = writePng(QStringLiteral("nova.png"), 16, now);
    history.didAdd(fresh);
    EXPECT_TRUE(history.search(QStringLiteral("recem"), std::nullopt).isEmpty());
    EXPECT_EQ(history.search({}, std::nullopt).size(), 3);
    engine.opened = true;
    ASSERT_TRUE(readAll());
    EXPECT_EQ(paths(history.search(QStringLiteral("recem"), std::nullopt)), QStringList{fresh});
}

TEST_F(HistoryStoreTest, ManyQueuedFilesAndNewCapturesStayWithinTheRecognizersBound) {
    engine.set(17, {QStringLiteral("fila"), 5ms});
    engine.set(18, {QStringLiteral("nova"), 150ms});
    for (int i = 0; i < 200; ++i) writePng(QStringLiteral("f%1.png").arg(i), 17);
    HistoryStore &history = makeStore();
    for (int i = 0; i < 3; ++i) {
        const QString file =
            writePng(QStringLiteral("nova%1.png").arg(i), 18, QDateTime::currentDateTime().addSecs(60));
        history.didAdd(file);
    }
    ASSERT_TRUE(readAll());
    EXPECT_LE(engine.mostRunning, engine.maxConcurrentReads());
    EXPECT_EQ(engine.order().size(), 203);
    EXPECT_EQ(history.search(QStringLiteral("nova"), std::nullopt).size(), 3);
    EXPECT_EQ(history.search(QStringLiteral("fila"), std::nullopt).size(), 200);
}

TEST_F(HistoryStoreTest, ABurstOfCapturesIsReadFromTheirFilesInTheOrderTheyCame) {
    HistoryStore &history = makeStore();
    ASSERT_TRUE(readAll());
    QStringList files;
    for (int i = 0; i < 6; ++i) {
        engine.set(30 + i, {QStringLiteral("captura %1").arg(i), 80ms});
        files.append(writePng(QStringLiteral("rajada%1.png").arg(i), 30 + i, QDateTime::currentDateTime().addSecs(i)));
        history.didAdd(files.last());
    }
    EXPECT_EQ(history.pendingCount(), 6);
    ASSERT_TRUE(readAll());
    EXPECT_EQ(engine.order(), (QList<int>{30, 31, 32, 33, 34, 35}));
    for (int i = 0; i < 6; ++i) EXPECT_EQ(history.text(entry(files[i])), QStringLiteral("captura %1").arg(i));
}

TEST_F(HistoryStoreTest, FedByTheRecentsStoreWithTheSamePaths) {
    engine.set(19, {QStringLiteral("capturada"), 0ms, std::nullopt, false, true});
    platform::UserDefaults defaults(temp.file(QStringLiteral("defaults.json")));
    defaults.setBool(Settings::historyCompact.key(), false);
    RecentsStore recents(defaults, folder);
    HistoryStore::Options options;
    options.indexPath = indexPath;
    options.files = [&recents] { return recents.allFiles(); };
    options.saveDelay = 100ms;
    HistoryStore history(options);
    QObject::connect(&recents, &RecentsStore::captureWritten, &history, &HistoryStore::didAdd);
    QObject::connect(&recents, &RecentsStore::capturesRemoved, &history, &HistoryStore::forget);

    // The first use is a new capture: it is the only entry at once, and the first reload (after the
    // index is loaded) lists it without queueing it again.
    const QString written = recents.add(picture(19));
    ASSERT_FALSE(written.isEmpty());
    ASSERT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries().first().path(), written);
    ASSERT_TRUE(testsupport::becomes([&] { return history.isLoaded(); }));
    EXPECT_EQ(history.entries().size(), 1);
    EXPECT_EQ(history.entries().first().path(), written);
    EXPECT_EQ(history.pendingCount(), 1);
    engine.opened = true;
    ASSERT_TRUE(testsupport::becomes([&] { return history.pendingCount() == 0; }));
    EXPECT_EQ(history.text(history.entries().first()), QStringLiteral("capturada"));

    recents.deleteFiles({written});
    EXPECT_TRUE(history.entries().isEmpty());
    EXPECT_EQ(history.text(HistoryEntry(written, {})), QString());
}

TEST_F(HistoryStoreTest, AReadApartThatCrashesIsAskedOnceMoreAndASecondCrashCountsAsFailed) {
    using Outcome = BackgroundTextReader::Outcome;
    auto reader = std::make_shared<ScriptedReader>();
    reader->script.insert(QStringLiteral("uma.png"), {Outcome::crashed});
    reader->script.insert(QStringLiteral("duas.png"), {Outcome::crashed, Outcome::crashed, Outcome::text});
    reader->script.insert(QStringLiteral("sem-processo.png"), {Outcome::notStarted});
    reader->script.insert(QStringLiteral("lenta.png"), {Outcome::timeout});
    engine.set(3, {QStringLiteral("lida aqui")});
    const QString once = writePng(QStringLiteral("uma.png"), 1);
    const QString twice = writePng(QStringLiteral("duas.png"), 2);
    const QString here = writePng(QStringLiteral("sem-processo.png"), 3);
    const QString slow = writePng(QStringLiteral("lenta.png"), 4);

    HistoryStore &history = makeStore(1h, reader);
    ASSERT_TRUE(readAll());
    EXPECT_EQ(history.text(entry(once)), QStringLiteral("apart"));
    EXPECT_EQ(reader->asked.count(QStringLiteral("uma.png")), 2);
    // Stored empty with the picture's size, and never asked again.
    EXPECT_EQ(history.text(entry(twice)), QString());
    EXPECT_EQ(history.dimensions(entry(twice)), picture(2).size());
    EXPECT_EQ(reader->asked.count(QStringLiteral("duas.png")), 2);
    // A reader that cannot start leaves the read to this process.
    EXPECT_EQ(history.text(entry(here)), QStringLiteral("lida aqui"));
    // Out of time once, read at its second try.
    EXPECT_EQ(history.text(entry(slow)), QStringLiteral("apart"));
    EXPECT_EQ(reader->asked.count(QStringLiteral("lenta.png")), 2);

    history.reload();
    ASSERT_TRUE(readAll());
    EXPECT_EQ(reader->asked.count(QStringLiteral("duas.png")), 2);
}

// A read gets its 20 s from its own start, however many engines the machine has: a capture that needs
// 25 s in a burst is tried again, alone, once the rest is read and the burst has been over for the
// pause, while the quick one after it is found at once; one that never fits is given up after its
// third try and stays so until the next start, which gives it one more round.
TEST_F(HistoryStoreTest, AReadThatRanOutOfTimeIsTriedAgainAloneOnceTheBurstIsOver) {
    using Outcome = BackgroundTextReader::Outcome;
    auto reader = std::make_shared<ScriptedReader>();
    reader->takes.insert(QStringLiteral("densa.png"), 25s);
    reader->takes.insert(QStringLiteral("leve.png"), 19s);
    reader->script.insert(QStringLiteral("teimosa.png"), QList<Outcome>(4, Outcome::timeout));
    reader->held.insert(QStringLiteral("teimosa.png"));
    const QDateTime now = QDateTime::currentDateTime();
    const QString dense = writePng(QStringLiteral("densa.png"), 1, now.addSecs(-10));
    const QString light = writePng(QStringLiteral("leve.png"), 2, now.addSecs(-20));
    const QString stubborn = writePng(QStringLiteral("teimosa.png"), 3, now.addSecs(-30));
    constexpr auto pause = 300ms;

    HistoryStore &history = makeStore(20s, reader, pause);
    ASSERT_TRUE(testsupport::becomes([&] { return reader->asked.size() == 3; }));
    EXPECT_EQ(history.search(QStringLiteral("apart"), std::nullopt).value(0).path(), light);
    // A capture comes while the last queued file is being read, and the machine is less busy after.
    const QString fresh = writePng(QStringLiteral("nova.png"), 4);
    history.didAdd(fresh);
    reader->takes.insert(QStringLiteral("densa.png"), 5s);
    const qint64 released = reader->clock.elapsed();
    reader->release();
    ASSERT_TRUE(readAll());
    EXPECT_EQ(reader->asked,
              (QStringList{QStringLiteral("densa.png"), QStringLiteral("leve.png"), QStringLiteral("teimosa.png"),
                           QStringLiteral("nova.png"), QStringLiteral("densa.png"), QStringLiteral("teimosa.png"),
                           QStringLiteral("teimosa.png")}));
    EXPECT_GE(reader->askedAt.value(4) - released, qint64(pause.count()));
    // Each timeout puts the next try off by the pause.
    EXPECT_GE(reader->askedAt.value(6) - reader->askedAt.value(5), qint64(pause.count()));
    EXPECT_EQ(history.search(QStringLiteral("apart"), std::nullopt).size(), 3);
    EXPECT_EQ(history.text(entry(stubborn)), QString());
    EXPECT_EQ(history.dimensions(entry(stubborn)), QSize(7, 5));

    history.reload();
    EXPECT_EQ(history.pendingCount(), 0);
    saveNow();
    store.reset();
    reader->asked.clear();
    HistoryStore &again = makeStore(20s, reader, pause);
    ASSERT_TRUE(readAll());
    // Its fourth try runs out of time too, the fifth reads it; the others are not read again.
    EXPECT_EQ(reader->asked, (QStringList{QStringLiteral("teimosa.png"), QStringLiteral("teimosa.png")}));
    EXPECT_EQ(again.text(entry(dense)), QStringLiteral("apart"));
    EXPECT_EQ(again.text(entry(stubborn)), QStringLiteral("apart"));
    EXPECT_EQ(again.dimensions(entry(stubborn)), QSize(7, 5));

    // Given up on again in a later run: not tried again within it, however often the folder reloads.
    reader->script.insert(QStringLiteral("densa.png"), QList<Outcome>(3, Outcome::timeout));
    again.didAdd(dense);
    ASSERT_TRUE(readAll());
    again.reload();
    again.reload();
    EXPECT_EQ(again.pendingCount(), 0);
    EXPECT_EQ(reader->asked.count(QStringLiteral("densa.png")), 3);
    saveNow();
    EXPECT_TRUE(index().value(QStringLiteral("densa.png")).toObject().value(QStringLiteral("timedOut")).toBool());
    EXPECT_FALSE(index().value(QStringLiteral("teimosa.png")).toObject().contains(QStringLiteral("timedOut")));
}

TEST_F(HistoryStoreTest, RealRecognitionFindsAccentedTextTypedPlainButNotAcrossLines) {
    TextRecognizer::setEngine(nullptr);
    QImage page(900, 260, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        painter.setPen(Qt::black);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(40);
        painter.setFont(font);
        painter.drawText(40, 90, QStringLiteral("Configurações da Conta"));
        painter.drawText(40, 190, QStringLiteral("Relatório Anual"));
    }
    const QString file = path(QStringLiteral("conta.png"));
    ASSERT_TRUE(page.save(file, "png"));
    dates.insert(file, QDateTime::currentDateTime());
    HistoryStore &history = makeStore();
    ASSERT_TRUE(readAll());
    const QList<HistoryEntry> found = history.search(QStringLiteral("CONFIGURACOES"), std::nullopt);
    ASSERT_EQ(found.size(), 1) << history.text(entry(file)).toStdString();
    EXPECT_EQ(history.snippet(found.first(), QStringLiteral("CONFIGURACOES")),
              QStringLiteral("Configurações da Conta"));
    EXPECT_TRUE(history.search(QStringLiteral("Relatório Anual"), std::nullopt).size() == 1);
    EXPECT_TRUE(history.search(QStringLiteral("Conta Relatório"), std::nullopt).isEmpty());
}
