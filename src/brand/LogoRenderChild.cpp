#include "brand/LogoRenderChild.h"

#include "brand/LogoPicture.h"
#include "brand/LogoRenderFrames.h"

#include <QFile>
#include <QGuiApplication>

#include <cerrno>
#include <csignal>
#include <cstring>

#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace LogoRenderChild {

namespace {

const char *const flag = "--render-logo";

// The whole of standard input, or none past the largest request.
std::optional<QByteArray> readInput() {
    constexpr qsizetype limit = LogoRenderFrames::maxDocument + 2 * LogoRenderFrames::maxText;
    QByteArray input;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return std::nullopt;
        if (n == 0) return input;
        if (input.size() + n > limit) return std::nullopt;
        input.append(buffer, n);
    }
}

LogoRenderFrames::Answer draw(const LogoRenderFrames::Request &request) {
    using LogoRenderFrames::Outcome;
    platform::Ghostscript::Limits ghostscript;
    ghostscript.program = request.ghostscript;
    ghostscript.timeoutMs = int(std::min<quint32>(request.timeoutMs, 600000));
    const auto picture = LogoPictures::readDocument(request.kind, request.document, ghostscript, ghostscript.timeoutMs);
    if (!picture || !picture->isVector())
        return {Outcome::unreadable, {}, QStringLiteral("not a document of its kind")};
    const QSize target = LogoPictures::fittedSize(picture->points, request.box, true);
    if (!target.isValid()) return {Outcome::failed, {}, QStringLiteral("the document has no size")};
    QImage image = picture->draw(target);
    if (image.isNull()) return {Outcome::failed, {}, QStringLiteral("the document could not be drawn in time")};
    if (image.size() != target) image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return {Outcome::drawn, image, {}};
}

} // namespace

bool isRequested(int argc, char **argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], flag) == 0) return true;
    return false;
}

int run(int &argc, char **argv) {
    // The parent may have gone before this process could ask to follow it.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() == 1) return 0;
    std::signal(SIGPIPE, SIG_IGN);
    // The answer gets a descriptor of its own; whatever a library prints goes where errors go.
    const int out = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (out < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) return 1;
    // Fonts for SVG text, never a window.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const std::optional<QByteArray> input = readInput();
    const std::optional<LogoRenderFrames::Request> request =
        input ? LogoRenderFrames::decodeRequest(*input) : std::nullopt;
    if (!request) return 2;
    const QByteArray answer = LogoRenderFrames::encode(draw(*request));
    QFile channel;
    if (!channel.open(out, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) return 1;
    return channel.write(answer) == answer.size() ? 0 : 1;
}

} // namespace LogoRenderChild
