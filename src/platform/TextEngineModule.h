#pragma once

#include "platform/TextEngine.h"

#include <chrono>

// The text engine lives in a module of its own (libpelicarta_textengine.so) that is loaded by the
// first read (or by keepReady, on a thread of its own), and unloaded again once its last engine
// instance has been idle long enough to be freed: a tray process that read one capture an hour ago
// holds neither Tesseract's heap nor its libraries' pages. The next read loads it again (a few
// milliseconds, then the engine's usual start).
namespace platform::TextEngineModule {

// What the module makes: an engine whose instances the loader frees. Only the loader uses it.
class Engine : public TextEngine {
public:
    // Frees the instances idle for `age` or longer, but while `keepReady` not the ones prepareOne
    // starts; returns how many are left, idle or reading.
    virtual int freeIdle(std::chrono::steady_clock::duration age, bool keepReady) = 0;
    // How many instances there are, idle or reading.
    virtual int instances() = 0;
    // Stops the reads under way, waits up to `wait` for them and frees every instance (at exit).
    virtual void shutDown(std::chrono::milliseconds wait) = 0;
    // Starts one more of the instances a first read needs (one of each model: the rest start as reads
    // need them);
    // false when they are there (or it failed). A read never waits for it: one that finds no idle
    // instance makes its own, and what is started beyond the limit meanwhile is dropped. What it makes
    // has read nothing: freeIdle takes it as idle since long ago, so that it goes as soon as nobody keeps
    // the engine ready. (The loader makes the threads: std::thread's inline pieces in the module would be
    // bound by libtesseract, which then holds the module loaded for good.)
    virtual bool prepareOne() = 0;
};

// The module's one entry point, "pelicarta_text_engine": a new engine allowed `limit` reads at once.
// Once one of its instances has started (and the engine's caches exist), the module registers
// `beforeExit(context)` to run at exit ahead of those caches' destruction, tied to the module so
// that unloading it takes the registration along (it is then also called once, on the unloading
// thread, which the loader ignores).
using Factory = Engine *(*)(int limit, void (*beforeExit)(void *), void *context);

// The folder of the engine's language data: $TESSDATA_PREFIX, else Debian's.
inline QByteArray languageDataFolder() {
    const QByteArray fromEnv = qgetenv("TESSDATA_PREFIX");
    return fromEnv.isEmpty() ? QByteArrayLiteral("/usr/share/tesseract-ocr/5/tessdata") : fromEnv;
}

// True while the module is loaded. Any thread.
bool isLoaded();

// True while keepReady's start is under way (waiting for its delay or starting instances). Any thread.
bool isPreparing();

// How many engine instances are started, idle or reading; 0 while the module is not loaded. For tests.
int instanceCount();

// How long an instance lives after its last read (a minute); the module goes with the last one, once
// nobody keeps the engine ready. For tests.
void setIdleLife(std::chrono::milliseconds life);

// How long after the first keepReady token the engine starts loading (a second: the window that asked
// draws its first frames meanwhile). For tests.
void setPrepareDelay(std::chrono::milliseconds delay);

} // namespace platform::TextEngineModule
