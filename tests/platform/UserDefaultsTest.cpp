#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

using platform::UserDefaults;

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    testsupport::TempFolder dir;
    QString path() const { return dir.file(QStringLiteral("defaults.json")); }
};

} // namespace

TEST_F(UserDefaultsTest, ValuesKeepTheirTypesAcrossReload) {
    {
        UserDefaults d(path());
        d.setBool(QStringLiteral("flag"), true);
        d.setInt(QStringLiteral("big"), std::numeric_limits<qint64>::max());
        d.setInt(QStringLiteral("negative"), -9007199254740993LL);
        EXPECT_TRUE(d.setDouble(QStringLiteral("ratio"), 0.85));
        d.setString(QStringLiteral("name"), QStringLiteral("Pôr do sol ⌘"));
        d.setJson(QStringLiteral("doc"), QJsonArray{1, QStringLiteral("x")});
        d.setData(QStringLiteral("blob"), QByteArray("\x00\xff\x10", 3));
    }
    UserDefaults d(path());
    EXPECT_EQ(d.boolValue(QStringLiteral("flag")), true);
    EXPECT_EQ(d.intValue(QStringLiteral("big")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(d.intValue(QStringLiteral("negative")), -9007199254740993LL);
    EXPECT_EQ(d.doubleValue(QStringLiteral("ratio")), 0.85);
    EXPECT_EQ(d.stringValue(QStringLiteral("name")), QStringLiteral("Pôr do sol ⌘"));
    EXPECT_EQ(d.jsonValue(QStringLiteral("doc")), QJsonValue(QJsonArray{1, QStringLiteral("x")}));
    EXPECT_EQ(d.dataValue(QStringLiteral("blob")), QByteArray("\x00\xff\x10", 3));
    EXPECT_EQ(d.type(QStringLiteral("big")), UserDefaults::Type::Int);
    EXPECT_FALSE(d.contains(QStringLiteral("missing")));
}

TEST_F(UserDefaultsTest, WrongTypeReadsAsNoValue) {
    UserDefaults d(path());
    d.setString(QStringLiteral("flag"), QStringLiteral("true"));
    d.setBool(QStringLiteral("count"), true);
    d.setDouble(QStringLiteral("fraction"), 2.5);
    EXPECT_FALSE(d.boolValue(QStringLiteral("flag")).has_value());
    EXPECT_FALSE(d.intValue(QStringLiteral("count")).has_value());
    EXPECT_FALSE(d.intValue(QStringLiteral("fraction")).has_value());
    EXPECT_FALSE(d.jsonValue(QStringLiteral("flag")).has_value());
    // An integer is a valid double, not the other way round.
    d.setInt(QStringLiteral("whole"), 7);
    EXPECT_EQ(d.doubleValue(QStringLiteral("whole")), 7.0);
}

TEST_F(UserDefaultsTest, NonFiniteNumbersAreRefusedAndUnreadable) {
    UserDefaults d(path());
    EXPECT_FALSE(d.setDouble(QStringLiteral("x"), std::nan("")));
    EXPECT_FALSE(d.setDouble(QStringLiteral("x"), std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(d.contains(QStringLiteral("x")));

    // Hand-edited files can hold numbers JSON parsers turn into infinity.
    ASSERT_TRUE(dir.write(QStringLiteral("huge.json"),
                          R"({"format":1,"values":{"x":{"type":"double","value":1e999},
                              "n":{"type":"int","value":"12abc"}}})"));
    UserDefaults h(dir.file(QStringLiteral("huge.json")));
    EXPECT_FALSE(h.doubleValue(QStringLiteral("x")).has_value());
    EXPECT_FALSE(h.intValue(QStringLiteral("n")).has_value());
}

TEST_F(UserDefaultsTest, UnreadableFileIsKeptAsideNotOverwritten) {
    const QByteArray garbage("this is { not json");
    ASSERT_TRUE(dir.write(QStringLiteral("defaults.json"), garbage));
    UserDefaults d(path());
    EXPECT_TRUE(d.keys().isEmpty());
    const QString aside = d.keptAsidePath();
    ASSERT_FALSE(aside.isEmpty());
    d.setBool(QStringLiteral("flag"), false);
    QFile kept(aside);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), garbage);
    EXPECT_EQ(UserDefaults(path()).boolValue(QStringLiteral("flag")), false);
}

TEST_F(UserDefaultsTest, AFileThatIsNotASettingsFileIsMovedAsideWithoutBeingRead) {
    // A FIFO would block every launch, a link to /dev/zero would be read until memory runs out, and a
    // huge file of keys would cost seconds and hundreds of megabytes: each is kept aside at once.
    ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    const QString zero = dir.file(QStringLiteral("zero.json"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString huge = dir.file(QStringLiteral("huge.json"));
    QByteArray keys = R"({"format":1,"values":{)";
    for (int i = 0; keys.size() < 5 * 1024 * 1024; ++i)
        keys += QStringLiteral(R"("k%1":{"type":"bool","value":true},)").arg(i).toUtf8();
    keys += R"("last":{"type":"bool","value":true}}})";
    ASSERT_TRUE(dir.write(QStringLiteral("huge.json"), keys));

    QFuture<void> loading = QtConcurrent::run([&] {
        for (const QString &file : {path(), zero, huge}) {
            UserDefaults d(file);
            EXPECT_TRUE(d.keys().isEmpty()) << file.toStdString();
            EXPECT_FALSE(d.keptAsidePath().isEmpty()) << file.toStdString();
            // The defaults apply, and the next change writes a settings file of its own.
            d.setBool(QStringLiteral("flag"), true);
            EXPECT_EQ(UserDefaults(file).boolValue(QStringLiteral("flag")), true) << file.toStdString();
        }
    });
    if (!testsupport::becomes([&] { return loading.isFinished(); })) {
        // Release a reader stuck on the FIFO, so that the failure is reported rather than hanging.
        ::close(::open(QFile::encodeName(path()).constData(), O_WRONLY | O_NONBLOCK));
        loading.waitForFinished();
        FAIL() << "reading the settings blocked";
    }
}

TEST_F(UserDefaultsTest, UnknownEntriesSurviveWrites) {
    ASSERT_TRUE(dir.write(QStringLiteral("defaults.json"),
                          R"({"format":1,"values":{"future":{"type":"colour","value":[1,2,3]},"odd":42}})"));
    {
        UserDefaults d(path());
        d.setInt(QStringLiteral("count"), 3);
        EXPECT_FALSE(d.type(QStringLiteral("future")).has_value());
    }
    const QJsonObject values = QJsonDocument::fromJson(dir.read(QStringLiteral("defaults.json")))
                                   .object()
                                   .value(QStringLiteral("values"))
                                   .toObject();
    EXPECT_EQ(values.value(QStringLiteral("future")).toObject().value(QStringLiteral("value")), QJsonArray({1, 2, 3}));
    EXPECT_EQ(values.value(QStringLiteral("odd")), 42);
}

TEST_F(UserDefaultsTest, ChangeSignalsPerKeyAndBatches) {
    UserDefaults d(path());
    int flagChanges = 0;
    QObject context;
    d.onChange(QStringLiteral("flag"), &context, [&] { ++flagChanges; });
    QSignalSpy spy(&d, &UserDefaults::changed);

    d.setBool(QStringLiteral("flag"), true);
    d.setBool(QStringLiteral("flag"), true); // same value: no change
    d.setInt(QStringLiteral("other"), 1);
    EXPECT_EQ(flagChanges, 1);
    EXPECT_EQ(spy.count(), 2);

    {
        UserDefaults::Batch batch(d);
        d.setBool(QStringLiteral("flag"), false);
        d.setInt(QStringLiteral("other"), 2);
        EXPECT_EQ(spy.count(), 2); // held until the batch ends
        EXPECT_EQ(UserDefaults(path()).intValue(QStringLiteral("other")), 1);
    }
    EXPECT_EQ(spy.count(), 4);
    EXPECT_EQ(flagChanges, 2);
    EXPECT_EQ(UserDefaults(path()).intValue(QStringLiteral("other")), 2);

    d.remove(QStringLiteral("other"));
    EXPECT_FALSE(UserDefaults(path()).contains(QStringLiteral("other")));
}

TEST_F(UserDefaultsTest, FileIsPrivateToItsOwner) {
    UserDefaults d(path());
    d.setBool(QStringLiteral("flag"), true);
    const auto perms = QFile::permissions(path());
    EXPECT_TRUE(perms & QFileDevice::ReadOwner);
    EXPECT_FALSE(perms & QFileDevice::ReadOther);
    EXPECT_FALSE(perms & QFileDevice::ReadGroup);
}

TEST_F(UserDefaultsTest, EditsOfTheFileWhileRunningAreTakenIn) {
    UserDefaults d(path());
    d.setInt(QStringLiteral("quick.lifetime"), 30);
    d.setBool(QStringLiteral("gone"), true);
    QSignalSpy changed(&d, &UserDefaults::changed);
    QSignalSpy onDisk(&d, &UserDefaults::changedOnDisk);
    // Our own write is not someone else's edit: the watcher sees it and the file is read again (once
    // its events settle, on this timer), but nothing changed.
    auto *settling = d.findChild<QTimer *>(QString(), Qt::FindDirectChildrenOnly);
    ASSERT_NE(settling, nullptr);
    QSignalSpy reread(settling, &QTimer::timeout);
    ASSERT_TRUE(testsupport::received(reread));
    EXPECT_EQ(onDisk.size(), 0);

    // Another program rewrites the file: one key changed, one removed, one with a value of the wrong
    // type (kept as it is, read as no value).
    const auto write = [&](const QByteArray &bytes) {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    };
    write(
        R"({"format":1,"values":{"quick.lifetime":{"type":"int","value":"60"},"odd":{"type":"bool","value":"yes"}}})");
    ASSERT_TRUE(testsupport::received(onDisk)) << "the watcher saw no edit";
    EXPECT_EQ(d.intValue(QStringLiteral("quick.lifetime")), 60);
    EXPECT_FALSE(d.contains(QStringLiteral("gone")));
    EXPECT_TRUE(d.contains(QStringLiteral("odd")));
    EXPECT_EQ(d.boolValue(QStringLiteral("odd")), std::nullopt);
    QStringList keys = onDisk.first().first().toStringList();
    keys.sort();
    EXPECT_EQ(keys, (QStringList{"gone", "odd", "quick.lifetime"}));
    EXPECT_EQ(changed.size(), 3);

    // Half-way through an edit the file does not parse: nothing changes, and our next write does not
    // destroy the user's edit.
    write("{\"format\":1,\"values\":{");
    d.reloadFromDisk();
    EXPECT_EQ(d.intValue(QStringLiteral("quick.lifetime")), 60);
    QSignalSpy failed(&d, &UserDefaults::writeFailed);
    d.setBool(QStringLiteral("flag"), true);
    d.setBool(QStringLiteral("other"), true);
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("{\"format\":1,\"values\":{"));
    // What changes meanwhile lasts only for this run, and the user is told so, once.
    EXPECT_EQ(failed.size(), 1);
}

TEST_F(UserDefaultsTest, SettingsTooLargeToBeReadBackAreNotWritten) {
    UserDefaults d(path());
    d.setBool(QStringLiteral("kept"), true);
    QSignalSpy failed(&d, &UserDefaults::writeFailed);
    d.setString(QStringLiteral("huge"), QString(5 << 20, QLatin1Char('x')));
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed.first().at(1).value<UserDefaults::WriteProblem>(), UserDefaults::WriteProblem::tooLarge);
    // The file on disk is still one the next launch reads, with every setting written before.
    UserDefaults relaunched(path());
    EXPECT_TRUE(relaunched.keptAsidePath().isEmpty());
    EXPECT_EQ(relaunched.boolValue(QStringLiteral("kept")), true);
    EXPECT_FALSE(relaunched.contains(QStringLiteral("huge")));
}

TEST_F(UserDefaultsTest, AFileThatCannotBeWrittenIsReportedOnce) {
    // A file where the folder should be: no write can succeed, not even as root.
    ASSERT_TRUE(QFile(dir.file(QStringLiteral("blocker"))).open(QIODevice::WriteOnly));
    UserDefaults d(dir.file(QStringLiteral("blocker/defaults.json")));
    QSignalSpy failed(&d, &UserDefaults::writeFailed);
    d.setBool(QStringLiteral("a"), true);
    d.setBool(QStringLiteral("b"), true);
    ASSERT_EQ(failed.size(), 1);
    EXPECT_EQ(failed.first().first().toString(), dir.file(QStringLiteral("blocker/defaults.json")));
    EXPECT_EQ(d.boolValue(QStringLiteral("b")), true); // kept in memory for this run
}
