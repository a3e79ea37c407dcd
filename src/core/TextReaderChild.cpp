#include "core/TextReaderChild.h"

#include "core/BackgroundTextReader.h"
#include "core/TextReaderFrames.h"
#include "core/TextRecognizer.h"
#include "platform/ImageFile.h"
#include "platform/PrivateFolder.h"

#include <QElapsedTimer>
#include <QFuture>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace TextReaderChild {

namespace {

using Outcome = BackgroundTextReader::Outcome;

const char *const flag = "--read-text";
// Lines of text whose reading the reader keeps: those of a few full screens, some megabytes.
constexpr int kRememberedLines = 2000;
// Where they are kept between reader processes, in the login's private folder.
const char *const memoryFile = "pelicarta-read-lines";
constexpr qint64 kSaveEveryMs = 3000;

bool writeAll(int fd, const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

Outcome outcomeOf(const TextRecognizerError &error) {
    switch (error.code()) {
    case TextRecognizerError::Code::timeout: return Outcome::timeout;
    case TextRecognizerError::Code::unreadableImage: return Outcome::unreadableImage;
    case TextRecognizerError::Code::interrupted: break;
    }
    return Outcome::failed;
}

TextReaderFrames::Response read(const TextReaderFrames::Request &request) {
    TextReaderFrames::Response response;
    response.id = request.id;
    const QImage image = platform::ImageFile::read(request.path);
    if (image.isNull()) {
        response.outcome = quint8(Outcome::notAPicture);
        return response;
    }
    response.width = quint32(image.width());
    response.height = quint32(image.height());
    QFuture<QString> future = TextRecognizer::recognize(image, request.limit, TextRecognizer::Priority::background);
    try {
        future.waitForFinished();
        response.text = future.resultCount() > 0 ? future.result() : QString();
        response.outcome = quint8(future.resultCount() > 0 ? Outcome::text : Outcome::failed);
    } catch (const TextRecognizerError &error) {
        response.outcome = quint8(outcomeOf(error));
    } catch (const platform::TextEngineError &error) {
        response.outcome =
            quint8(error.kind() == platform::TextEngineError::Kind::unavailable ? Outcome::engineUnavailable
                                                                                : Outcome::failed);
        response.text = error.detail();
    } catch (...) {
        response.outcome = quint8(Outcome::failed);
    }
    return response;
}

int idleMilliseconds(const QStringList &arguments) {
    for (const QString &argument : arguments) {
        if (!argument.startsWith(QLatin1String("--idle-ms="))) continue;
        bool ok = false;
        const int ms = argument.mid(10).toInt(&ok);
        if (ok && ms > 0) return ms;
    }
    return 5000;
}

} // namespace

bool isRequested(int argc, char **argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0) return true;
    return false;
}

int run(const QStringList &arguments) {
    // The parent may have gone before this process could ask to follow it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() == 1) return 0;
    std::signal(SIGPIPE, SIG_IGN); // a parent gone mid-answer is a failed write, then the end
    // The answers get a descriptor of their own; whatever a library prints goes where errors go.
    const int out = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (out < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return 1;
    const int idle = idleMilliseconds(arguments);
    // Screens captured one after the other share most of their lines, in a burst and minutes apart:
    // their unchanged lines are read once in a login, by whichever reader process came first.
    const QString folder = platform::PrivateFolder::loginFolder();
    TextRecognizer::rememberBackgroundLines(kRememberedLines,
                                            folder.isEmpty() ? QString() : folder + QLatin1String("/") + memoryFile);
    QElapsedTimer sinceSaved;
    sinceSaved.start();
    const auto done = [](int status) {
        TextRecognizer::saveRememberedLines();
        return status;
    };

    TextReaderFrames::Parser parser;
    char buffer[4096];
    for (;;) {
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&input, 1, idle);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return done(0); // nothing to read for a while, or no input at all
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return done(0); // the parent closed its end
        parser.append(QByteArray(buffer, n));
        while (const std::optional<TextReaderFrames::Request> request = parser.nextRequest()) {
            if (!writeAll(out, TextReaderFrames::encode(read(*request)))) return done(0);
            // Kept now and then during a long burst too: a parent that quits ends this process at once.
            if (sinceSaved.hasExpired(kSaveEveryMs)) {
                TextRecognizer::saveRememberedLines();
                sinceSaved.restart();
            }
        }
        if (parser.isBroken()) return 2;
    }
}

} // namespace TextReaderChild
