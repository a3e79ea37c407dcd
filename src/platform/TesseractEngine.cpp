// The Tesseract engine, built as a module of its own that the application loads on the first
// recognition and unloads when it has been idle a while (TextEngineModule.cpp): Tesseract brings some
// 27 libraries (network, TLS, archives) that would otherwise be linked, and held in memory, by every
// launch. Nothing here outlives the engine object: no thread, no static the loader does not clear.
#include "platform/TextEngineModule.h"

#include <QDebug>
#include <QFile>
#include <QScopeGuard>
#include <QThread>

#include <tesseract/baseapi.h>
#include <tesseract/ocrclass.h>
#include <tesseract/resultiterator.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <vector>

// The Itanium C++ ABI's exit registration, tied to a module: run at exit, or when the module is
// unloaded, whichever comes first.
extern "C" int __cxa_atexit(void (*function)(void *), void *argument, void *module);
extern "C" void *__dso_handle;

namespace platform {

namespace {

// Screen text at one image pixel per screen pixel. The engine sizes its noise and line filters from
// the resolution it is told: told 300, small runs of text (a name beside an avatar) are dropped as
// specks.
constexpr int kScreenDpi = 96;

bool cancelThunk(void *data, int) { return (*static_cast<const CancelCheck *>(data))(); }

QString fromUtf8(const char *text) {
    const QString s = QString::fromUtf8(text ? text : "");
    delete[] text;
    return s;
}

QRectF boxAt(const tesseract::PageIterator &it, tesseract::PageIteratorLevel level) {
    int l = 0, t = 0, r = 0, b = 0;
    if (!it.BoundingBox(level, &l, &t, &r, &b)) return {};
    return QRectF(QPointF(l, t), QPointF(r, b));
}

// Collects the lines of a finished recognition with the box of every symbol and of every word, and
// the engine's confidence in each word.
QList<TextLine> collectLines(tesseract::TessBaseAPI &api) {
    QList<TextLine> lines;
    std::unique_ptr<tesseract::ResultIterator> it(api.GetIterator());
    if (!it) return lines;
    using tesseract::RIL_SYMBOL;
    using tesseract::RIL_TEXTLINE;
    using tesseract::RIL_WORD;
    it->Begin();
    do {
        if (it->Empty(RIL_TEXTLINE)) continue;
        TextLine line;
        line.box = boxAt(*it, RIL_TEXTLINE);
        do {
            if (it->Empty(RIL_SYMBOL)) continue;
            if (it->IsAtBeginningOf(RIL_WORD) || line.words.isEmpty()) {
                if (!line.text.isEmpty()) line.text += QLatin1Char(' ');
                line.words.append({line.text.size(), 0, boxAt(*it, RIL_WORD), qRound(it->Confidence(RIL_WORD))});
            }
            const QString symbol = fromUtf8(it->GetUTF8Text(RIL_SYMBOL));
            line.glyphs.append({line.text.size(), symbol.size(), boxAt(*it, RIL_SYMBOL)});
            line.text += symbol;
            line.words.last().length = line.text.size() - line.words.last().start;
        } while (!it->IsAtFinalElement(RIL_TEXTLINE, RIL_SYMBOL) && it->Next(RIL_SYMBOL));
        if (!line.glyphs.isEmpty()) lines.append(std::move(line));
    } while (it->Next(RIL_TEXTLINE));
    return lines;
}

QImage greyOf(const QImage &image) {
    return image.format() == QImage::Format_Grayscale8 ? image : image.convertToFormat(QImage::Format_Grayscale8);
}

class TesseractEngine final : public TextEngineModule::Engine {
    using Api = std::unique_ptr<tesseract::TessBaseAPI>;

public:
    TesseractEngine(int limit, void (*beforeExit)(void *), void *context)
        : m_limit(std::max(1, limit)), m_beforeExit(beforeExit), m_context(context) {}

    int maxConcurrentReads() const override { return m_limit; }

    TextReadResult readLine(const QImage &line, qreal magnification, const CancelCheck &cancelled) override {
        return read(Model::first, line, magnification, cancelled);
    }

    TextReadResult rereadLine(const QImage &strip, qreal magnification, const CancelCheck &cancelled) override {
        // Without the Portuguese data the first model is the English one already.
        if (m_firstIsEnglish) return {};
        return read(Model::english, strip, magnification, cancelled);
    }

    int freeIdle(std::chrono::steady_clock::duration age, bool keepReady) override {
        std::vector<Api> spare;
        std::unique_lock lock(m_mutex);
        if (!m_closing) {
            const auto agedFrom = std::chrono::steady_clock::now() - age;
            for (int model = 0; model < modelCount; ++model) {
                // Idle instances lie oldest first; while kept ready, the newest of the first model stays.
                std::vector<Idle> &idle = m_idle[model];
                const int spareable = m_created[model] - (keepReady ? readyCount(Model(model)) : 0);
                auto aged = std::find_if(idle.begin(), idle.end(), [&](const Idle &i) { return i.since > agedFrom; });
                aged = idle.begin() + std::clamp<std::ptrdiff_t>(aged - idle.begin(), 0, std::max(0, spareable));
                for (auto it = idle.begin(); it != aged; ++it) spare.push_back(std::move(it->api));
                m_created[model] -= int(aged - idle.begin());
                idle.erase(idle.begin(), aged);
            }
        }
        const int left = m_created[first] + m_created[english];
        lock.unlock();
        if (!spare.empty() && left == 0) {
            spare.clear();
            // Tesseract keeps the dictionaries its instances shared (some 8 MB for "por" and "eng")
            // after the last has gone, and its library is never unloaded (it defines unique symbols):
            // they go now, and the next instance reads them again.
            tesseract::TessBaseAPI::ClearPersistentCache();
        }
        return left;
    }

    int instances() override {
        std::lock_guard lock(m_mutex);
        return m_created[first] + m_created[english];
    }

    bool prepareOne() override {
        Model model = first;
        {
            std::lock_guard lock(m_mutex);
            if (m_closing) return false;
            if (m_created[first] + m_starting[first] < readyCount(first)) {
                model = first;
            } else if (m_created[english] + m_starting[english] < readyCount(english)) {
                model = english;
            } else {
                return false;
            }
            // Not counted as made: a read that finds no idle instance makes its own rather than wait for
            // this one, which runs at a lower priority and may be starved on a busy machine.
            ++m_starting[model];
        }
        Api api;
        try {
            api = create(model);
            registerBeforeExit();
        } catch (...) {}
        std::unique_lock lock(m_mutex);
        --m_starting[model];
        const bool wanted = api && !m_closing && m_created[model] < m_limit;
        if (wanted) {
            ++m_created[model];
            // Idle since long ago: first in line to go, last to be taken.
            m_idle[model].insert(m_idle[model].begin(),
                                 Idle{std::move(api), std::chrono::steady_clock::time_point::min()});
        }
        m_freed.notify_all();
        lock.unlock();
        return wanted; // an instance reads made meanwhile outnumbered goes here
    }

    // Reads under way stop at their next look at the cancel check.
    void shutDown(std::chrono::milliseconds wait) override {
        m_closing = true;
        std::unique_lock lock(m_mutex);
        m_freed.notify_all();
        const auto allIdle = [this] {
            return idleCount() == m_created[first] + m_created[english] && m_starting[first] + m_starting[english] == 0;
        };
        m_freed.wait_for(lock, wait, allIdle);
        if (allIdle()) {
            for (std::vector<Idle> &idle : m_idle) idle.clear();
        }
    }

private:
    // The model of readLine (Portuguese) and the English one of rereadLine.
    enum Model { first, english, modelCount };

    TextReadResult read(Model model, const QImage &line, qreal magnification, const CancelCheck &cancelled) {
        TextReadResult result;
        const QImage grey = greyOf(line);
        if (grey.isNull())
            throw TextEngineError(QStringLiteral("no memory for the image"), TextEngineError::Kind::failed);
        const CancelCheck check = stopCheck(cancelled);
        Api api = acquire(model, check);
        if (!api) return {{}, true};
        const auto giveBack = qScopeGuard([&] { release(model, std::move(api)); });
        api->SetPageSegMode(tesseract::PSM_SINGLE_LINE);
        api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
        api->SetSourceResolution(std::max(1, qRound(kScreenDpi * magnification)));
        tesseract::ETEXT_DESC monitor;
        monitor.cancel = &cancelThunk;
        monitor.cancel_this = const_cast<CancelCheck *>(&check);
        const int status = api->Recognize(&monitor);
        if (check()) return {{}, true};
        if (status != 0) throw TextEngineError(QStringLiteral("recognition failed"), TextEngineError::Kind::failed);
        result.lines = collectLines(*api);
        result.confidence = api->MeanTextConf();
        return result;
    }

    // The caller's check, and the process shutting down (see shutDown).
    CancelCheck stopCheck(const CancelCheck &cancelled) {
        return [this, &cancelled] { return m_closing.load() || (cancelled && cancelled()); };
    }

    // One model per engine, not "por+eng": given both, Tesseract reads a whole line again in English
    // whenever one word of it is not sure, while the recognizer reads again only those words.
    Api create(Model model) {
        auto api = std::make_unique<tesseract::TessBaseAPI>();
        const QByteArray folder = TextEngineModule::languageDataFolder();
        // English alone stands in for a machine without the Portuguese data.
        const std::vector<const char *> languages =
            model == Model::first ? std::vector<const char *>{"por", "eng"} : std::vector<const char *>{"eng"};
        for (const char *language : languages) {
            if (api->Init(folder.constData(), language, tesseract::OEM_LSTM_ONLY) == 0) {
                // We hand over dark-on-light text already; the engine's own per-line trial of the
                // inverted image would only double the work on lines it is unsure of.
                api->SetVariable("tessedit_do_invert", "0");
                if (model == Model::first && std::strcmp(language, "eng") == 0) m_firstIsEnglish = true;
                return api;
            }
        }
        throw TextEngineError(QStringLiteral("no Tesseract language data in %1").arg(QString::fromLocal8Bit(folder)));
    }

    Api acquire(Model model, const CancelCheck &cancelled) {
        std::unique_lock lock(m_mutex);
        std::vector<Idle> &idle = m_idle[model];
        for (;;) {
            if (cancelled()) return nullptr;
            if (!idle.empty()) {
                // The one used last: the others age and go (freeIdle).
                Api api = std::move(idle.back().api);
                idle.pop_back();
                return api;
            }
            if (m_created[model] < m_limit) {
                ++m_created[model];
                lock.unlock();
                try {
                    Api api = create(model);
                    registerBeforeExit();
                    return api;
                } catch (...) {
                    lock.lock();
                    --m_created[model];
                    m_freed.notify_all();
                    throw;
                }
            }
            m_freed.wait_for(lock, std::chrono::milliseconds(50));
        }
    }

    void release(Model model, Api api) {
        api->Clear();
        std::lock_guard lock(m_mutex);
        m_idle[model].push_back({std::move(api), std::chrono::steady_clock::now()});
        m_freed.notify_all();
    }

    // Once, after the first instance has started: Tesseract keeps its dictionaries in a cache that
    // is destroyed at exit, so instances must be freed before it. Registered after the cache exists,
    // the loader's handler runs first (handlers run in reverse order); tied to this module, the
    // registration goes when it is unloaded.
    void registerBeforeExit() {
        if (!m_beforeExit || m_registered.exchange(true)) return;
        __cxa_atexit(m_beforeExit, m_context, &__dso_handle);
    }

private:
    struct Idle {
        Api api;
        std::chrono::steady_clock::time_point since;
    };

    // How many instances of `model` are kept ready for a first read: one of each model, for nearly
    // every page has a word the first model is unsure of (without them, the first read of a page
    // took 350–440 ms instead of 250–370). The others start as a page's reads need them, while the
    // ready one reads.
    int readyCount(Model model) const { return model == first || !m_firstIsEnglish ? 1 : 0; }

    // Under m_mutex.
    int idleCount() const { return int(m_idle[first].size() + m_idle[english].size()); }

    const int m_limit;
    std::mutex m_mutex;
    std::condition_variable m_freed;
    std::vector<Idle> m_idle[modelCount]; // each in the order they were handed back
    int m_created[modelCount] = {};       // idle or reading
    int m_starting[modelCount] = {};      // being made ahead of any read (prepareOne)
    std::atomic<bool> m_firstIsEnglish{false};
    std::atomic<bool> m_closing{false};
    void (*const m_beforeExit)(void *);
    void *const m_context;
    std::atomic<bool> m_registered{false};
};

} // namespace

} // namespace platform

// What the application looks up after loading the module (TextEngineModule::Factory).
extern "C" Q_DECL_EXPORT platform::TextEngineModule::Engine *
pelicarta_text_engine(int limit, void (*beforeExit)(void *), void *context) {
    return new platform::TesseractEngine(limit, beforeExit, context);
}
