// Start-up of the real program on a private X server with openbox: the time from starting `pelicarta`
// to the main window's first paint, with five 2880 × 1800 HEIC captures in "Recentes", and the
// program's resident memory 5 s later (no text has been read by then, so the text engine is not
// loaded). Both report their medians as counters.
#include "platform/HeifCodec.h"
#include "support/XvfbServer.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <vector>

namespace {

#ifdef PELICARTA_PROGRAM

double monotonicSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Something like a screen: a gradient desktop, window blocks and rows of text-like marks.
QImage capturePicture(int seed) {
    QImage image(2880, 1800, QImage::Format_RGB32);
    QPainter p(&image);
    QLinearGradient desktop(0, 0, 2880, 1800);
    desktop.setColorAt(0, QColor::fromHsv((seed * 50) % 360, 120, 90));
    desktop.setColorAt(1, QColor::fromHsv((seed * 50 + 140) % 360, 140, 40));
    p.fillRect(image.rect(), desktop);
    for (int w = 0; w < 4; ++w) {
        const QRect window(160 + w * 520 + seed * 17, 140 + w * 260, 1500, 1000);
        p.fillRect(window, QColor(245, 245, 248));
        p.fillRect(window.adjusted(0, 0, 0, -940), QColor(222, 222, 228));
        for (int row = 0; row < 40; ++row)
            for (int word = 0; word < 14; ++word)
                p.fillRect(window.left() + 40 + word * 100, window.top() + 90 + row * 22,
                           30 + (row * 7 + word * 13 + seed) % 60, 10, QColor(40, 40, 50));
    }
    return image;
}

// A home with five captures in "Recentes", made once.
class Home {
public:
    Home() {
        for (const char *sub : {"config", "data/Pelicarta/Recentes", "run", "cache"})
            QDir().mkpath(m_dir.filePath(QLatin1String(sub)));
        QFile::setPermissions(m_dir.filePath(QStringLiteral("run")),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        for (int i = 0; i < 5; ++i) {
            const std::optional<QByteArray> heic = platform::HeifCodec::encode(capturePicture(i), 0.92);
            QFile file(
                m_dir.filePath(QStringLiteral("data/Pelicarta/Recentes/Pelicarta 2026-03-14 09.0%1.00.heic").arg(i)));
            m_ready = m_ready && heic && file.open(QIODevice::WriteOnly) && file.write(*heic) == heic->size();
        }
    }
    bool ready() const { return m_ready; }
    QProcessEnvironment environment(const QByteArray &display) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(display));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("HOME"), m_dir.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("data")));
        env.insert(QStringLiteral("XDG_CACHE_HOME"), m_dir.filePath(QStringLiteral("cache")));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir.filePath(QStringLiteral("run")));
        env.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
        env.insert(QStringLiteral("PELICARTA_REPORT_FIRST_PAINT"), QStringLiteral("1"));
        return env;
    }

private:
    QTemporaryDir m_dir;
    bool m_ready = true;
};

const Home &home() {
    static const Home made;
    return made;
}

// One run of the program: started, its first paint awaited, then asked to quit.
class Run {
public:
    explicit Run(const QByteArray &display) {
        m_program.setProcessEnvironment(home().environment(display));
        m_started = monotonicSeconds();
        m_program.start(QStringLiteral(PELICARTA_PROGRAM), QStringList());
    }
    ~Run() {
        QProcess quit;
        quit.setProcessEnvironment(m_program.processEnvironment());
        quit.start(QStringLiteral(PELICARTA_PROGRAM), {QStringLiteral("--quit")});
        quit.waitForFinished(10000);
        if (!m_program.waitForFinished(10000)) {
            m_program.kill();
            m_program.waitForFinished(2000);
        }
    }
    // Milliseconds from the start to the first paint; negative when it did not come.
    double firstPaint() {
        QDeadlineTimer deadline(20000);
        QByteArray output;
        while (!deadline.hasExpired()) {
            m_program.waitForReadyRead(50);
            output += m_program.readAllStandardError();
            const qsizetype at = output.indexOf("first paint at ");
            const qsizetype end = at < 0 ? -1 : output.indexOf('\n', at);
            if (end > 0) return (output.mid(at + 15, end - at - 15).toDouble() - m_started) * 1000;
        }
        return -1;
    }
    // The resident memory in megabytes: all of it (VmRSS, with the shared libraries' pages), the
    // pages only this program holds (private), and its proportional share (PSS).
    struct Memory {
        double resident = -1, unshared = 0, proportional = 0;
    };
    Memory memory() const {
        Memory m;
        QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(m_program.processId()));
        if (!rollup.open(QIODevice::ReadOnly)) return m;
        for (const QByteArray &line : rollup.readAll().split('\n')) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() < 2) continue;
            const double megabytes = parts[1].toDouble() / 1024;
            if (parts[0] == "Rss:") m.resident = megabytes;
            else if (parts[0] == "Pss:") m.proportional = megabytes;
            else if (parts[0] == "Private_Clean:" || parts[0] == "Private_Dirty:") m.unshared += megabytes;
        }
        return m;
    }

private:
    QProcess m_program;
    double m_started = 0;
};

// Runs `measure` on each iteration's run of the program, on a private X server with openbox.
template <typename Measure>
void eachRun(benchmark::State &state, Measure measure) {
    testsupport::XvfbServer server(QSize(1920, 1080), true);
    if (!server.running() || !home().ready()) {
        state.SkipWithError("no private X server, or the captures could not be written");
        return;
    }
    for (auto _ : state) {
        Run run(server.display());
        const double paint = run.firstPaint();
        if (paint < 0) {
            state.SkipWithError("no first paint");
            break;
        }
        measure(run, paint);
    }
}

#endif

void BM_LaunchToFirstPaint(benchmark::State &state) {
#ifndef PELICARTA_PROGRAM
    state.SkipWithError("built without the program");
#else
    std::vector<double> times;
    eachRun(state, [&](Run &, double ms) {
        state.SetIterationTime(ms / 1000);
        times.push_back(ms);
    });
    state.counters["median_ms"] = median(times);
#endif
}
BENCHMARK(BM_LaunchToFirstPaint)->UseManualTime()->Iterations(9)->Unit(benchmark::kMillisecond);

void BM_ResidentMemoryAfterStart(benchmark::State &state) {
#ifndef PELICARTA_PROGRAM
    state.SkipWithError("built without the program");
#else
    std::vector<double> resident, unshared, proportional;
    eachRun(state, [&](Run &run, double) {
        QThread::sleep(5);
        const Run::Memory m = run.memory();
        resident.push_back(m.resident);
        unshared.push_back(m.unshared);
        proportional.push_back(m.proportional);
    });
    state.counters["rss_MB"] = median(resident);
    state.counters["private_MB"] = median(unshared);
    state.counters["pss_MB"] = median(proportional);
#endif
}
BENCHMARK(BM_ResidentMemoryAfterStart)->Iterations(3)->Unit(benchmark::kSecond);

} // namespace
