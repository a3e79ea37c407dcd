#include "core/TextReaderProcess.h"

#include "core/Log.h"
#include "platform/Memory.h"
#include "platform/Tuning.h"

#include <QProcess>

#include <climits>
#include <csignal>
#include <utility>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr int backgroundNice = 10;

} // namespace

TextReaderProcess::TextReaderProcess() : TextReaderProcess(Options{}) {}

TextReaderProcess::TextReaderProcess(Options options, QObject *parent)
    : QObject(parent), m_options(std::move(options)) {
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { abandonProcess("did not answer in time"); });
}

TextReaderProcess::~TextReaderProcess() {
    m_waiting.clear();
    m_current.reset();
    discardProcess();
}

quint64 TextReaderProcess::read(const QString &path, std::chrono::milliseconds limit, Done done) {
    if (++m_lastId == 0) ++m_lastId;
    m_waiting.append({m_lastId, path, limit, std::move(done)});
    sendNext();
    return m_lastId;
}

void TextReaderProcess::cancel(quint64 id) {
    m_waiting.removeIf([id](const Pending &p) { return p.id == id; });
    // The reader cannot be interrupted; its answer is dropped when it comes.
    if (m_current && m_current->id == id) m_current->done = nullptr;
}

void TextReaderProcess::stop() {
    if (!m_current) return discardProcess();
    // The read under way is asked again of the next reader.
    m_waiting.prepend(std::move(*m_current));
    m_current.reset();
    m_deadline.stop();
    discardProcess();
}

qint64 TextReaderProcess::processId() const {
    return m_process && m_process->state() == QProcess::Running ? m_process->processId() : 0;
}

void TextReaderProcess::sendNext() {
    if (m_current || m_waiting.isEmpty() || m_answeringUnstarted) return;
    if (!ensureStarted()) {
        // Every read waiting is answered, later as promised; a read asked after that tries again.
        m_answeringUnstarted = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                m_answeringUnstarted = false;
                for (const Pending &unstarted : std::exchange(m_waiting, {}))
                    if (unstarted.done) unstarted.done({Outcome::notStarted, {}, {}, {}});
            },
            Qt::QueuedConnection);
        return;
    }
    m_current = m_waiting.takeFirst();
    m_process->write(
        TextReaderFrames::encode(TextReaderFrames::Request{m_current->id, m_current->limit, m_current->path}));
    m_deadline.start(m_current->limit + m_options.deadlineMargin);
}

bool TextReaderProcess::ensureStarted() {
    if (m_process && m_process->state() == QProcess::Running) return true;
    discardProcess();
    m_parser = {};
    m_process = new QProcess(this);
    m_process->setProgram(m_options.program);
    m_process->setArguments(m_options.arguments);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Between fork and exec, in the new process: it dies with this thread, and reads at background
    // priority (raising it again is not allowed to it).
    const bool lower = platform::Tuning::enabled(platform::Tuning::Measure::nice);
    m_process->setChildProcessModifier([parent = ::getpid(), lower] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(1);
        if (lower && ::getpriority(PRIO_PROCESS, 0) < backgroundNice) ::setpriority(PRIO_PROCESS, 0, backgroundNice);
    });
    connect(m_process, &QProcess::readyReadStandardOutput, this, &TextReaderProcess::takeOutput);
    connect(m_process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        if (!m_current) {
            // Idle, it ended by itself: its answers are all taken, and what taking them left (freed
            // buffers, the pages of ICU and the image codecs they touched) can go back.
            discardProcess();
            return platform::Memory::releaseFreeMemorySoon();
        }
        // A reader that went idle just as this read was sent ends normally without reading it: that
        // read is asked again of a new reader, once.
        if (status == QProcess::NormalExit && code == 0 && m_parser.pending() == 0 && !m_current->resent) {
            m_deadline.stop();
            Pending again = std::move(*m_current);
            m_current.reset();
            again.resent = true;
            m_waiting.prepend(std::move(again));
            discardProcess();
            return sendNext();
        }
        abandonProcess("ended while reading");
    });
    m_process->start();
    if (m_process->waitForStarted(5000)) return true;
    static bool warned = false;
    if (!std::exchange(warned, true))
        qCWarning(lcCore, "the text reader process could not be started (%s); reading in this process",
                  qPrintable(m_process->errorString()));
    discardProcess();
    return false;
}

void TextReaderProcess::takeOutput() {
    if (!m_process) return;
    m_parser.append(m_process->readAllStandardOutput());
    while (const std::optional<TextReaderFrames::Response> response = m_parser.nextResponse()) {
        if (!m_current || response->id != m_current->id) return abandonProcess("answered out of turn");
        const auto outcome = Outcome(response->outcome);
        Result result{
            outcome,
            {},
            QSize(int(std::min<quint32>(response->width, INT_MAX)), int(std::min<quint32>(response->height, INT_MAX))),
            {}};
        (outcome == Outcome::text ? result.text : result.detail) = response->text;
        finishCurrent(result);
        if (!m_process) return;
    }
    if (m_parser.isBroken()) abandonProcess("answered something that is no answer");
}

void TextReaderProcess::finishCurrent(const Result &result) {
    m_deadline.stop();
    const Pending finished = std::move(*m_current);
    m_current.reset();
    if (finished.done) finished.done(result);
    sendNext();
}

void TextReaderProcess::abandonProcess(const char *why) {
    qCWarning(lcCore, "the text reader process %s; it is stopped", why);
    discardProcess();
    if (m_current) finishCurrent({Outcome::crashed, {}, {}, {}});
}

void TextReaderProcess::discardProcess() {
    if (!m_process) return;
    QProcess *process = std::exchange(m_process, nullptr);
    process->disconnect(this);
    if (process->state() != QProcess::NotRunning) {
        process->kill();
        process->waitForFinished(2000);
    }
    // Maybe inside one of its own signals: deleted (its pipes closed) once that has returned.
    process->deleteLater();
}
