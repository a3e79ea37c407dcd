#pragma once

// A recents folder and a history index made for the history page's tests: capture files with the
// dates and texts a test gives (a capture without a text has no record and waits for a reading, which
// a gate holds until the test opens it), the recents store over the folder and the history store over
// both, wired as the application wires them.

#include "core/Settings.h"
#include "core/TextRecognizer.h"
#include "history/HistoryIndexFile.h"
#include "history/HistoryStore.h"
#include "history/RecentsStore.h"
#include "platform/AtomicFile.h"
#include "platform/Pasteboard.h"
#include "platform/StringTables.h"
#include "platform/TextEngine.h"
#include "platform/UserDefaults.h"
#include "support/FixedClock.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QBuffer>
#include <QFileInfo>
#include <QDir>
#include <QLocale>
#include <QPainter>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace historypage {

// Reads "lido" from any line, once the test opens the gate; a stopped reading ends at once.
class GateEngine : public platform::TextEngine {
public:
    std::atomic_bool open{false};

    platform::TextReadResult readLine(const QImage &line, qreal, const platform::CancelCheck &cancelled) override {
        while (!open) {
            if (cancelled && cancelled()) return {{}, true};
            QThread::msleep(2);
        }
        return {{{QStringLiteral("lido"), QRectF(0, 0, line.width(), line.height()), {}}}, false, 90};
    }
    int maxConcurrentReads() const override { return 2; }
};

// Returns once every background read handed to the recognizer so far has ended. They run one at a
// time, in order, so the null picture handed in after them ends last. A read the store gave up may
// still be on its way out of the engine when a test ends, and the engine goes with the test.
inline void waitForBackgroundReads() {
    const QFuture<QString> last =
        TextRecognizer::recognize(QImage(), std::chrono::hours(1), TextRecognizer::Priority::background);
    EXPECT_TRUE(testsupport::becomes([&] { return last.isFinished(); }));
}

// Keeps what is put on the clipboard.
class RecordingPasteboard : public platform::Pasteboard {
public:
    bool setContents(const QList<Item> &items) override {
        m_items = items;
        return true;
    }
    QList<Item> contents() const override { return m_items; }
    QList<Item> m_items;
};

// A capture that the recognizer takes for one line of text: black strokes on white.
inline QImage capturePicture(QSize size = {160, 100}) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int i = 0; i < 6; ++i) painter.fillRect(20 + 5 * i, size.height() / 2 - 6, 2, 12, Qt::black);
    return image;
}

class HistoryPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
        QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
        TextRecognizer::setEngine(&engine);
        QDir().mkpath(folder);
    }
    void TearDown() override {
        engine.open = true;
        history.reset();
        recents.reset();
        waitForBackgroundReads();
        TextRecognizer::setEngine(nullptr);
        QLocale::setDefault(QLocale::c());
        platform::StringTables::setCurrentLanguage({});
    }

    // The store only ever deletes files named as it names them, so the short names the tests use
    // stand for such names.
    QString pathOf(const QString &name) {
        auto it = fileNames.find(name);
        if (it == fileNames.end())
            it = fileNames.insert(name, QStringLiteral("Pelicarta 2000-01-01 00.00.00 (%1).%2")
                                            .arg(fileNames.size() + 2)
                                            .arg(QFileInfo(name).suffix()));
        return folder + QLatin1Char('/') + *it;
    }

    // A capture file dated `date`; with a text it has a record of `size` in the index. `bytes` pads
    // the file to that size.
    QString addCapture(const QString &name, const QDateTime &date, std::optional<QString> text = QString(),
                       QSize size = {2880, 1800}, qint64 bytes = 0, QSize pictureSize = {160, 100}) {
        const QString path = pathOf(name);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        capturePicture(pictureSize).save(&buffer, "png");
        if (bytes > png.size()) png.append(QByteArray(bytes - png.size(), '\0')); // after the end: still a PNG
        EXPECT_TRUE(platform::writeFileAtomically(path, png));
        dates.insert(QFileInfo(path).fileName(), date);
        if (text)
            records.insert(QFileInfo(path).fileName(),
                           HistoryRecord::of(text->toUtf8(), size.width(), size.height(), png.size()));
        return path;
    }

    // Makes the stores and waits until the index is loaded and the folder listed. The history lists
    // the folder only while `listFolder` is true, and `listing` instead when it is set.
    void openStores() {
        EXPECT_TRUE(platform::writeFileAtomically(indexPath, HistoryIndexFile::serialize(records)));
        recents = std::make_unique<RecentsStore>(defaults, folder);
        HistoryStore::Options options;
        options.indexPath = indexPath;
        options.files = [this] {
            if (listing) return *listing;
            return listFolder ? recents->allFiles() : QList<RecentsStore::File>();
        };
        options.pictures = pictures;
        history = std::make_unique<HistoryStore>(options);
        QObject::connect(recents.get(), &RecentsStore::capturesRemoved, history.get(), &HistoryStore::forget);
        const bool listed = listing ? !listing->isEmpty() : listFolder && !dates.isEmpty();
        EXPECT_TRUE(
            testsupport::becomes([&] { return history->isLoaded() && (!listed || !history->entries().isEmpty()); }));
    }

    testsupport::TempFolder temp;
    platform::UserDefaults defaults{temp.file(QStringLiteral("defaults.json"))};
    QString folder = temp.file(QStringLiteral("Recentes"));
    QString indexPath = temp.file(QStringLiteral("Indice-do-historico.json"));
    testsupport::FixedFileDates dates; // by file name
    QHash<QString, QString> fileNames;
    HistoryRecords records;
    bool listFolder = true;
    std::optional<QList<RecentsStore::File>> listing;
    PictureService *pictures = nullptr; // the cards' pictures; none: the application's
    GateEngine engine;
    std::unique_ptr<RecentsStore> recents;
    std::unique_ptr<HistoryStore> history;
};

} // namespace historypage
