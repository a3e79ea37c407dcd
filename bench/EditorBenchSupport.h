#pragma once

// What the editor's benchmarks share: one core for the whole process, and waiting for a model's
// published previews as the application does.
#include "editor/EditorModel.h"

#include <QEventLoop>
#include <QObject>
#include <QTimer>

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
        QObject::connect(&model, &EditorModel::previewChanged, &model, [this] {
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
