#include "platform/Ghostscript.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>

#include <gtest/gtest.h>

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

    limits.program = QStringLiteral("/nonexistent/gs");
    EXPECT_FALSE(Ghostscript::render(eps(""), QRectF(0, 0, 100, 100), QSize(50, 50), limits));
}
