#include "core/Exporter.h"
#include "core/Settings.h"
#include "history/RecentsStore.h"
#include "platform/HeifCodec.h"
#include "platform/Pasteboard.h"
#include "platform/ThreadPriority.h"
#include "platform/UserDefaults.h"
#include "support/FixedClock.h"
#include "support/PlatformFakes.h"
#include "support/RecordingNotifier.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLocale>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QtEndian>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace {

QImage picture(int w, int h, QColor color = QColor(40, 120, 220)) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

bool touch(const QString &path, const QByteArray &bytes = "x") {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray pngBytes(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "png");
    return bytes;
}

// A name the store itself would give, i minutes into an old day.
QString ownName(int i, const char *extension = "png") {
    return QStringLiteral("Pelicarta 2020-01-01 10.%1.00.%2")
        .arg(i, 2, 10, QLatin1Char('0'))
        .arg(QLatin1String(extension));
}

class RecentsStoreTest : public ::testing::Test {
protected:
    testsupport::TempFolder temp;
    platform::UserDefaults defaults{temp.file(QStringLiteral("defaults.json"))};
    QString folder = temp.file(QStringLiteral("Recentes"));

    // PNG files keep these tests fast; the HEIC default has its own test.
    std::unique_ptr<RecentsStore> makeStore(RecentsStore::Encoder encoder = {}) {
        defaults.setBool(Settings::historyCompact.key(), false);
        return std::make_unique<RecentsStore>(defaults, folder, std::move(encoder));
    }
    QStringList names(const RecentsStore &store) const {
        QStringList list;
        for (const QString &path : store.sortedFiles()) list.append(QFileInfo(path).fileName());
        return list;
    }
};

} // namespace

TEST_F(RecentsStoreTest, KeepLimitAndFormatSettings) {
    auto store = makeStore();
    defaults.remove(Settings::historyKeep.key());
    EXPECT_EQ(store->keepOnDisk(), 500);
    // A count below zero is no count: the default, not "keep none".
    const QList<QPair<qint64, qint64>> cases = {{-5, 500},
                                                {std::numeric_limits<qint64>::min(), 500},
                                                {0, 0},
                                                {1, 20},
                                                {20, 20},
                                                {50, 100},
                                                {500, 500},
                                                {501, 2000},
                                                {3000, RecentsStore::unlimited},
                                                {RecentsStore::unlimited, RecentsStore::unlimited}};
    for (const auto &[stored, expected] : cases) {
        defaults.setInt(Settings::historyKeep.key(), stored);
        EXPECT_EQ(store->keepOnDisk(), expected) << stored;
    }
    defaults.setString(Settings::historyKeep.key(), QStringLiteral("20"));
    EXPECT_EQ(store->keepOnDisk(), 500);
    defaults.setDouble(Settings::historyKeep.key(), 50.0);
    EXPECT_EQ(store->keepOnDisk(), 100);

    defaults.remove(Settings::historyCompact.key());
    EXPECT_TRUE(store->isCompact());
    defaults.setString(Settings::historyCompact.key(), QStringLiteral("false"));
    EXPECT_TRUE(store->isCompact());
    defaults.setBool(Settings::historyCompact.key(), false);
    EXPECT_FALSE(store->isCompact());
}

TEST_F(RecentsStoreTest, WritesHeicByDefaultAndNamesCollisionsInOrder) {
    auto store = makeStore();
    defaults.remove(Settings::historyCompact.key());
    const QString heic = store->add(picture(64, 48));
    ASSERT_FALSE(heic.isEmpty());
    EXPECT_TRUE(QRegularExpression(
                    QStringLiteral("/Pelicarta \\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d(?: \\(\\d+\\))?\\.heic$"))
                    .match(heic)
                    .hasMatch())
        << heic.toStdString();
    const auto decoded = platform::HeifCodec::decodeFile(heic);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->size(), QSize(64, 48));
    ASSERT_EQ(store->items().size(), 1);
    EXPECT_EQ(store->items().first().path, heic);
    EXPECT_EQ(store->usedBytes(), QFileInfo(heic).size());

    // Three captures within one second: the plain name, then (2) and (3). A PNG and a HEIC of the same
    // second both take the plain name, as only the whole name is tested.
    const testsupport::FixedClock clock{QDateTime(QDate(2026, 3, 14), QTime(9, 5, 27))};
    const QString stem = folder + QStringLiteral("/Pelicarta 2026-03-14 09.05.27");
    const QString sameSecondHeic = store->add(picture(10, 10));
    defaults.setBool(Settings::historyCompact.key(), false);
    EXPECT_EQ(store->add(picture(10, 10)), stem + QStringLiteral(".png"));
    EXPECT_EQ(store->add(picture(10, 10)), stem + QStringLiteral(" (2).png"));
    EXPECT_EQ(store->add(picture(10, 10)), stem + QStringLiteral(" (3).png"));
    EXPECT_EQ(sameSecondHeic, stem + QStringLiteral(".heic"));
}

TEST_F(RecentsStoreTest, AFreePlainNameIsTakenBeforeNumberedOnes) {
    auto store = makeStore();
    const testsupport::FixedClock clock{QDateTime(QDate(2026, 3, 14), QTime(9, 5, 27))};
    // Block the plain name's "(2)" only: the store must not count upwards from a numbered name that
    // exists.
    ASSERT_TRUE(touch(folder + QStringLiteral("/Pelicarta 2026-03-14 09.05.27 (2).png")));
    const QString path = store->add(picture(8, 8));
    EXPECT_EQ(path, folder + QStringLiteral("/Pelicarta 2026-03-14 09.05.27.png"));
}

TEST_F(RecentsStoreTest, ListsOnlyCaptureFilesNewestFirstAndLoadsFiveReadableOnes) {
    QDir().mkpath(folder + QStringLiteral("/sub"));
    const QDateTime base = QDateTime::currentDateTime().addDays(-1);
    testsupport::FixedFileDates dates;
    auto place = [&](const QString &name, int minutes, const QByteArray &bytes) {
        ASSERT_TRUE(touch(folder + QLatin1Char('/') + name, bytes));
        dates.insert(name, base.addSecs(60 * minutes));
    };
    const QByteArray png = pngBytes(picture(300, 100));
    for (int i = 0; i < 6; ++i) place(ownName(i), i, png);
    place(QStringLiteral("newest-broken.PNG"), 100, "not an image"); // listed, not loadable
    place(QStringLiteral("Mixed.Heic"), -10, "junk");
    place(QStringLiteral("photo.jpg"), 200, png);
    place(QStringLiteral(".hidden.png"), 300, png);
    place(QStringLiteral("sub/inner.png"), 400, png);
    place(QStringLiteral("undated.png"), 0, png);
    dates.insert(QStringLiteral("undated.png"), QDateTime());

    auto store = makeStore();
    store->applyKeepLimit(RecentsStore::unlimited); // reloads with the dates above
    EXPECT_EQ(names(*store),
              (QStringList{QStringLiteral("newest-broken.PNG"), ownName(5), ownName(4), ownName(3), ownName(2),
                           ownName(1), ownName(0), QStringLiteral("Mixed.Heic"), QStringLiteral("undated.png")}));
    EXPECT_EQ(store->fileCount(), 9);
    // Listed at once, before any picture is decoded.
    ASSERT_EQ(store->items().size(), 5);
    EXPECT_TRUE(store->items().first().thumbnail.isNull());
    // The broken newest file leaves its place empty once decoding fails: four items, not five.
    ASSERT_TRUE(testsupport::becomes([&] { return !store->isDecoding(); }));
    ASSERT_EQ(store->items().size(), 4);
    EXPECT_TRUE(store->items().first().path.endsWith(ownName(5)));
    EXPECT_EQ(store->items().first().thumbnail.size(), QSize(232, 100));
    EXPECT_EQ(store->usedBytes(), 7 * png.size() + 12 + 4);

    // deleteAll removes the store's own files only (the user's pictures stay, listed or not), and
    // announces it as a clearing.
    QSignalSpy removed(store.get(), &RecentsStore::capturesCleared);
    store->deleteAll();
    EXPECT_EQ(names(*store), (QStringList{QStringLiteral("newest-broken.PNG"), QStringLiteral("Mixed.Heic"),
                                          QStringLiteral("undated.png")}));
    EXPECT_TRUE(store->items().isEmpty());
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed.first().first().toStringList().size(), 6);
    for (const char *name : {"photo.jpg", ".hidden.png", "sub/inner.png"})
        EXPECT_TRUE(QFileInfo::exists(folder + QLatin1Char('/') + QLatin1String(name))) << name;
}

TEST_F(RecentsStoreTest, PruningRemovesTheOldestOwnFilesAndNeverTheCaptureJustWritten) {
    auto store = makeStore();
    defaults.setInt(Settings::historyKeep.key(), 20);
    // 23 older captures, one of them dated in the future, and the user's own "foto.png", oldest of all;
    // then one new capture: 25 files, 5 beyond the limit, of which only the store's own go.
    testsupport::FixedFileDates dates; // the new capture keeps its own
    const QDateTime base = QDateTime::currentDateTime().addDays(-10);
    for (int i = 0; i < 23; ++i) {
        const QString name = ownName(i);
        ASSERT_TRUE(touch(folder + QLatin1Char('/') + name));
        dates.insert(name, i == 22 ? QDateTime::currentDateTime().addYears(5) : base.addSecs(i * 60));
    }
    ASSERT_TRUE(touch(folder + QStringLiteral("/foto.png")));
    dates.insert(QStringLiteral("foto.png"), base.addDays(-1));
    QSignalSpy removed(store.get(), &RecentsStore::capturesRemoved);
    const QString added = store->add(picture(16, 16));
    ASSERT_FALSE(added.isEmpty());
    EXPECT_EQ(store->fileCount(), 21);
    EXPECT_TRUE(QFileInfo::exists(added));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/foto.png")));
    EXPECT_TRUE(QFileInfo::exists(folder + QLatin1Char('/') + ownName(22))); // the future one stays
    for (int i = 0; i < 4; ++i) EXPECT_FALSE(QFileInfo::exists(folder + QLatin1Char('/') + ownName(i))) << i;
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed.first().first().toStringList().size(), 4);
    EXPECT_TRUE(removed.first().first().toStringList().contains(folder + QLatin1Char('/') + ownName(1)));

    // Even when every other file is dated in the future, the new capture stays.
    for (int i = 0; i < 23; ++i) dates.insert(ownName(i), QDateTime::currentDateTime().addYears(3));
    const QString again = store->add(picture(16, 16));
    EXPECT_TRUE(QFileInfo::exists(again));
    EXPECT_EQ(store->fileCount(), 21);
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/foto.png")));
}

TEST_F(RecentsStoreTest, BackgroundAddsWriteTheSameFilesLater) {
    auto store = makeStore();
    QStringList written;
    store->addInBackground(picture(50, 20), {}, [&](const QString &path) { written.append(path); });
    store->addInBackground(picture(50, 20), {}, [&](const QString &path) { written.append(path); });
    EXPECT_TRUE(written.isEmpty());
    ASSERT_TRUE(testsupport::becomes([&] { return written.size() == 2; }));
    EXPECT_NE(written[0], written[1]);
    EXPECT_EQ(store->fileCount(), 2);
    EXPECT_EQ(store->items().size(), 2);
    EXPECT_EQ(QImageReader(written[1]).size(), QSize(50, 20));

    // At quit, pending files are finished at once.
    store->addInBackground(picture(7, 7), {}, [&](const QString &path) { written.append(path); });
    store->writer().waitForPending();
    ASSERT_EQ(written.size(), 3);
    EXPECT_TRUE(QFileInfo::exists(written.last()));
    written.removeLast();

    // Nothing to keep, or nothing encoded: an empty path, nothing written.
    defaults.setInt(Settings::historyKeep.key(), 0);
    store->addInBackground(picture(5, 5), {}, [&](const QString &path) { written.append(path); });
    EXPECT_EQ(written.size(), 3);
    EXPECT_TRUE(written.last().isEmpty());
    defaults.setInt(Settings::historyKeep.key(), 20);
    auto failing = std::make_unique<RecentsStore>(
        defaults, folder, [](const QImage &, const ExportSettings &) { return std::optional<QByteArray>(); });
    failing->addInBackground(picture(5, 5), {}, [&](const QString &path) { written.append(path); });
    ASSERT_TRUE(testsupport::becomes([&] { return written.size() == 4; }));
    EXPECT_TRUE(written.last().isEmpty());
    EXPECT_EQ(store->fileCount(), 3);

    // A store that is gone by the time the encoding ends takes nothing in.
    bool called = false;
    failing->addInBackground(picture(5, 5), {}, [&](const QString &) { called = true; });
    failing.reset();
    // The encoding ends on a bulk thread; what it then posts is handled.
    platform::bulkThreads().waitForDone();
    testsupport::settle();
    EXPECT_FALSE(called);
}

// A burst: one capture is encoded at a time (here) and the rest wait as files, only a few of them also in
// memory, whoever else holds them. Quitting mid-queue leaves those files, which the next start writes,
// each named after the moment it was taken, however late it is written.
TEST_F(RecentsStoreTest, ABurstWaitsOnDiskAndWhatIsLeftThereIsWrittenAtTheNextStart) {
    auto store = makeStore();
    store->writer().setEncodingsAtOnce(1);
    const testsupport::FixedClock clock{QDateTime(QDate(2031, 5, 6), QTime(7, 8, 9))}; // when files get written
    const QDateTime first(QDate(2026, 3, 14), QTime(9, 5, 27, 250));
    QStringList expected;
    // Something else shows every capture too (the editor, a panel) and may let go of it at any moment:
    // the store counts what it holds all the same.
    QList<QImage> shown;
    for (int i = 0; i < 8; ++i) {
        const QDateTime taken = first.addSecs(2 * i);
        shown.append(picture(40, 30, QColor(20 * i, 100, 200)));
        store->addInBackground(shown.last(), taken);
        expected.append(QStringLiteral("Pelicarta %1.png").arg(QLocale::c().toString(taken, "yyyy-MM-dd HH.mm.ss")));
    }
    EXPECT_EQ(store->writer().pendingCount(), 8);
    // Quitting at once: the capture being encoded is finished, the waiting ones stay on disk.
    EXPECT_TRUE(store->writer().waitForPending(0));
    EXPECT_EQ(names(*store), QStringList{expected.first()});
    EXPECT_EQ(store->writer().pendingCount(), 7);
    EXPECT_EQ(store->writer().picturesHeld(), CaptureWriter::heldWaiting);
    const QDir waiting(store->writer().waitingFolder());
    EXPECT_EQ(waiting.entryList(QDir::Files, QDir::Name), expected.mid(1));
    EXPECT_EQ(store->allFiles().first().date, first); // dated when taken, to the millisecond

    store.reset(); // the process ends (or dies) here
    auto next = makeStore();
    ASSERT_TRUE(testsupport::becomes([&] { return next->writer().pendingCount() == 0; }));
    QStringList written = names(*next);
    std::reverse(written.begin(), written.end()); // oldest first
    EXPECT_EQ(written, expected);
    EXPECT_TRUE(waiting.entryList(QDir::Files).isEmpty());
    EXPECT_EQ(QImageReader(folder + QLatin1Char('/') + expected.last()).size(), QSize(40, 30));
    ASSERT_EQ(next->items().size(), RecentsStore::showCount);
    EXPECT_EQ(next->items().first().date, first.addSecs(14));
}

// A waiting file that cannot be read back (damaged, a picture bomb, not a picture at all) is set aside
// beside it once and said once, instead of being tried and logged at every start; the good ones are
// written as usual.
TEST_F(RecentsStoreTest, AWaitingFileThatCannotBeReadIsSetAsideAndSaidOnce) {
    const QString waiting = QFileInfo(folder).dir().filePath(QStringLiteral("Pendentes"));
    ASSERT_TRUE(QDir().mkpath(waiting));
    ASSERT_TRUE(QFile::setPermissions(waiting, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    const QByteArray good = pngBytes(picture(40, 30));
    QByteArray bomb = good;
    qToBigEndian(quint32(100000), bomb.data() + 16);
    qToBigEndian(quint32(100000), bomb.data() + 20);
    qToBigEndian(testsupport::crc32(bomb.mid(12, 17)), bomb.data() + 29);
    const QString base = waiting + QLatin1Char('/');
    ASSERT_TRUE(touch(base + ownName(1), good.left(good.size() / 2)));
    ASSERT_TRUE(touch(base + ownName(2), bomb));
    ASSERT_TRUE(touch(base + ownName(3), "root:x:0:0:root:/root:/bin/bash\n"));
    ASSERT_TRUE(touch(base + ownName(4), good));

    auto store = makeStore();
    QSignalSpy setAside(store.get(), &RecentsStore::waitingFileSetAside);
    ASSERT_TRUE(testsupport::becomes([&] { return store->writer().pendingCount() == 0; }));
    EXPECT_EQ(names(*store).size(), 1);
    ASSERT_EQ(setAside.size(), 1);
    const QString asideIn = setAside.first().first().toString();
    EXPECT_EQ(QFileInfo(asideIn).dir().absolutePath(), QDir(waiting).absolutePath());
    QStringList aside = QDir(asideIn).entryList(QDir::Files);
    aside.sort();
    EXPECT_EQ(aside, (QStringList{ownName(1), ownName(2), ownName(3)}));
    EXPECT_TRUE(QDir(waiting).entryList(QDir::Files).isEmpty());

    // The next start has nothing to try again, and nothing to say.
    store.reset();
    auto next = makeStore();
    QSignalSpy again(next.get(), &RecentsStore::waitingFileSetAside);
    EXPECT_EQ(next->writer().pendingCount(), 0);
    testsupport::settle();
    EXPECT_TRUE(again.isEmpty());
    EXPECT_EQ(QDir(asideIn).entryList(QDir::Files).size(), 3);
}

// With processors to spare, captures are encoded side by side; one encoded sooner than an earlier one
// neither takes its name nor its turn, and every capture of the burst ends on disk.
TEST_F(RecentsStoreTest, EncodingsRunSideBySideAndCapturesKeepTheirOrder) {
    if (QThread::idealThreadCount() < 2) GTEST_SKIP() << "one processor: one encoding at a time";
    std::mutex lock;
    std::condition_variable changed;
    bool secondEncoded = false;
    std::atomic<bool> sideBySide{false};
    auto store = makeStore([&](const QImage &image, const ExportSettings &settings) {
        const int index = qRed(image.pixel(0, 0)) / 20;
        if (index == 0) {
            // The first capture's encoding ends after the second's (or, one at a time, never sees it).
            std::unique_lock guard(lock);
            sideBySide = changed.wait_for(guard, std::chrono::milliseconds(testsupport::patienceMs / 4),
                                          [&] { return secondEncoded; });
        }
        std::optional<QByteArray> bytes = Exporter::encode(image, settings);
        if (index == 1) {
            const std::lock_guard guard(lock);
            secondEncoded = true;
            changed.notify_all();
        }
        return bytes;
    });
    const QDateTime taken(QDate(2026, 3, 14), QTime(9, 5, 27));
    constexpr int count = 6;
    QList<int> answered;
    QStringList paths;
    for (int i = 0; i < count; ++i)
        store->addInBackground(picture(40, 30, QColor(20 * i, 100, 200)), taken.addMSecs(100 * i),
                               [&, i](const QString &path) {
                                   answered.append(i);
                                   paths.append(path);
                               });
    ASSERT_TRUE(testsupport::becomes([&] { return answered.size() == count; }));
    EXPECT_TRUE(sideBySide);
    EXPECT_EQ(answered, (QList<int>{0, 1, 2, 3, 4, 5}));
    for (int i = 0; i < count; ++i) {
        const QString stem = QStringLiteral("Pelicarta 2026-03-14 09.05.27");
        EXPECT_EQ(QFileInfo(paths[i]).fileName(),
                  i == 0 ? stem + QStringLiteral(".png") : QStringLiteral("%1 (%2).png").arg(stem).arg(i + 1));
        EXPECT_EQ(qRed(QImage(paths[i]).pixel(0, 0)), 20 * i) << qPrintable(paths[i]);
    }
    EXPECT_EQ(store->fileCount(), count);
    ASSERT_FALSE(store->items().isEmpty());
    EXPECT_EQ(store->items().first().path, paths.last());
    EXPECT_TRUE(QDir(store->writer().waitingFolder()).entryList(QDir::Files).isEmpty());
}

TEST_F(RecentsStoreTest, BackgroundAddsPruneToTheLimitAnnouncingEachFileOnce) {
    // Two captures written at once over a full folder: each prunes, neither removes (or announces)
    // a file the other already did, and the usage shown is the folder's at the end.
    auto store = makeStore();
    defaults.setInt(Settings::historyKeep.key(), 20);
    const QDateTime base = QDateTime::currentDateTime().addDays(-3);
    testsupport::FixedFileDates dates; // read on the workers that prune
    for (int i = 0; i < 22; ++i) {
        ASSERT_TRUE(touch(folder + QLatin1Char('/') + ownName(i), QByteArray(100 + i, 'x')));
        dates.insert(ownName(i), base.addSecs(60 * i));
    }
    QStringList announced;
    QObject::connect(store.get(), &RecentsStore::capturesRemoved, store.get(),
                     [&](const QStringList &paths) { announced += paths; });
    int done = 0;
    store->addInBackground(picture(40, 20), {}, [&](const QString &) { ++done; });
    store->addInBackground(picture(40, 20), {}, [&](const QString &) { ++done; });
    ASSERT_TRUE(testsupport::becomes([&] { return done == 2; }));
    EXPECT_EQ(store->fileCount(), 20);
    announced.sort();
    QStringList oldest;
    for (int i = 0; i < 4; ++i) oldest.append(folder + QLatin1Char('/') + ownName(i));
    EXPECT_EQ(announced, oldest);
    qint64 total = 0;
    for (const QString &path : store->sortedFiles()) total += QFileInfo(path).size();
    EXPECT_EQ(store->usedBytes(), total);
}

TEST_F(RecentsStoreTest, KeepingOffWritesNothingAndApplyingZeroEmptiesTheFolder) {
    auto store = makeStore();
    ASSERT_FALSE(store->add(picture(8, 8)).isEmpty());
    ASSERT_TRUE(touch(folder + QStringLiteral("/notes.txt")));
    store->applyKeepLimit(0);
    EXPECT_EQ(defaults.intValue(Settings::historyKeep.key()), 0);
    EXPECT_EQ(store->fileCount(), 0);
    EXPECT_TRUE(store->items().isEmpty());
    EXPECT_TRUE(store->add(picture(8, 8)).isEmpty());
    EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("notes.txt")});
    // A count below zero is no count: the default keeps captures again.
    defaults.setInt(Settings::historyKeep.key(), -3);
    EXPECT_FALSE(store->add(picture(8, 8)).isEmpty());
}

TEST_F(RecentsStoreTest, FailedEncodingOrWritingChangesNothing) {
    auto failing = makeStore([](const QImage &, const ExportSettings &) { return std::optional<QByteArray>(); });
    ASSERT_TRUE(touch(folder + QStringLiteral("/keep.png"), pngBytes(picture(5, 5))));
    failing->applyKeepLimit(20);
    QSignalSpy items(failing.get(), &RecentsStore::itemsChanged);
    EXPECT_TRUE(failing->add(picture(8, 8)).isEmpty());
    EXPECT_EQ(items.size(), 0);
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("keep.png")});
}

TEST_F(RecentsStoreTest, DeletingTouchesOnlyCaptureFilesInsideTheFolder) {
    auto store = makeStore();
    const QString mine = store->add(picture(8, 8));
    testsupport::TempFolder outside;
    ASSERT_TRUE(outside.write(QStringLiteral("elsewhere.png"), "x"));
    ASSERT_TRUE(touch(folder + QStringLiteral("/notes.txt")));
    QDir().mkpath(folder + QStringLiteral("/sub"));
    ASSERT_TRUE(touch(folder + QStringLiteral("/sub/deep.png")));
    ASSERT_TRUE(touch(folder + QStringLiteral("/foto.png")));
    const QString link = folder + QLatin1Char('/') + ownName(1);
    ASSERT_TRUE(QFile::link(outside.file(QStringLiteral("elsewhere.png")), link));
    QSignalSpy removed(store.get(), &RecentsStore::capturesRemoved);
    store->deleteFiles({outside.file(QStringLiteral("elsewhere.png")), folder + QStringLiteral("/notes.txt"),
                        folder + QStringLiteral("/sub/deep.png"), folder + QStringLiteral("/sub/../../elsewhere.png"),
                        folder + QStringLiteral("/sub"), folder + QStringLiteral("/foto.png"), link, mine});
    EXPECT_FALSE(QFileInfo::exists(mine));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/foto.png")));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(outside.file(QStringLiteral("elsewhere.png"))));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/notes.txt")));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("/sub/deep.png")));
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed.first().first().toStringList(), QStringList{mine});
    ASSERT_TRUE(testsupport::becomes([&] { return !store->isDecoding(); }));
    EXPECT_TRUE(store->items().isEmpty()); // the user's "foto.png" stays on disk but is no picture
}

TEST_F(RecentsStoreTest, ALinkedFolderIsNeverUsedAndTheUserIsToldOnce) {
    // "Recentes" made a link to a folder of the user's own pictures, some named as captures are.
    testsupport::TempFolder photos;
    const QByteArray png = pngBytes(picture(20, 20));
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(photos.write(i < 10 ? ownName(i) : QStringLiteral("foto%1.png").arg(i), png));
    ::chmod(QFile::encodeName(photos.path()).constData(), 0755);
    const QStringList before = QDir(photos.path()).entryList(QDir::Files);
    ASSERT_TRUE(QFile::link(photos.path(), folder));

    defaults.setInt(Settings::historyKeep.key(), 20);
    auto store = makeStore();
    QSignalSpy told(store.get(), &RecentsStore::keepingFailed);
    EXPECT_EQ(store->fileCount(), 0);
    EXPECT_TRUE(store->items().isEmpty());
    EXPECT_TRUE(store->add(picture(8, 8)).isEmpty());
    store->addInBackground(picture(8, 8));
    store->applyKeepLimit(20);
    store->deleteFiles({photos.file(ownName(0)), folder + QLatin1Char('/') + ownName(1)});
    store->deleteAll();

    EXPECT_EQ(QDir(photos.path()).entryList(QDir::Files), before);
    EXPECT_TRUE(QFileInfo(photos.path()).permissions().testFlag(QFileDevice::ReadOther)); // never made 0700
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0][1].toString().contains(QStringLiteral("link simbólico")))
        << told[0][1].toString().toStdString();
    EXPECT_TRUE(told[0][2].toString().isEmpty()); // kept nowhere else either
}

TEST_F(RecentsStoreTest, WithoutAPrivateFolderNothingIsKeptAndTheUserIsTold) {
    platform::AppPaths::Place nowhere;
    nowhere.problem = platform::PrivateFolder::Problem::link;
    nowhere.problemPath = QStringLiteral("/home/ana/.local/share/Pelicarta");
    RecentsStore store(defaults, QString());
    store.setFallback(nowhere);
    QSignalSpy told(&store, &RecentsStore::keepingFailed);
    EXPECT_TRUE(store.add(picture(8, 8)).isEmpty());
    EXPECT_TRUE(store.add(picture(8, 8)).isEmpty());
    ASSERT_EQ(told.size(), 1);
    EXPECT_EQ(told[0][0].toString(), nowhere.problemPath);
    EXPECT_TRUE(told[0][2].toString().isEmpty());

    // In the runtime folder, captures are kept, and the user learns they last only for the session.
    platform::AppPaths::Place runtime = nowhere;
    runtime.path = folder;
    runtime.temporary = true;
    RecentsStore temporary(defaults, folder);
    temporary.setFallback(runtime);
    QSignalSpy toldTemporary(&temporary, &RecentsStore::keepingFailed);
    EXPECT_FALSE(temporary.add(picture(8, 8)).isEmpty());
    EXPECT_FALSE(temporary.add(picture(8, 8)).isEmpty());
    ASSERT_EQ(toldTemporary.size(), 1);
    EXPECT_EQ(toldTemporary[0][2].toString(), folder);
}

TEST_F(RecentsStoreTest, AHeldThumbnailServesOnlyWhileItsFileIsUnchanged) {
    // A HEIC decode takes a good part of a second on the main thread, and a deletion reloads the list:
    // thumbnails already held are kept while their file keeps its size and modification time.
    auto store = makeStore();
    testsupport::FixedFileDates dates;
    const QDateTime base = QDateTime::currentDateTime().addDays(-1);
    QStringList paths; // oldest first
    for (int i = 0; i < 4; ++i) {
        const QString path = store->add(picture(30 + i, 20));
        ASSERT_FALSE(path.isEmpty());
        dates.insert(QFileInfo(path).fileName(), base.addSecs(60 * i));
        paths.append(path);
    }
    // Same size and time, other bytes: the held thumbnail is used, nothing is decoded.
    const auto overwrite = [](const QString &path, const QByteArray &bytes, const QDateTime &time) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush());
        if (time.isValid()) {
            ASSERT_TRUE(f.setFileTime(time, QFileDevice::FileModificationTime));
        }
    };
    const QFileInfo kept(paths[3]);
    overwrite(paths[3], QByteArray(kept.size(), 'x'), kept.lastModified());
    // Replaced by another picture, and spoilt: read again.
    overwrite(paths[2], pngBytes(picture(90, 20)), QDateTime::currentDateTime().addSecs(5));
    overwrite(paths[1], "spoilt", QDateTime());

    store->deleteFiles({paths[0]});
    ASSERT_TRUE(testsupport::becomes([&] { return !store->isDecoding(); }));
    QStringList shown;
    for (const RecentCapture &item : store->items()) shown << item.path;
    EXPECT_EQ(shown, (QStringList{paths[3], paths[2]}));
    EXPECT_EQ(store->items()[0].thumbnail.size(), QSize(33, 20));
    EXPECT_EQ(store->items()[1].thumbnail.size(), QSize(90, 20));
}

TEST_F(RecentsStoreTest, OpeningARecentReadsItOffTheMainThreadAndForgetsAFileThatIsGone) {
    auto store = makeStore();
    const QString path = store->add(picture(30, 20, Qt::red));
    const RecentCapture item = store->items().first();
    QSignalSpy asked(store.get(), &RecentsStore::editorRequested);
    QSignalSpy removed(store.get(), &RecentsStore::capturesRemoved);
    store->open(item);
    EXPECT_EQ(asked.size(), 0); // read on a worker: the main thread goes on meanwhile
    ASSERT_TRUE(testsupport::received(asked));
    EXPECT_EQ(asked.first().at(0).value<QImage>().size(), QSize(30, 20));
    EXPECT_EQ(asked.first().at(1).toString(), path);
    EXPECT_FALSE(asked.first().at(2).value<std::optional<BeautyStyle>>());

    ASSERT_TRUE(QFile::remove(path));
    store->open(item);
    ASSERT_TRUE(testsupport::received(removed));
    EXPECT_EQ(removed.first().first().toStringList(), QStringList{path});
    EXPECT_EQ(asked.size(), 1);
    EXPECT_TRUE(store->items().isEmpty());
}

TEST(RecentsThumbnailTest, CoversTwiceTheTileAndNeverEnlarges) {
    const QSize box = RecentsStore::thumbnailBox;
    EXPECT_EQ(RecentsStore::thumbnail(picture(2880, 1800)).size(), box);
    EXPECT_EQ(RecentsStore::thumbnail(picture(1000, 200)).size(), box);
    EXPECT_EQ(RecentsStore::thumbnail(picture(400, 3000)).size(), box);
    EXPECT_EQ(RecentsStore::thumbnail(picture(5000, 1)).size(), QSize(232, 1));
    EXPECT_EQ(RecentsStore::thumbnail(picture(100, 60)).size(), QSize(100, 60));
    EXPECT_TRUE(RecentsStore::thumbnail(QImage()).isNull());
}

TEST_F(RecentsStoreTest, AFolderThatRefusesCapturesKeepsThemElsewhereAndSaysSoOnce) {
    // A file where the folder should be: no write can succeed, not even as root. The capture goes to
    // the private runtime folder.
    ASSERT_TRUE(touch(folder, "in the way"));
    testsupport::TempFolder run;
    testsupport::ScopedEnvironment runtime("XDG_RUNTIME_DIR", run.path());
    auto store = makeStore();
    QSignalSpy failed(store.get(), &RecentsStore::keepingFailed);
    testsupport::LoggedMessages log;
    const QString first = store->add(picture(40, 30));
    const QString second = store->add(picture(40, 30, Qt::red));
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());
    EXPECT_FALSE(first.startsWith(folder));
    EXPECT_EQ(QImage(second).size(), QSize(40, 30));
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed.first().at(0).toString(), QDir::cleanPath(QDir(folder).absolutePath()));
    EXPECT_EQ(failed.first().at(2).toString(), QFileInfo(second).absolutePath());
    // The log has every capture that went elsewhere, once, with both folders.
    const auto logged = log.in(QStringLiteral("pelicarta.history"));
    ASSERT_EQ(logged.size(), 2);
    for (const auto &message : logged) {
        EXPECT_EQ(message.type, QtWarningMsg);
        EXPECT_TRUE(message.text.contains(QDir::cleanPath(QDir(folder).absolutePath())) &&
                    message.text.contains(QFileInfo(second).absolutePath()))
            << message.text.toStdString();
    }
    EXPECT_EQ(store->fileCount(), 0);
    QFile f(folder);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("in the way"));
    QFile::remove(first);
    QFile::remove(second);
}
