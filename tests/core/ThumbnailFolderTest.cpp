#include "core/ThumbnailFolder.h"

#include "core/PictureService.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QDir>
#include <QFile>
#include <QFutureWatcher>
#include <QPainter>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <atomic>

namespace {

const QSize kBox(480, 480);

// A capture of busy content, so that its picture is no trivially small file.
QImage busyCapture(QSize size, quint32 seed) {
    QImage image(size, QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) line[x] = 0xFF000000 | random.generate();
    }
    return image;
}

bool near(QRgb a, QRgb b, int tolerance = 12) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance && std::abs(qAlpha(a) - qAlpha(b)) <= tolerance;
}

class ThumbnailFolderTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(QDir().mkpath(pictures)); }

    // What the folder gives for `path`, and whether it had to be made.
    QImage fetch(ThumbnailFolder &folder, const QString &path, QSize box = kBox) {
        made = false;
        return folder.fetch(path, box, [&] {
            made = true;
            return PictureService::read(path, box, PictureService::Fit::inside);
        });
    }
    QStringList kept() const { return QDir(pictures).entryList(QDir::Files); }
    qint64 keptBytes() const {
        qint64 total = 0;
        for (const QFileInfo &entry : QDir(pictures).entryInfoList(QDir::Files)) total += entry.size();
        return total;
    }

    testsupport::TempFolder temp;
    QString pictures = temp.file(QStringLiteral("Miniaturas"));
    bool made = false;
};

} // namespace

TEST_F(ThumbnailFolderTest, APictureIsServedWhileItsCaptureIsUnchangedAndMadeAfreshOtherwise) {
    ThumbnailFolder folder(pictures);
    const QString path = temp.file(QStringLiteral("a.png"));
    ASSERT_TRUE(testsupport::filledImage(960, 640, QColor(40, 90, 200)).save(path));
    const QImage first = fetch(folder, path);
    EXPECT_TRUE(made);
    EXPECT_EQ(first.size(), QSize(480, 320));
    EXPECT_EQ(kept().size(), 1);

    const QImage again = fetch(folder, path);
    EXPECT_FALSE(made); // from the folder
    EXPECT_EQ(again.size(), QSize(480, 320));
    EXPECT_TRUE(near(again.pixel(100, 100), first.pixel(100, 100)));

    // Another box is another picture.
    EXPECT_EQ(fetch(folder, path, {240, 240}).size(), QSize(240, 160));
    EXPECT_TRUE(made);

    // The capture replaced under its name: its own picture, not the one kept.
    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(testsupport::filledImage(600, 600, QColor(220, 30, 30)).save(path));
    const QImage replaced = fetch(folder, path);
    EXPECT_TRUE(made);
    EXPECT_EQ(replaced.size(), QSize(480, 480));
    EXPECT_TRUE(near(replaced.pixel(10, 10), qRgb(220, 30, 30)));

    // What the folder holds cannot be read: made afresh, and kept right again.
    for (const QString &name : kept()) ASSERT_TRUE(temp.write(QStringLiteral("Miniaturas/") + name, "PCTF\x01junk"));
    EXPECT_EQ(fetch(folder, path).size(), QSize(480, 480));
    EXPECT_TRUE(made);
    EXPECT_FALSE(fetch(folder, path).isNull());
    EXPECT_FALSE(made);

    // Transparency comes back as it was.
    const QString clear = temp.file(QStringLiteral("clara.png"));
    QImage seeThrough(300, 200, QImage::Format_ARGB32);
    seeThrough.fill(Qt::transparent);
    QPainter(&seeThrough).fillRect(0, 0, 150, 200, QColor(0, 200, 0));
    ASSERT_TRUE(seeThrough.save(clear));
    fetch(folder, clear);
    const QImage clearAgain = fetch(folder, clear);
    EXPECT_FALSE(made);
    EXPECT_EQ(qAlpha(clearAgain.pixel(250, 100)), 0);
    EXPECT_TRUE(near(clearAgain.pixel(50, 100), qRgb(0, 200, 0)));

    // A file that is no picture is not kept.
    const QString text = temp.file(QStringLiteral("texto.png"));
    ASSERT_TRUE(temp.write(QStringLiteral("texto.png"), "not a picture"));
    EXPECT_TRUE(fetch(folder, text).isNull());
    EXPECT_TRUE(folder.read(text, kBox).isNull());
}

TEST_F(ThumbnailFolderTest, NoPictureOutlivesItsCapture) {
    ThumbnailFolder folder(pictures);
    QStringList paths;
    for (const char *name : {"a.png", "b.png", "c.png"}) {
        paths.append(temp.file(QString::fromLatin1(name)));
        ASSERT_TRUE(testsupport::filledImage(400, 300, Qt::blue).save(paths.last()));
        fetch(folder, paths.last());
    }
    ASSERT_TRUE(temp.write(QStringLiteral("Miniaturas/notas.txt"), "de outra pessoa"));
    ASSERT_EQ(kept().size(), 4);

    // Removed as the capture is deleted.
    folder.remove(paths[0]);
    EXPECT_TRUE(folder.read(paths[0], kBox).isNull());
    EXPECT_EQ(kept().size(), 3);
    // A capture deleted behind the folder's back is never served again, and goes with the others
    // no longer kept; what is not the folder's own stays.
    ASSERT_TRUE(QFile::remove(paths[1]));
    EXPECT_TRUE(folder.read(paths[1], kBox).isNull());
    folder.keepOnly({paths[2]});
    EXPECT_EQ(kept().size(), 2);
    EXPECT_TRUE(kept().contains(QStringLiteral("notas.txt")));
    EXPECT_FALSE(folder.read(paths[2], kBox).isNull());

    // A capture deleted while its picture was being made leaves none behind.
    const QString going = temp.file(QStringLiteral("d.png"));
    ASSERT_TRUE(testsupport::filledImage(400, 300, Qt::red).save(going));
    EXPECT_FALSE(folder.fetch(going, kBox, [&] {
                           QImage image = PictureService::read(going, kBox, PictureService::Fit::inside);
                           QFile::remove(going);
                           return image;
                       }).isNull());
    EXPECT_EQ(kept().size(), 2);
}

TEST_F(ThumbnailFolderTest, TheFolderStaysWithinItsBoundAndKeepsTheNewest) {
    const qint64 bound = 1024 * 1024;
    ThumbnailFolder folder(pictures, bound);
    QStringList paths;
    for (int i = 0; i < 40; ++i) {
        paths.append(temp.file(QStringLiteral("c%1.png").arg(i)));
        ASSERT_TRUE(busyCapture({480, 300}, quint32(i)).save(paths.last()));
        fetch(folder, paths.last());
        ASSERT_LE(keptBytes(), bound) << "after picture " << i;
    }
    EXPECT_GT(keptBytes(), bound / 4); // still a good part of it in use
    EXPECT_FALSE(folder.read(paths.last(), kBox).isNull());
    EXPECT_TRUE(folder.read(paths.first(), kBox).isNull());
}

TEST_F(ThumbnailFolderTest, ThePictureServiceDecodesACaptureOnceAcrossRuns) {
    const QString path = temp.file(QStringLiteral("a.png"));
    ASSERT_TRUE(testsupport::filledImage(900, 600, Qt::darkCyan).save(path));
    std::atomic_int decoded{0};
    const auto reader = [&decoded](const QString &file, QSize box, PictureService::Fit fit) {
        ++decoded;
        return PictureService::read(file, box, fit);
    };
    const auto folder = std::make_shared<ThumbnailFolder>(pictures);
    const auto pictureOf = [&](PictureService &service) {
        QFuture<QImage> future = service.picture(path, kBox, PictureService::Fit::inside, folder);
        EXPECT_TRUE(testsupport::becomes([&] { return future.isFinished(); }));
        return future.isFinished() && future.resultCount() > 0 ? future.result() : QImage();
    };
    {
        PictureService firstRun(1, reader);
        EXPECT_EQ(pictureOf(firstRun).size(), QSize(480, 320));
    }
    PictureService nextRun(1, reader);
    EXPECT_EQ(pictureOf(nextRun).size(), QSize(480, 320));
    EXPECT_EQ(decoded, 1);
}
