#include "history/HistoryIndexWriter.h"
#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(HistoryIndexWriterTest, WritesTheNewestSnapshotAndDropsThoseSupersededBeforeTheirTurn) {
    testsupport::TempFolder temp;
    const QString path = temp.file(QStringLiteral("Indice-do-historico.json"));
    HistoryIndexWriter writer(path);
    QSignalSpy written(&writer, &HistoryIndexWriter::written);
    HistoryRecords records;
    for (int i = 0; i < 200; ++i) {
        records.insert(QStringLiteral("p%1.png").arg(i), HistoryRecord::of(QByteArray(2000, 'x'), i, i, i));
        writer.write(records);
    }
    writer.waitForDone();
    QCoreApplication::processEvents();
    EXPECT_EQ(HistoryIndexFile::read(path).records, records);
    EXPECT_GE(written.size(), 1);
    EXPECT_LT(written.size(), 200);
    EXPECT_TRUE(written.last().first().toBool());
}
