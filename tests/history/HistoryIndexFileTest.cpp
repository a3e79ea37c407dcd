#include "history/HistoryIndexFile.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

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
              (QStringList{QStringLiteral("bytes"), QStringLiteral("height"), QStringLiteral("text"), QStringLiteral("width")}));
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
    const auto invalid = HistoryIndexFile::parse("{\"a.png\":{\"text\":\"\xC3\x28\",\"width\":0,\"height\":0,\"bytes\":0}}");
    EXPECT_FALSE(invalid.keepAside);
    EXPECT_TRUE(invalid.records.isEmpty());
}

TEST(HistoryIndexFileTest, NameBeginningWithAByteOrderMarkKeepsIt) {
    const QByteArray json = "{\"\xEF\xBB\xBF" "a.png\":{\"text\":\"x\",\"width\":1,\"height\":1,\"bytes\":1}}";
    const HistoryIndexFile::Contents read = HistoryIndexFile::parse(json);
    ASSERT_EQ(read.records.keys(), QStringList{QStringLiteral("\uFEFFa.png")});
    EXPECT_EQ(HistoryIndexFile::parse(HistoryIndexFile::serialize(read.records)).records, read.records);
}
