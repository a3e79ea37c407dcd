#include "platform/Ghostscript.h"

#include "platform/ImageChecks.h"
#include "platform/OwnTempFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <csignal>

namespace platform::Ghostscript {

namespace {

// The largest page image gs may write: four bytes a pixel of the largest picture, uncompressed.
constexpr qint64 maxOutputBytes = qint64(64) << 20;

const QString folderPrefix = QStringLiteral("pelicarta-gs-");
// Inside it: the folder gs works in, and the page it draws there.
const QString workName = QStringLiteral("work");
const QString pageName = QStringLiteral("page.png");

// What a render leaves in its work folder: the page and gs's own scratch files.
bool isRenderFile(const QString &name) {
    static const QRegularExpression scratch(QStringLiteral("^gs_[A-Za-z0-9]{6}$"));
    return name == pageName || scratch.match(name).hasMatch();
}

// A lock on one of our folders, held while a render uses it: the folders a killed process left are
// those whose lock anyone can take.
class FolderLock {
public:
    explicit FolderLock(const QString &folder)
        : m_fd(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)) {}
    ~FolderLock() {
        if (m_fd >= 0) ::close(m_fd);
    }
    FolderLock(const FolderLock &) = delete;
    FolderLock &operator=(const FolderLock &) = delete;
    bool take(bool wait) { return m_fd >= 0 && ::flock(m_fd, LOCK_EX | (wait ? 0 : LOCK_NB)) == 0; }

private:
    int m_fd;
};

std::nullopt_t fail(QString *error, const QString &message) {
    if (error) *error = message;
    return std::nullopt;
}

bool isLineStart(const QByteArray &text, qsizetype at) {
    return at == 0 || text.at(at - 1) == '\n' || text.at(at - 1) == '\r';
}

// The four numbers after the first (or, for "(atend)", the last) `comment` at the start of a line.
std::optional<QRectF> boxAfter(const QByteArray &text, const QByteArray &comment) {
    qsizetype first = -1, last = -1;
    for (qsizetype at = text.indexOf(comment); at >= 0; at = text.indexOf(comment, at + 1)) {
        if (!isLineStart(text, at)) continue;
        if (first < 0) first = at;
        last = at;
    }
    for (const qsizetype at : {first, last}) {
        if (at < 0) return std::nullopt;
        const qsizetype start = at + comment.size();
        qsizetype end = start;
        while (end < text.size() && text.at(end) != '\n' && text.at(end) != '\r') ++end;
        const QList<QByteArray> words = text.mid(start, end - start).simplified().split(' ');
        if (words.size() != 4) continue; // "(atend)": the trailer's comment is the last one
        double v[4];
        bool ok = true;
        for (int i = 0; i < 4 && ok; ++i) {
            v[i] = words[i].toDouble(&ok);
            ok = ok && std::isfinite(v[i]);
        }
        if (!ok) return std::nullopt;
        const QRectF box(v[0], v[1], v[2] - v[0], v[3] - v[1]);
        if (!(box.width() > 0 && box.height() > 0) || !std::isfinite(box.width()) || !std::isfinite(box.height()))
            return std::nullopt;
        return box;
    }
    return std::nullopt;
}

void limitChild(qint64 addressSpace, int timeoutMs) {
    // Killed with the thread that started it (the logo render process, when that is stopped).
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const auto limit = [](int resource, rlim_t value) {
        const rlimit r{value, value};
        setrlimit(resource, &r);
    };
    limit(RLIMIT_AS, rlim_t(addressSpace));
    limit(RLIMIT_FSIZE, rlim_t(maxOutputBytes));
    limit(RLIMIT_CPU, rlim_t(timeoutMs / 1000 + 2));
    limit(RLIMIT_CORE, 0);
}

QProcessEnvironment cleanEnvironment(const QString &tempFolder) {
    // Nothing of ours reaches gs: GS_OPTIONS or GS_LIB could switch -dSAFER off or point it elsewhere.
    QProcessEnvironment env;
    env.insert(QStringLiteral("PATH"), QStringLiteral("/usr/local/bin:/usr/bin:/bin"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    for (const char *name : {"TMPDIR", "TMP", "TEMP", "HOME"}) env.insert(QString::fromLatin1(name), tempFolder);
    return env;
}

QString number(double value) { return QString::number(value, 'f', 6); }

QImage readOutput(const QString &path, QSize pixels) {
    QImageReader reader(path, "png");
    if (reader.size() != pixels) return {};
    QImage image = reader.read();
    if (image.size() != pixels) return {};
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

QString programPath(const Limits &limits) {
    const QString program = limits.program.isEmpty() ? QStringLiteral("gs") : limits.program;
    return QStandardPaths::findExecutable(program);
}

std::optional<QByteArray> dosEpsPart(const QByteArray &bytes, int field) {
    if (bytes.size() < 28 || field < 4 || field > 20 || !bytes.startsWith("\xC5\xD0\xD3\xC6")) return std::nullopt;
    const auto u32 = [&bytes](int at) {
        const auto *p = reinterpret_cast<const uchar *>(bytes.constData() + at);
        return quint64(p[0]) | quint64(p[1]) << 8 | quint64(p[2]) << 16 | quint64(p[3]) << 24;
    };
    // In 64 bits: offset + length cannot wrap around past the end of the data.
    const quint64 offset = u32(field), length = u32(field + 4);
    if (offset < 1 || length < 1 || offset + length > quint64(bytes.size())) return std::nullopt;
    return bytes.mid(qsizetype(offset), qsizetype(length));
}

std::optional<QRectF> boundingBox(const QByteArray &postscript) {
    const QByteArray text = dosEpsPart(postscript, 4).value_or(postscript);
    if (auto box = boxAfter(text, "%%HiResBoundingBox:")) return box;
    return boxAfter(text, "%%BoundingBox:");
}

std::optional<QImage> render(const QByteArray &postscript, const QRectF &box, QSize pixels, const Limits &limits,
                             QString *error) {
    const QString program = programPath(limits);
    if (program.isEmpty()) return fail(error, QStringLiteral("ghostscript is not installed"));
    if (!fitsImageLimits(pixels) || !box.isValid()) return fail(error, QStringLiteral("no page size"));

    QTemporaryDir root(QDir::tempPath() + QLatin1Char('/') + folderPrefix + QStringLiteral("XXXXXX"));
    FolderLock inUse(root.path());
    const QString work = root.path() + QLatin1Char('/') + workName;
    if (!root.isValid() || !OwnTempFolder::mark(root.path()) || !inUse.take(true) || !QDir().mkdir(work))
        return fail(error, QStringLiteral("no temporary folder"));
    // The document goes to gs through a pipe: no copy of the user's file is left behind, whatever
    // ends this process. The folder holds gs's own temporary files and the page it draws.
    const QString output = work + QLatin1Char('/') + pageName;

    const double xres = 72.0 * pixels.width() / box.width(), yres = 72.0 * pixels.height() / box.height();
    QString outputName = output;
    outputName.replace(QLatin1Char('%'), QStringLiteral("%%")); // gs reads "%d" in output names
    const QStringList arguments{
        QStringLiteral("-dSAFER"), QStringLiteral("-dBATCH"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dQUIET"),
        // A fixed page: -dEPSCrop would let the document's own setpagedevice ask for any size.
        QStringLiteral("-dFIXEDMEDIA"), QStringLiteral("-g%1x%2").arg(pixels.width()).arg(pixels.height()),
        QStringLiteral("-r%1x%2").arg(number(xres), number(yres)), QStringLiteral("-dFirstPage=1"),
        QStringLiteral("-dLastPage=1"), QStringLiteral("-dTextAlphaBits=4"), QStringLiteral("-dGraphicsAlphaBits=4"),
        QStringLiteral("-sDEVICE=pngalpha"), QStringLiteral("-sOutputFile=") + outputName, QStringLiteral("-c"),
        QStringLiteral("<< /Install { %1 %2 translate } >> setpagedevice").arg(number(-box.x()), number(-box.y())),
        QStringLiteral("-f"), QStringLiteral("-_")};

    QProcess gs;
    gs.setProgram(program);
    gs.setArguments(arguments);
    gs.setWorkingDirectory(work);
    gs.setProcessEnvironment(cleanEnvironment(work));
    gs.setStandardOutputFile(QProcess::nullDevice());
    gs.setStandardErrorFile(QProcess::nullDevice());
    const qint64 addressSpace = limits.addressSpace;
    const int timeoutMs = limits.timeoutMs;
    gs.setChildProcessModifier([addressSpace, timeoutMs] { limitChild(addressSpace, timeoutMs); });
    gs.start();
    if (!gs.waitForStarted(5000)) return fail(error, QStringLiteral("ghostscript did not start"));
    // Written while waiting below; a gs that stops reading early ends the write, not this process.
    gs.write(postscript);
    gs.closeWriteChannel();
    if (!gs.waitForFinished(timeoutMs)) {
        gs.kill();
        gs.waitForFinished(5000);
        return fail(error, QStringLiteral("ghostscript ran past its time limit"));
    }
    if (gs.exitStatus() != QProcess::NormalExit || gs.exitCode() != 0)
        return fail(error, QStringLiteral("ghostscript failed (%1)").arg(gs.exitCode()));
    QImage image = readOutput(output, pixels);
    if (image.isNull()) return fail(error, QStringLiteral("ghostscript drew no page"));
    return image;
}

int removeLeftovers(const QString &tempFolder, const QDateTime &now) {
    // A render takes its folder's lock within moments of making it: a younger folder may be one not
    // locked yet.
    const QDateTime cutoff = now.addSecs(-60);
    int removed = 0;
    const QFileInfoList candidates =
        QDir(tempFolder)
            .entryInfoList({folderPrefix + QLatin1Char('*')}, QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
    for (const QFileInfo &folder : candidates) {
        if (folder.fileName().size() != folderPrefix.size() + 6 || folder.lastModified() >= cutoff ||
            !OwnTempFolder::isMarked(folder.filePath()))
            continue;
        FolderLock lock(folder.filePath());
        // Removed under the lock, and only what a render writes: a user's own file there keeps the folder.
        if (lock.take(false) && OwnTempFolder::removeOwnFiles(folder.filePath(), &isRenderFile, {workName}))
            ++removed;
    }
    return removed;
}

} // namespace platform::Ghostscript
