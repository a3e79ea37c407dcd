#pragma once

// What the editor's benchmarks share: one core for the whole process, and waiting for a model's
// published previews as the application does.
#include "editor/EditorModel.h"
#include "support/SubstituteRenderers.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>

#include <atomic>
#include <memory>
#include <time.h>

#include <dirent.h>
#include <sched.h>
#include <stdlib.h>

// Pins every thread of the process (and the threads they start) to one core while it lives.
class OneCore {
public:
    OneCore() {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        sched_getaffinity(0, sizeof m_all, &m_all);
        apply(one);
    }
    ~OneCore() { apply(m_all); }

private:
    static void apply(const cpu_set_t &set) {
        DIR *tasks = opendir("/proc/self/task");
        if (!tasks) return;
        while (dirent *entry = readdir(tasks))
            if (const int tid = atoi(entry->d_name); tid > 0) sched_setaffinity(tid, sizeof set, &set);
        closedir(tasks);
    }
    cpu_set_t m_all;
};

// Counts the previews a model publishes.
class Publications {
public:
    explicit Publications(EditorModel &model) {
        QObject::connect(&model.render(), &EditorRenderJob::previewChanged, &model, [this] {
            ++m_count;
            if (m_count >= m_awaited) m_loop.quit();
        });
    }
    int count() const { return m_count; }
    // Waits in the event loop, as the application does, until `count` previews have been published.
    void waitFor(int count) {
        if (m_count >= count) return;
        m_awaited = count;
        QTimer::singleShot(10000, &m_loop, &QEventLoop::quit);
        m_loop.exec();
    }

private:
    int m_count = 0;
    int m_awaited = 0;
    QEventLoop m_loop;
};

// The CPU time the calling thread has used, in milliseconds.
inline double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Renderers for a benchmark (installed through SubstituteRenderers): the standard ones, counting the beautifier's and the encoder's
// calls and adding the CPU time of the drawing (whatever else shares the core) to `cpu`.
class TimedRenderers : public StandardEditorRenderers {
public:
    std::atomic<double> cpu{0};
    std::atomic<int> beautified{0};
    std::atomic<int> encodes{0};

    QImage annotate(const QImage &image, std::optional<QRectF> crop, const QList<Annotation> &marks) override {
        return timed([&] { return StandardEditorRenderers::annotate(image, crop, marks); });
    }
    QImage beautify(const QImage &image, const BeautyStyle &style, const std::optional<BrandLogo> &logo) override {
        ++beautified;
        return timed([&] { return StandardEditorRenderers::beautify(image, style, logo); });
    }
    std::optional<QByteArray> encode(const QImage &image, const ExportSettings &settings) override {
        ++encodes;
        return StandardEditorRenderers::encode(image, settings);
    }

private:
    template <typename Draw>
    QImage timed(Draw draw) {
        const double start = threadCpuMs();
        QImage out = draw();
        cpu = cpu + (threadCpuMs() - start);
        return out;
    }
};
