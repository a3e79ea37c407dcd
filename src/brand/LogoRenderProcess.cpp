#include "brand/LogoRenderProcess.h"

#include "platform/BuildKind.h"

#include <QDeadlineTimer>
#include <QMutex>
#include <QProcess>

#include <csignal>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace LogoRenderProcess {

namespace {

// The sanitizers reserve terabytes of address space for their shadow memory; a limit on it would
// keep the process from starting at all.
constexpr bool limitsAddressSpace = !platform::BuildKind::addressSanitized;

QMutex programLock;
Program &program() {
    static Program value;
    return value;
}

// The answer's largest size: the pixels of the box, and the fields before them.
qsizetype maxAnswer(QSize box) { return qsizetype(box.width()) * box.height() * 4 + 2 * LogoRenderFrames::maxText; }

Result stopped(const QString &why) { return {Result::Outcome::stopped, {}, why}; }

} // namespace

Program defaultProgram() {
    QMutexLocker locker(&programLock);
    return program();
}

void setDefaultProgram(const Program &value) {
    QMutexLocker locker(&programLock);
    program() = value;
}

Program thisProgram() { return {QStringLiteral("/proc/self/exe"), {QStringLiteral("--render-logo")}}; }

Result render(const LogoRenderFrames::Request &request, const Options &options) {
    if (options.program.path.isEmpty()) return {Result::Outcome::notStarted, {}, QStringLiteral("no render program")};
    const int deadlineMs = options.timeoutMs + options.startMarginMs;
    LogoRenderFrames::Request sent = request;
    sent.timeoutMs = quint32(std::max(1, options.timeoutMs));

    QProcess process;
    process.setProgram(options.program.path);
    process.setArguments(options.program.arguments);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const qint64 addressSpace = options.addressSpace;
    // Between fork and exec, in the new process: it dies with this thread, cannot grow past its
    // memory, and is stopped by the system when it has used its processor time.
    process.setChildProcessModifier([parent = ::getpid(), addressSpace, deadlineMs] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(1);
        const auto limit = [](int resource, rlim_t value) {
            const rlimit r{value, value};
            ::setrlimit(resource, &r);
        };
        if (limitsAddressSpace && addressSpace > 0) limit(RLIMIT_AS, rlim_t(addressSpace));
        limit(RLIMIT_CPU, rlim_t(deadlineMs / 1000 + 1));
        limit(RLIMIT_CORE, 0);
    });
    process.start();
    if (!process.waitForStarted(5000))
        return {Result::Outcome::notStarted, {}, QStringLiteral("cannot start: ") + process.errorString()};
    process.write(LogoRenderFrames::encode(sent));
    process.closeWriteChannel();

    // Read as it comes, so that an answer larger than any drawing is cut short, not held.
    const QDeadlineTimer deadline(deadlineMs);
    const qsizetype cap = maxAnswer(request.box);
    QByteArray answer;
    while (process.state() != QProcess::NotRunning) {
        if (deadline.hasExpired()) {
            process.kill();
            process.waitForFinished(5000);
            return stopped(QStringLiteral("ran past its time limit"));
        }
        process.waitForReadyRead(int(std::min<qint64>(deadline.remainingTime(), 1000)));
        answer += process.readAllStandardOutput();
        if (answer.size() > cap) {
            process.kill();
            process.waitForFinished(5000);
            return stopped(QStringLiteral("answered more than any drawing"));
        }
    }
    answer += process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return stopped(process.exitStatus() == QProcess::CrashExit
                           ? QStringLiteral("ended by a signal (out of memory or processor time, or a crash)")
                           : QStringLiteral("failed with status %1").arg(process.exitCode()));
    const auto decoded = LogoRenderFrames::decodeAnswer(answer, request.box);
    if (!decoded) return stopped(QStringLiteral("answered something that is no answer"));
    switch (decoded->outcome) {
    case LogoRenderFrames::Outcome::drawn: return {Result::Outcome::drawn, decoded->image, {}};
    case LogoRenderFrames::Outcome::unreadable: return {Result::Outcome::unreadable, {}, decoded->detail};
    case LogoRenderFrames::Outcome::failed: break;
    }
    return {Result::Outcome::failed, {}, decoded->detail};
}

} // namespace LogoRenderProcess
