#include "platform/TextEngineModule.h"

#include "platform/Log.h"
#include "platform/Memory.h"
#include "platform/Module.h"
#include "platform/ThreadPriority.h"
#include "platform/Tuning.h"

#include <QLibrary>
#include <QThread>
#include <QtDebug>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

#include <sys/stat.h>

namespace platform::TextEngineModule {

namespace {

using namespace std::chrono_literals;

std::atomic<std::chrono::milliseconds::rep> g_idleLife{60000};
std::atomic<std::chrono::milliseconds::rep> g_prepareDelay{1000};

// The engine the application reads with: loads the module for a read and, on a thread of its own
// that lives as long as the module, frees idle instances and unloads the module after the last.
// Only objects made by the module's code point into it (its engine and that engine's instances), so
// once they are freed and no read is inside it, nothing is left to call it.
class Loader final : public TextEngine {
public:
    // Never destroyed: its thread and the exit handler may use it to the very end.
    static Loader &instance() {
        static auto *loader = new Loader;
        return *loader;
    }

    int maxConcurrentReads() const override { return m_limit; }

    TextReadResult readLine(const QImage &line, qreal magnification, const CancelCheck &cancelled) override {
        return use([&](TextEngine &e) { return e.readLine(line, magnification, cancelled); });
    }

    TextReadResult rereadLine(const QImage &strip, qreal magnification, const CancelCheck &cancelled) override {
        return use([&](TextEngine &e) { return e.rereadLine(strip, magnification, cancelled); });
    }

    QByteArray identity() const override {
        // The models read with (Portuguese, else English; English again) and how: each line alone, at
        // screen resolution, never inverted. A model file replaced changes its size or time.
        const QByteArray folder = languageDataFolder();
        QByteArray id = "lstm single-line 96dpi no-invert\n" + folder;
        for (const char *language : {"por", "eng"}) {
            struct stat info {};
            const QByteArray file = folder + '/' + language + ".traineddata";
            if (::stat(file.constData(), &info) != 0) continue;
            id += '\n' + QByteArray(language) + ' ' + QByteArray::number(qint64(info.st_size)) + ' ' +
                  QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.' + QByteArray::number(qint64(info.st_mtim.tv_nsec));
        }
        return id;
    }

    std::shared_ptr<void> keepReady() override {
        // Started ahead only while the process tunes itself: the first read then pays the start.
        if (!Tuning::enabled(Tuning::Measure::engine)) return {};
        std::lock_guard lock(m_mutex);
        if (m_exiting || !m_missing.isEmpty()) return {};
        if (m_keepers++ == 0 && !m_preparing) {
            if (m_preparer.joinable()) m_preparer.join(); // it has finished
            m_preparing = true;
            m_preparer = std::thread([this] { prepareWhileKept(); });
        }
        // The token points at nothing of its own: only its end matters.
        return std::shared_ptr<void>(static_cast<void *>(this),
                                     [](void *loader) { static_cast<Loader *>(loader)->letGo(); });
    }

    bool isLoaded() {
        std::lock_guard lock(m_mutex);
        return m_engine != nullptr;
    }

    bool isPreparing() {
        std::lock_guard lock(m_mutex);
        return m_preparing;
    }

    int instanceCount() {
        std::lock_guard lock(m_mutex);
        return m_engine ? m_engine->instances() : 0;
    }

private:
    Loader()
        : m_limit(std::clamp(QThread::idealThreadCount(), 1, 8)),
          // With more than one thread, OpenMP parks worker threads inside its library, which goes with
          // the module: it then stays (see ensureSingleThreadedOpenMP).
          m_unloadable(qgetenv("OMP_THREAD_LIMIT") == "1") {
        // The process's end waits for a start under way and lets none begin: a module loaded while the
        // statics are destroyed would find what it touches gone.
        std::atexit([] { instance().stopPreparing(); });
    }

    void stopPreparing() {
        std::thread preparer;
        {
            std::lock_guard lock(m_mutex);
            m_exiting = true;
            m_wake.notify_all();
            preparer = std::move(m_preparer);
        }
        if (!preparer.joinable()) return;
        if (preparer.get_id() == std::this_thread::get_id()) preparer.detach();
        else preparer.join();
    }

    template <typename Read>
    TextReadResult use(Read read) {
        Engine *engine = enter();
        if (!engine) return {{}, true}; // the process is exiting
        struct Leave {
            Loader *loader;
            ~Leave() { loader->leave(); }
        } leave{this};
        try {
            return read(*engine);
        } catch (const TextEngineError &e) {
            // Thrown by the module's code: a copy of our own outlives the module.
            throw TextEngineError(e.detail(), e.kind());
        }
    }

    // The loaded engine, counted as in use; null while exiting. Throws TextEngineError when the
    // module cannot be loaded.
    Engine *enter() {
        std::lock_guard lock(m_mutex);
        if (m_exiting) return nullptr;
        if (!m_engine) load();
        ++m_users;
        return m_engine;
    }

    void leave() {
        std::lock_guard lock(m_mutex);
        --m_users;
    }

    void letGo() {
        std::lock_guard lock(m_mutex);
        --m_keepers;
        m_wake.notify_all();
    }

    // Once the delay has passed with the engine still kept ready: loads it and starts what a first read
    // needs, below the interface's priority, unless nobody keeps the engine ready by then. An instance
    // per core would hold some 10 MB each for a read that may never come; the rest start with the
    // read, on its threads, while the ready one reads.
    void prepareWhileKept() {
        std::unique_lock lock(m_mutex);
        const std::chrono::milliseconds delay(g_prepareDelay.load());
        m_wake.wait_for(lock, delay, [this] { return m_exiting || m_keepers == 0; });
        Engine *engine = nullptr;
        if (!m_exiting && m_keepers > 0) {
            try {
                // Still at the keeper's priority: the housekeeping thread the load starts must not be
                // born lowered, or a busy machine would keep the idle engine in memory.
                if (!m_engine) load();
                engine = m_engine;
                ++m_users;
            } catch (const TextEngineError &) {
                // The first read reports it.
            }
        }
        if (engine) {
            lock.unlock();
            lowerCurrentThreadToBulkPriority();
            // One that cannot start now fails the read that needs it, with its reason.
            while (stillKept() && engine->prepareOne()) {}
            lock.lock();
            --m_users;
        }
        m_preparing = false;
    }

    bool stillKept() {
        std::lock_guard lock(m_mutex);
        return m_keepers > 0 && !m_exiting;
    }

    // Under m_mutex.
    void load() {
        if (!m_missing.isEmpty()) throw TextEngineError(m_missing);
        const auto factory =
            reinterpret_cast<Factory>(Module::resolve("textengine", "pelicarta_text_engine", m_library));
        if (!factory) {
            m_missing = QStringLiteral("text engine module not found");
            throw TextEngineError(m_missing);
        }
        m_engine = factory(m_limit, &Loader::beforeExit, this);
        if (m_housekeeper.joinable()) m_housekeeper.join(); // the last one has unloaded and ended
        m_housekeeper = std::thread([this] { keepHouse(); });
    }

    // Frees idle instances as they age; once none is left and no read is inside the module, unloads
    // it and ends.
    void keepHouse() {
        std::unique_lock lock(m_mutex);
        for (;;) {
            const std::chrono::milliseconds life(g_idleLife.load());
            m_wake.wait_for(lock, std::clamp<std::chrono::milliseconds>(life / 4, 10ms, 1000ms));
            if (m_exiting) return;
            // Kept ready, what a first read needs stays; what reads started beside it ages as ever.
            const int left = m_engine->freeIdle(life, m_keepers > 0);
            if (left > 0 || m_users > 0 || m_keepers > 0 || !m_unloadable) {
                if (left < m_instancesLeft) Memory::trim();
                m_instancesLeft = left;
                continue;
            }
            unload();
            return;
        }
    }

    // Under m_mutex, with no instance and no read left.
    void unload() {
        m_unloading = std::this_thread::get_id();
        delete m_engine;
        m_engine = nullptr;
        if (!m_library.unload())
            qCWarning(lcPlatform, "The text engine module stays loaded: %s", qPrintable(m_library.errorString()));
        m_unloading = std::thread::id();
        m_instancesLeft = 0;
        Memory::trim();
        // Tesseract cannot be unloaded (it defines unique symbols), nor then what it links: their
        // pages at least go.
        Memory::releaseFilePages(Module::filesBrought(), Memory::Release::fromPageCache);
    }

    // Registered by the module once an instance has started: at exit, stops the reads and frees the
    // instances before the engine's caches are destroyed. Also called by the unloading thread.
    static void beforeExit(void *context) {
        auto *loader = static_cast<Loader *>(context);
        if (loader->m_unloading == std::this_thread::get_id()) return;
        std::lock_guard lock(loader->m_mutex);
        loader->m_exiting = true;
        loader->m_wake.notify_all();
        if (loader->m_engine) loader->m_engine->shutDown(5s);
    }

    const int m_limit;
    const bool m_unloadable;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    QLibrary m_library;
    Engine *m_engine = nullptr;
    QString m_missing; // why the module cannot be loaded, once it could not
    int m_users = 0;
    int m_instancesLeft = 0;
    int m_keepers = 0; // keepReady tokens alive
    bool m_preparing = false;
    bool m_exiting = false;
    std::atomic<std::thread::id> m_unloading{};
    std::thread m_housekeeper;
    std::thread m_preparer;
};

} // namespace

bool isLoaded() { return Loader::instance().isLoaded(); }

bool isPreparing() { return Loader::instance().isPreparing(); }

int instanceCount() { return Loader::instance().instanceCount(); }

void setIdleLife(std::chrono::milliseconds life) { g_idleLife = life.count(); }

void setPrepareDelay(std::chrono::milliseconds delay) { g_prepareDelay = delay.count(); }

} // namespace platform::TextEngineModule

namespace platform {

TextEngine &tesseractEngine() { return TextEngineModule::Loader::instance(); }

} // namespace platform
