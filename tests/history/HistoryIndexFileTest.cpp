#include "history/HistoryIndexFile.h"
#include "history/HistoryIndexWriter.h"
#include "platform/Memory.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <malloc.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A field of /proc/self/status, in kB; -1 when it cannot be read.
qint64 statusKb(const char *field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field)) return line.mid(qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// A file of `size` bytes that begins with `head`; the rest is a hole that reads as zeros.
void writeSparse(const QString &path, const QByteArray &head, qint64 size) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(head), head.size());
    ASSERT_TRUE(file.resize(size));
}

const QByteArray oneRecord = R"({"a.png":{"text":"x","width":1,"height":1,"bytes":1}})";

} // namespace

TEST(HistoryIndexFileTest, RecordsAreReadOneByOneAndOnlyUnreadableOnesDropped) {
    const QByteArray json = R"({
      "a.png": {"text": "Olá\nmundo", "width": 2880, "height": 1800, "bytes": 1234, "extra": [1, {"x": null}]},
      "sem-bytes.png": {"text": "x", "width": 1, "height": 1},
      "largura.png": {"text": "x", "width": "x", "height": 1, "bytes": 1},
      "quebrada.png": {"text": "x", "width": 1.5, "height": 1, "bytes": 1},
      "nao-objeto.png": 12,
      "real.heic": {"bytes": 2e3, "height": 10.0, "width": 20, "text": "\"aspas\" \\ \u00e7\ud83d\ude00\t"}
    })";
    const HistoryIndexFile::Contents contents = HistoryIndexFile::parse(json);
    EXPECT_FALSE(contents.keepAside);
    EXPECT_EQ(contents.records.keys().size(), 2);
    const HistoryRecord a = contents.records.value(QStringLiteral("a.png"));
    EXPECT_EQ(a, HistoryRecord::of("Olá\nmundo", 2880, 1800, 1234));
    EXPECT_EQ(a.folded, QByteArray("ola\nmundo"));
    EXPECT_EQ(contents.records.value(QStringLiteral("real.heic")),
              HistoryRecord::of(QStringLiteral("\"aspas\" \\ ç😀\t").toUtf8(), 20, 10, 2000));

    // Written back: one compact object per name with exactly the four keys, read back the same.
    const QByteArray written = HistoryIndexFile::serialize(contents.records);
    EXPECT_FALSE(written.contains('\n'));
    const QJsonObject top = QJsonDocument::fromJson(written).object();
    ASSERT_EQ(top.size(), 2);
    EXPECT_EQ(top.value(QStringLiteral("a.png")).toObject().keys(),
              (QStringList{QStringLiteral("bytes"), QStringLiteral("height"), QStringLiteral("text"),
                           QStringLiteral("width")}));
    EXPECT_EQ(HistoryIndexFile::parse(written).records, contents.records);
}

TEST(HistoryIndexFileTest, WhatIsNotOneJsonObjectIsKeptAside) {
    EXPECT_TRUE(HistoryIndexFile::parse("[]").keepAside);
    EXPECT_TRUE(HistoryIndexFile::parse("\"texto\"").keepAside);
    EXPECT_TRUE(HistoryIndexFile::parse(QByteArray(100000, '[')).keepAside);
    EXPECT_FALSE(HistoryIndexFile::parse(" \n").keepAside); // empty: nothing to keep
    EXPECT_FALSE(HistoryIndexFile::parse("{}").keepAside);
    // Cut short or followed by more: kept aside, with the records read before the fault.
    const auto cut = HistoryIndexFile::parse(R"({"a.png":{"text":"","width":0,"height":0,"bytes":0},"b.png":{"te)");
    EXPECT_TRUE(cut.keepAside);
    EXPECT_EQ(cut.records.keys(), QStringList{QStringLiteral("a.png")});
    EXPECT_TRUE(HistoryIndexFile::parse("{} {}").keepAside);
    EXPECT_TRUE(HistoryIndexFile::parse(R"({"a.png":{"text":"\x","width":0,"height":0,"bytes":0}})").keepAside);
    // Invalid UTF-8 in a text is a record that cannot be read, not a broken file.
    const auto invalid =
        HistoryIndexFile::parse("{\"a.png\":{\"text\":\"\xC3\x28\",\"width\":0,\"height\":0,\"bytes\":0}}");
    EXPECT_FALSE(invalid.keepAside);
    EXPECT_TRUE(invalid.records.isEmpty());
}

TEST(HistoryIndexFileTest, NameBeginningWithAByteOrderMarkKeepsIt) {
    const QByteArray json = "{\"\xEF\xBB\xBF"
                            "a.png\":{\"text\":\"x\",\"width\":1,\"height\":1,\"bytes\":1}}";
    const HistoryIndexFile::Contents read = HistoryIndexFile::parse(json);
    ASSERT_EQ(read.records.keys(), QStringList{QStringLiteral("\uFEFFa.png")});
    EXPECT_EQ(HistoryIndexFile::parse(HistoryIndexFile::serialize(read.records)).records, read.records);
}

TEST(HistoryIndexFileTest, AFileLargerThanAnyIndexIsKeptAsideUnreadAndTextsAreBounded) {
    testsupport::TempFolder temp;
    const QString path = temp.file(QStringLiteral("Indice-do-historico.json"));
    // At the cap it is read (the zeros after the object make it damaged); one byte more and it is
    // not read at all.
    writeSparse(path, oneRecord, HistoryIndexFile::maxFileBytes);
    HistoryIndexFile::Contents read = HistoryIndexFile::read(path);
    EXPECT_TRUE(read.keepAside);
    EXPECT_EQ(read.records.keys(), QStringList{QStringLiteral("a.png")});
    writeSparse(path, oneRecord, HistoryIndexFile::maxFileBytes + 1);
    read = HistoryIndexFile::read(path);
    EXPECT_TRUE(read.keepAside);
    EXPECT_TRUE(read.records.isEmpty());

    // A text longer than any the recognizer gives drops its record alone; one stored is cut to fit,
    // at a line, so that it reads back as it was kept.
    QByteArray lines;
    while (lines.size() <= HistoryIndexFile::maxTextBytes) lines += "linha de texto ção\n";
    const QByteArray json =
        "{\"a.png\":{\"text\":\"" + lines.replace('\n', "\\n") +
        "\",\"width\":1,\"height\":1,\"bytes\":1},\"b.png\":{\"text\":\"b\",\"width\":1,\"height\":1,\"bytes\":1}}";
    read = HistoryIndexFile::parse(json);
    EXPECT_FALSE(read.keepAside);
    EXPECT_EQ(read.records.keys(), QStringList{QStringLiteral("b.png")});
    lines.replace("\\n", "\n");
    const HistoryRecord kept = HistoryRecord::of(lines, 1, 1, 1);
    EXPECT_LE(kept.text.size(), HistoryIndexFile::maxTextBytes);
    EXPECT_TRUE(lines.startsWith(kept.text + "\n"));
    HistoryRecords records{{QStringLiteral("a.png"), kept}};
    EXPECT_EQ(HistoryIndexFile::parse(HistoryIndexFile::serialize(records)).records, records);
}

// Reading holds the records it keeps and little else: never the whole file beside them.
TEST(HistoryIndexFileTest, ALargeIndexIsReadAPieceAtATime) {
    if (!testsupport::usesSystemAllocator()) GTEST_SKIP() << "the sanitizer's allocator keeps what is freed";
    testsupport::TempFolder temp;
    const QString path = temp.file(QStringLiteral("Indice-do-historico.json"));
    QByteArray text;
    for (int line = 0; text.size() < 10000; ++line)
        text += "Relatório \"anual\" de vendas, São Paulo\tR$ " + QByteArray::number(line * 37) + "\n";
    HistoryRecords records;
    const int count = 3000;
    for (int i = 0; i < count; ++i)
        records.insert(QStringLiteral("Pelicarta %1.png").arg(i), HistoryRecord{text, 1920, 1080, 2500000, {}, false});
    const QByteArray json = HistoryIndexFile::serialize(records);
    records.clear();
    ASSERT_TRUE(temp.write(QStringLiteral("Indice-do-historico.json"), json));
    const qint64 fileKb = json.size() / 1024;

    // In a child of its own, so that its peak is this read's.
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::Memory::configureForResidentProcess(); // as the program runs
        malloc_trim(0);
        const qint64 before = statusKb("VmRSS:");
        const HistoryIndexFile::Contents read = HistoryIndexFile::read(path);
        const qint64 figures[] = {read.records.size(), read.keepAside, before, statusKb("VmHWM:"), statusKb("VmRSS:")};
        (void)!write(report[1], figures, sizeof figures);
        _exit(0);
    }
    close(report[1]);
    qint64 figures[5] = {};
    const ssize_t got = read(report[0], figures, sizeof figures);
    close(report[0]);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_EQ(got, qsizetype(sizeof figures));
    const auto [read, keepAside, before, peak, held] = figures;
    EXPECT_EQ(read, count);
    EXPECT_FALSE(keepAside);
    ASSERT_GT(before, 0);
    EXPECT_LT(peak - before, 3 * fileKb) << peak - before << " kB at the peak for a file of " << fileKb << " kB";
    EXPECT_LT(peak - held, fileKb / 4) << peak - held << " kB beyond the records held, for a file of " << fileKb
                                       << " kB";
}

TEST(HistoryIndexFileTest, AnIndexLargerThanTheReaderTakesIsNotWritten) {
    testsupport::TempFolder temp;
    const QString path = temp.file(QStringLiteral("Indice-do-historico.json"));
    ASSERT_TRUE(temp.write(QStringLiteral("Indice-do-historico.json"), oneRecord));
    HistoryIndexWriter writer(path);
    QSignalSpy written(&writer, &HistoryIndexWriter::written);
    // Texts shared between records: the test holds one of them, the index would hold them all.
    const QByteArray text(HistoryIndexFile::maxTextBytes, 'x');
    HistoryRecords records; // just over the cap with the names and numbers; one less fits
    for (qint64 i = 0; i < HistoryIndexFile::maxFileBytes / HistoryIndexFile::maxTextBytes; ++i)
        records.insert(QStringLiteral("p%1.png").arg(i), HistoryRecord{text, 1, 1, 1, {}, false});
    writer.write(records);
    writer.waitForDone();
    QCoreApplication::processEvents();
    ASSERT_EQ(written.size(), 1);
    EXPECT_FALSE(written.last().first().toBool());
    EXPECT_EQ(temp.read(QStringLiteral("Indice-do-historico.json")), oneRecord); // the last index that fits

    // The cap counts every byte written, escapes too.
    const HistoryRecords small{{QStringLiteral("\"ç\".png"), HistoryRecord::of("a\nb\t\x01\\\"", 2, 3, 4)},
                               {QStringLiteral("b.png"), HistoryRecord::of("", 0, 0, 0)}};
    const QByteArray json = HistoryIndexFile::serialize(small);
    EXPECT_EQ(HistoryIndexFile::serialize(small, json.size()), json);
    EXPECT_FALSE(HistoryIndexFile::serialize(small, json.size() - 1));
}
