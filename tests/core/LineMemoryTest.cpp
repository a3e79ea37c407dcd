#include "core/LineMemory.h"
#include "support/TestSupport.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <gtest/gtest.h>

#include <memory>

#include <sys/stat.h>
#include <unistd.h>

using platform::TextLine;

namespace {

const QByteArray identity = QByteArrayLiteral("engine 1");

// A line picture of `width` with a dark bar at `x`: no two alike for different arguments.
QImage picture(int x, int width = 200) {
    QImage image(width, 30, QImage::Format_Grayscale8);
    image.fill(255);
    QPainter(&image).fillRect(x, 8, 6, 14, Qt::black);
    return image;
}

LineMemory::Lines linesReading(const QString &text) {
    TextLine line{text, QRectF(2, 1, 9.5 * text.size(), 28), {}};
    for (qsizetype i = 0; i < text.size(); ++i) line.glyphs.append({i, 1, QRectF(2 + 9.5 * i, 1, 9.5, 28)});
    line.words.append({0, text.size(), line.box, 87});
    return {line};
}

QString textOf(const std::optional<LineMemory::Lines> &lines) {
    return lines && !lines->isEmpty() ? lines->first().text : QString();
}

// Remembers picture(x) as reading "line <x>", as a reader does once the engine read it.
void keepPicture(LineMemory &memory, int x, const QByteArray &id = identity) {
    const QImage p = picture(x);
    memory.keep(LineMemory::keyOf(p, 2, id), p.size(), linesReading(QStringLiteral("line %1").arg(x)));
}

QString recalled(LineMemory &memory, int x, const QByteArray &id = identity) {
    const QImage p = picture(x);
    return textOf(memory.find(LineMemory::keyOf(p, 2, id), p.size()));
}

class LineMemoryTest : public ::testing::Test {
protected:
    // What a later reader process of the same login starts from.
    std::unique_ptr<LineMemory> later(const QByteArray &id = identity) {
        auto memory = std::make_unique<LineMemory>(100);
        memory->attach(file, id);
        return memory;
    }

    testsupport::TempFolder temp;
    QString file = temp.file(QStringLiteral("lines"));
};

} // namespace

// A later process takes every reading over exactly, and the file is the user's alone; readings of
// another engine or program (another identity) are not taken, and are forgotten on its first save.
TEST_F(LineMemoryTest, ALaterProcessFindsWhatWasReadOnlyForTheSameIdentity) {
    LineMemory first(100);
    first.attach(file, identity);
    for (int x = 0; x < 5; ++x) keepPicture(first, 10 * x);
    ASSERT_TRUE(first.save());
    struct stat info {};
    ASSERT_EQ(::lstat(QFile::encodeName(file).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);

    const std::unique_ptr<LineMemory> second = later();
    EXPECT_EQ(second->size(), 5);
    const QImage p = picture(20);
    const std::optional<LineMemory::Lines> lines = second->find(LineMemory::keyOf(p, 2, identity), p.size());
    ASSERT_TRUE(lines);
    const LineMemory::Lines expected = linesReading(QStringLiteral("line 20"));
    ASSERT_EQ(lines->size(), 1);
    EXPECT_EQ(lines->first().text, expected.first().text);
    EXPECT_EQ(lines->first().box, expected.first().box);
    ASSERT_EQ(lines->first().glyphs.size(), expected.first().glyphs.size());
    EXPECT_EQ(lines->first().glyphs.last().box, expected.first().glyphs.last().box);
    ASSERT_EQ(lines->first().words.size(), 1);
    EXPECT_EQ(lines->first().words.first().confidence, 87);

    const std::unique_ptr<LineMemory> updated = later(QByteArrayLiteral("engine 2"));
    EXPECT_EQ(updated->size(), 0);
    EXPECT_EQ(recalled(*updated, 20, QByteArrayLiteral("engine 2")), QString());
    keepPicture(*updated, 70, QByteArrayLiteral("engine 2"));
    ASSERT_TRUE(updated->save());
    EXPECT_EQ(later()->size(), 0);
}

// The digest is of the exact pixels and shape: a picture one pixel apart, the same bytes in another
// shape, another magnification or a size that does not match are never given another's reading.
TEST_F(LineMemoryTest, NoPictureIsGivenTheReadingOfAnother) {
    LineMemory memory(100);
    keepPicture(memory, 40);
    QImage touched = picture(40);
    touched.setPixel(199, 29, 254);
    EXPECT_EQ(textOf(memory.find(LineMemory::keyOf(touched, 2, identity), touched.size())), QString());
    const QImage p = picture(40);
    const QImage reshaped(p.constBits(), 100, 60, 100, QImage::Format_Grayscale8);
    EXPECT_EQ(textOf(memory.find(LineMemory::keyOf(reshaped, 2, identity), reshaped.size())), QString());
    EXPECT_EQ(textOf(memory.find(LineMemory::keyOf(p, 3, identity), p.size())), QString());
    EXPECT_EQ(textOf(memory.find(LineMemory::keyOf(p, 2, identity), QSize(201, 30))), QString());
    EXPECT_EQ(recalled(memory, 40), QStringLiteral("line 40"));
}

// At most so many pictures, the least recently used forgotten first, in the file too, and within
// its bytes; what another process saved meanwhile is kept behind what this one used.
TEST_F(LineMemoryTest, KeepsItsBoundForgettingTheLeastRecentlyUsed) {
    LineMemory memory(3);
    memory.attach(file, identity);
    keepPicture(memory, 0);
    keepPicture(memory, 10);
    keepPicture(memory, 20);
    EXPECT_EQ(recalled(memory, 0), QStringLiteral("line 0"));
    keepPicture(memory, 30);
    EXPECT_EQ(memory.size(), 3);
    EXPECT_EQ(recalled(memory, 10), QString());
    ASSERT_TRUE(memory.save());
    const std::unique_ptr<LineMemory> next = later();
    EXPECT_EQ(next->size(), 3);
    for (const int x : {0, 20, 30}) EXPECT_EQ(recalled(*next, x), QStringLiteral("line %1").arg(x));

    LineMemory large(100000);
    const LineMemory::Lines longLine = linesReading(QString(2000, QLatin1Char('x')));
    for (int i = 0; i < 400; ++i) {
        const QImage p = picture(i % 190, 200 + i / 190);
        large.keep(LineMemory::keyOf(p, 2, identity), p.size(), longLine);
    }
    EXPECT_LE(large.bytes(), LineMemory::maxBytes);
    EXPECT_LT(large.size(), 400);
    EXPECT_GT(large.size(), 50);
}

TEST_F(LineMemoryTest, ProcessesSavingInTurnKeepWhatEachRead) {
    LineMemory one(100), two(100);
    one.attach(file, identity);
    keepPicture(one, 10);
    ASSERT_TRUE(one.save());
    two.attach(file, identity);
    keepPicture(two, 20);
    ASSERT_TRUE(two.save());
    keepPicture(one, 30);
    ASSERT_TRUE(one.save());
    const std::unique_ptr<LineMemory> next = later();
    EXPECT_EQ(next->size(), 3);
    for (const int x : {10, 20, 30}) EXPECT_EQ(recalled(*next, x), QStringLiteral("line %1").arg(x));
}

// A damaged, cut, foreign or hostile file gives nothing and is written over by the next save; a link
// at the file's place is never followed, neither to read nor to write.
TEST_F(LineMemoryTest, ADamagedOrHostileFileIsIgnoredAndReplaced) {
    LineMemory memory(100);
    memory.attach(file, identity);
    keepPicture(memory, 10);
    ASSERT_TRUE(memory.save());
    const QByteArray good = temp.read(QStringLiteral("lines"));
    ASSERT_TRUE(LineMemory::decode(good, identity));

    const auto rewrite = [&](const QByteArray &bytes) {
        QFile::remove(file);
        ASSERT_TRUE(temp.write(QStringLiteral("lines"), bytes));
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0600), 0);
    };
    // One byte changed anywhere (the reading's text, a box, the digest), or the file cut short.
    for (const qsizetype at : {qsizetype(60), good.size() / 2, good.size() - 1}) {
        QByteArray bad = good;
        bad[at] = char(bad[at] ^ 0x20);
        rewrite(bad);
        EXPECT_EQ(later()->size(), 0) << at;
    }
    rewrite(good.first(good.size() - 7));
    EXPECT_EQ(later()->size(), 0);

    // Readable by others: not ours to trust.
    rewrite(good);
    ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), 0644), 0);
    EXPECT_EQ(later()->size(), 0);

    // A link to a file elsewhere (a valid memory there too): neither read nor written through.
    const QString elsewhere = temp.file(QStringLiteral("elsewhere"));
    QFile::remove(file);
    ASSERT_TRUE(temp.write(QStringLiteral("elsewhere"), good));
    ASSERT_EQ(::chmod(QFile::encodeName(elsewhere).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(elsewhere, file));
    const std::unique_ptr<LineMemory> linked = later();
    EXPECT_EQ(linked->size(), 0);
    keepPicture(*linked, 80);
    ASSERT_TRUE(linked->save());
    EXPECT_EQ(temp.read(QStringLiteral("elsewhere")), good);
    EXPECT_FALSE(QFileInfo(file).isSymLink());
    EXPECT_EQ(recalled(*later(), 80), QStringLiteral("line 80"));

    // A FIFO in its place is not waited on.
    QFile::remove(file);
    ASSERT_EQ(::mkfifo(QFile::encodeName(file).constData(), 0600), 0);
    EXPECT_EQ(later()->size(), 0);
}
