#include "platform/Ghostscript.h"
#include "platform/OwnTempFolder.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QUuid>
#include <QtConcurrent>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace platform;

namespace {

QByteArray eps(const QByteArray &body) {
    return "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 100 100\n" + body + "\nshowpage\n";
}

// Points the process's temporary folder somewhere a test can watch, for the lifetime of the object.
class TempFolderOverride {
public:
    explicit TempFolderOverride(const QString &path) : m_old(qgetenv("TMPDIR")) {
        qputenv("TMPDIR", path.toLocal8Bit());
    }
    ~TempFolderOverride() {
        if (m_old.isNull()) qunsetenv("TMPDIR");
        else qputenv("TMPDIR", m_old);
    }

private:
    QByteArray m_old;
};

// Every file beneath `folder` with its bytes.
QMap<QString, QByteArray> filesBeneath(const QString &folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly)) files.insert(file.fileName(), file.readAll());
    }
    return files;
}

} // namespace

TEST(GhostscriptTest, BoundingBoxComesFromTheHeaderOrTheTrailer) {
    EXPECT_EQ(Ghostscript::boundingBox("%!PS\n%%BoundingBox: 10 20 110 70\n"), QRectF(10, 20, 100, 50));
    EXPECT_EQ(Ghostscript::boundingBox("%!PS\n%%BoundingBox: 0 0 9 9\n%%HiResBoundingBox: 0.5 0 8.5 9\n"),
              QRectF(0.5, 0, 8, 9));
    EXPECT_EQ(Ghostscript::boundingBox("%!PS\n%%BoundingBox: (atend)\nx\n%%Trailer\n%%BoundingBox: 0 0 5 6\n"),
              QRectF(0, 0, 5, 6));
    EXPECT_FALSE(Ghostscript::boundingBox("%!PS\n%%BoundingBox: 10 10 10 90\n"));
    EXPECT_FALSE(Ghostscript::boundingBox("%!PS\n%%BoundingBox: 0 0 nan 9\n"));
    EXPECT_FALSE(Ghostscript::boundingBox("%!PS\nx %%BoundingBox: 0 0 9 9\n"));
}

TEST(GhostscriptTest, DocumentsCannotTouchFilesOutsideTheirPage) {
    if (Ghostscript::programPath().isEmpty()) GTEST_SKIP() << "gs is not installed";
    testsupport::TempFolder temp;
    const TempFolderOverride tmpdir(temp.path());
    const QRectF box(0, 0, 100, 100);
    // Writing into the temporary folder, by name or as a temporary file, leaves nothing behind there.
    const QByteArray writer = eps("{ (" + temp.file(QStringLiteral("escape.txt")).toUtf8() +
                                  ") (w) file (x) writestring } stopped pop\n"
                                  "{ null (w) .tempfile (x) writestring pop } stopped pop\n"
                                  "0 0 1 setrgbcolor 0 0 100 100 rectfill");
    const auto written = Ghostscript::render(writer, box, QSize(50, 50));
    ASSERT_TRUE(written);
    EXPECT_EQ(written->pixelColor(25, 25), QColor(Qt::blue));
    EXPECT_TRUE(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());

    // A system file cannot be read: the black square drawn after a successful read never appears.
    const auto reader =
        Ghostscript::render(eps("1 0 0 setrgbcolor 0 0 100 100 rectfill\n"
                                "{ (/etc/passwd) (r) file pop 0 setgray 0 0 100 100 rectfill } stopped pop"),
                            box, QSize(50, 50));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->pixelColor(25, 25), QColor(Qt::red));

    // The document cannot make its page any larger than asked.
    const auto fixed = Ghostscript::render(eps("<< /PageSize [100000 100000] >> setpagedevice"), box, QSize(50, 50));
    ASSERT_TRUE(fixed);
    EXPECT_EQ(fixed->size(), QSize(50, 50));
}

TEST(GhostscriptTest, EndlessDocumentIsStoppedAtTheLimit) {
    if (Ghostscript::programPath().isEmpty()) GTEST_SKIP() << "gs is not installed";
    Ghostscript::Limits limits;
    limits.timeoutMs = 500;
    QString error;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(Ghostscript::render(eps("{ } loop"), QRectF(0, 0, 100, 100), QSize(50, 50), limits, &error));
    // The limit, not the default, ended it: the default could not have before its own time.
    EXPECT_LT(clock.elapsed(), Ghostscript::Limits{}.timeoutMs);
    EXPECT_FALSE(error.isEmpty());

    // gs stops reading a document that quits at once: the rest, more than a pipe holds, is not waited for
    // and does not end this process.
    limits.timeoutMs = Ghostscript::Limits{}.timeoutMs;
    EXPECT_FALSE(Ghostscript::render(eps("quit\n" + QByteArray(4 << 20, '%')), QRectF(0, 0, 100, 100), QSize(50, 50),
                                     limits));

    limits.program = QStringLiteral("/nonexistent/gs");
    EXPECT_FALSE(Ghostscript::render(eps(""), QRectF(0, 0, 100, 100), QSize(50, 50), limits));
}

TEST(GhostscriptTest, TheDocumentIsNeverWrittenToDisk) {
    if (Ghostscript::programPath().isEmpty()) GTEST_SKIP() << "gs is not installed";
    testsupport::TempFolder temp;
    const TempFolderOverride tmpdir(temp.path());
    // What is on disk while gs runs is what a killed process leaves. The document says that it runs with
    // a temporary file of its own, and draws its page once that file is gone.
    const QByteArray secret = "%%Title: " + QUuid::createUuid().toByteArray(QUuid::WithoutBraces);
    const QByteArray document = eps(secret +
                                    "\n{ null (w) .tempfile dup (running) writestring closefile\n"
                                    "  { dup status { pop pop pop pop } { exit } ifelse } loop } stopped pop\n"
                                    "0 0 1 setrgbcolor 0 0 100 100 rectfill");
    Ghostscript::Limits limits;
    limits.timeoutMs = testsupport::patienceMs;
    QFuture<std::optional<QImage>> page = QtConcurrent::run(
        [&document, limits] { return Ghostscript::render(document, QRectF(0, 0, 100, 100), QSize(50, 50), limits); });

    QMap<QString, QByteArray> files;
    ASSERT_TRUE(testsupport::becomes([&] {
        files = filesBeneath(temp.path());
        return !files.keys(QByteArray("running")).isEmpty();
    }));
    for (auto file = files.cbegin(); file != files.cend(); ++file)
        EXPECT_FALSE(file.value().contains(secret)) << file.key().toStdString() << " holds the document";
    QFile::remove(files.keys(QByteArray("running")).first());
    const std::optional<QImage> drawn = page.result();
    ASSERT_TRUE(drawn);
    EXPECT_EQ(drawn->pixelColor(25, 25), QColor(Qt::blue));
}

TEST(GhostscriptTest, FoldersOfKilledRendersAreRemoved) {
    testsupport::TempFolder temp;
    const QDir dir(temp.path());
    const auto leftover = [&dir](const QString &name) {
        dir.mkpath(name + QStringLiteral("/work"));
        EXPECT_TRUE(platform::OwnTempFolder::mark(dir.filePath(name)));
        QFile page(dir.filePath(name + QStringLiteral("/work/page.png")));
        if (page.open(QIODevice::WriteOnly)) page.write("drawn");
        QFile scratch(dir.filePath(name + QStringLiteral("/work/gs_a1B2c3")));
        if (scratch.open(QIODevice::WriteOnly)) scratch.write("scratch");
        return dir.filePath(name);
    };
    const QString killed = leftover(QStringLiteral("pelicarta-gs-Ab12Cd"));
    // A render still running holds its folder's lock.
    const QString running = leftover(QStringLiteral("pelicarta-gs-Run123"));
    const int lock = ::open(QFile::encodeName(running).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    // Not ours: a link named like ours (to a folder of the user's), another name.
    testsupport::TempFolder elsewhere;
    ASSERT_TRUE(elsewhere.write(QStringLiteral("keep.txt"), "mine"));
    ASSERT_TRUE(QFile::link(elsewhere.path(), dir.filePath(QStringLiteral("pelicarta-gs-Link12"))));
    const QString other = leftover(QStringLiteral("pelicarta-gsx"));
    QString foreign;
    if (::getuid() == 0) {
        foreign = leftover(QStringLiteral("pelicarta-gs-Other1"));
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
    }

    // A folder only just made may be one whose render has not locked it yet.
    EXPECT_EQ(Ghostscript::removeLeftovers(temp.path(), QDateTime::currentDateTime()), 0);
    EXPECT_TRUE(QFileInfo::exists(killed));

    EXPECT_EQ(Ghostscript::removeLeftovers(temp.path(), QDateTime::currentDateTime().addSecs(120)), 1);
    EXPECT_FALSE(QFileInfo::exists(killed));
    EXPECT_TRUE(QFileInfo::exists(running + QStringLiteral("/work/page.png")));
    EXPECT_EQ(elsewhere.read(QStringLiteral("keep.txt")), "mine");
    EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("pelicarta-gs-Link12"))).isSymLink());
    EXPECT_TRUE(QFileInfo::exists(other));
    EXPECT_TRUE(foreign.isEmpty() || QFileInfo::exists(foreign));
    ::close(lock);
}

// A folder of the user's that only looks like one of ours (named so, over a minute old) keeps all it
// holds; in one of ours, the user's own file keeps the folder, and only what a render wrote goes.
TEST(GhostscriptTest, OnlyWhatARenderWroteIsRemoved) {
    testsupport::TempFolder temp;
    const QDir dir(temp.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("pelicarta-gs-Mine12/work")));
    ASSERT_TRUE(temp.write(QStringLiteral("pelicarta-gs-Mine12/notes.txt"), "mine"));
    ASSERT_TRUE(temp.write(QStringLiteral("pelicarta-gs-Mine12/work/page.png"), "mine too"));
    ASSERT_TRUE(dir.mkpath(QStringLiteral("pelicarta-gs-Ours12/work")));
    ASSERT_TRUE(platform::OwnTempFolder::mark(dir.filePath(QStringLiteral("pelicarta-gs-Ours12"))));
    ASSERT_TRUE(temp.write(QStringLiteral("pelicarta-gs-Ours12/work/page.png"), "drawn"));
    ASSERT_TRUE(temp.write(QStringLiteral("pelicarta-gs-Ours12/work/photo.png"), "mine"));
    EXPECT_EQ(Ghostscript::removeLeftovers(temp.path(), QDateTime::currentDateTime().addSecs(120)), 0);
    EXPECT_EQ(temp.read(QStringLiteral("pelicarta-gs-Mine12/notes.txt")), "mine");
    EXPECT_EQ(temp.read(QStringLiteral("pelicarta-gs-Mine12/work/page.png")), "mine too");
    EXPECT_EQ(temp.read(QStringLiteral("pelicarta-gs-Ours12/work/photo.png")), "mine");
    EXPECT_FALSE(QFileInfo::exists(temp.file(QStringLiteral("pelicarta-gs-Ours12/work/page.png"))));
}
