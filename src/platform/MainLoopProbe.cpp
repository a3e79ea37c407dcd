#include "platform/MainLoopProbe.h"

#include <QtGlobal>

#include <dlfcn.h>

#include <utility>

namespace platform {

namespace {

// GLib's source callbacks as its ABI lays them out (stable since 2.0).
struct SourceFuncs {
    int (*prepare)(void *source, int *timeout);
    int (*check)(void *source);
    int (*dispatch)(void *source, void *callback, void *data);
    void (*finalize)(void *source);
    void *closureCallback;
    void *closureMarshal;
};

struct Glib {
    void *(*contextDefault)() = nullptr;
    void *(*sourceNew)(SourceFuncs *, unsigned) = nullptr;
    void (*setPriority)(void *, int) = nullptr;
    unsigned (*attach)(void *, void *) = nullptr;
    void (*destroy)(void *) = nullptr;
    void (*unref)(void *) = nullptr;

    bool found() const { return contextDefault && sourceNew && setPriority && attach && destroy && unref; }
};

template <typename F>
void find(F &into, const char *name) {
    into = reinterpret_cast<F>(::dlsym(RTLD_DEFAULT, name));
}

Glib glib() {
    Glib g;
    find(g.contextDefault, "g_main_context_default");
    find(g.sourceNew, "g_source_new");
    find(g.setPriority, "g_source_set_priority");
    find(g.attach, "g_source_attach");
    find(g.destroy, "g_source_destroy");
    find(g.unref, "g_source_unref");
    return g;
}

// Larger than GLib's GSource on any platform; the probe keeps nothing in it.
constexpr unsigned kSourceSize = 256;
// Above every source Qt adds (G_PRIORITY_HIGH is -100): prepared first, so just before the wait, and
// checked first, so just after it.
constexpr int kPriority = -1000;

std::function<void()> beforeWaiting, afterWaiting; // of the one probe attached

int prepare(void *, int *timeout) {
    *timeout = -1; // no opinion: the other sources decide how long the loop may wait
    if (beforeWaiting) beforeWaiting();
    return 0;
}

int check(void *) {
    if (afterWaiting) afterWaiting();
    return 0;
}

int dispatch(void *, void *, void *) { return 1; }

SourceFuncs funcs{prepare, check, dispatch, nullptr, nullptr, nullptr};

} // namespace

std::unique_ptr<MainLoopProbe> MainLoopProbe::attach(std::function<void()> beforeWait,
                                                     std::function<void()> afterWait) {
    if (qEnvironmentVariableIsSet("QT_NO_GLIB")) return nullptr;
    const Glib g = glib();
    if (!g.found()) return nullptr;
    std::unique_ptr<MainLoopProbe> probe(new MainLoopProbe);
    probe->m_source = g.sourceNew(&funcs, kSourceSize);
    if (!probe->m_source) return nullptr;
    beforeWaiting = std::move(beforeWait);
    afterWaiting = std::move(afterWait);
    g.setPriority(probe->m_source, kPriority);
    g.attach(probe->m_source, g.contextDefault());
    return probe;
}

MainLoopProbe::~MainLoopProbe() {
    const Glib g = glib();
    if (m_source && g.found()) {
        g.destroy(m_source);
        g.unref(m_source);
    }
    beforeWaiting = nullptr;
    afterWaiting = nullptr;
}

} // namespace platform
