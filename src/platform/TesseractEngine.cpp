// The Tesseract engine, built as a module of its own that the application loads on the first
// recognition (see tesseractEngine() in TextEngine.cpp): Tesseract brings some 27 libraries (network,
// TLS, archives) that would otherwise be linked, and held in memory, by every launch.
#include "platform/TextEngine.h"

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
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

namespace {

QByteArray tessdataFolder() {
    const QByteArray fromEnv = qgetenv("TESSDATA_PREFIX");
    if (!fromEnv.isEmpty()) return fromEnv;
    return QByteArrayLiteral("/usr/share/tesseract-ocr/5/tessdata");
}

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

// Collects the lines of a finished recognition with the box of every symbol.
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
            if (it->IsAtBeginningOf(RIL_WORD) && !line.text.isEmpty()) line.text += QLatin1Char(' ');
            const QString symbol = fromUtf8(it->GetUTF8Text(RIL_SYMBOL));
            line.glyphs.append({line.text.size(), symbol.size(), boxAt(*it, RIL_SYMBOL)});
            line.text += symbol;
        } while (!it->IsAtFinalElement(RIL_TEXTLINE, RIL_SYMBOL) && it->Next(RIL_SYMBOL));
        if (!line.glyphs.isEmpty()) lines.append(std::move(line));
    } while (it->Next(RIL_TEXTLINE));
    return lines;
}

class TesseractEngine final : public TextEngine {
public:
    // Never destroyed as a static: its engines are deleted at exit by shutDown instead.
    static TesseractEngine &instance() {
        static auto *engine = new TesseractEngine;
        return *engine;
    }

    TesseractEngine() : m_limit(std::clamp(QThread::idealThreadCount() / 2, 1, 4)) {}

    int maxConcurrentReads() const override { return m_limit; }

    TextReadResult read(const QImage &image, const CancelCheck &cancelled) override {
        TextReadResult result;
        if (image.isNull()) return result;
        const QImage grey =
            image.format() == QImage::Format_Grayscale8 ? image : image.convertToFormat(QImage::Format_Grayscale8);
        if (grey.isNull()) return result;

        // The run also stops when the process is exiting (see shutDown).
        const CancelCheck check = [this, &cancelled] { return m_closing.load() || (cancelled && cancelled()); };
        std::unique_ptr<tesseract::TessBaseAPI> api = acquire(check);
        if (!api) {
            result.cancelled = true;
            return result;
        }
        const auto giveBack = qScopeGuard([&] { release(std::move(api)); });

        api->SetImage(grey.constBits(), grey.width(), grey.height(), 1, int(grey.bytesPerLine()));
        // Screen text: its size in pixels is what matters, the nominal resolution only sets
        // thresholds; 96 dpi is what a 1x screen shows.
        api->SetSourceResolution(96);

        // Layout analysis is the cheap pre-pass: without any text block the recognition never runs.
        // Recognize() reuses the layout found here.
        {
            std::unique_ptr<tesseract::PageIterator> layout(api->AnalyseLayout());
            bool anyText = false;
            if (layout) {
                do {
                    anyText = PTIsTextType(layout->BlockType()) && !layout->Empty(tesseract::RIL_TEXTLINE);
                } while (!anyText && layout->Next(tesseract::RIL_BLOCK));
            }
            if (!anyText) return result;
        }
        if (check()) {
            result.cancelled = true;
            return result;
        }

        tesseract::ETEXT_DESC monitor;
        monitor.cancel = &cancelThunk;
        monitor.cancel_this = const_cast<CancelCheck *>(&check);
        result.recognitionRan = true;
        const int status = api->Recognize(&monitor);
        if (check()) {
            result.cancelled = true;
            return result;
        }
        if (status != 0) return result;
        result.lines = collectLines(*api);

        return result;
    }

private:
    std::unique_ptr<tesseract::TessBaseAPI> create() {
        auto api = std::make_unique<tesseract::TessBaseAPI>();
        const QByteArray folder = tessdataFolder();
        // Portuguese first; the English model reads again the lines Portuguese is unsure of, which
        // costs about a third more time (on our drawn test pages "por" alone reads as well in three
        // quarters of the time). English alone is the fallback for a machine without the Portuguese
        // data.
        for (const char *languages : {"por+eng", "eng"}) {
            if (api->Init(folder.constData(), languages, tesseract::OEM_LSTM_ONLY) == 0) {
                // We hand over dark-on-light text already; the engine's own per-line trial of the
                // inverted image would only double the work on lines it is unsure of.
                api->SetVariable("tessedit_do_invert", "0");
                api->SetPageSegMode(tesseract::PSM_AUTO);
                return api;
            }
        }
        throw TextEngineError(QStringLiteral("no Tesseract language data in %1").arg(QString::fromLocal8Bit(folder)));
    }

    std::unique_ptr<tesseract::TessBaseAPI> acquire(const CancelCheck &cancelled) {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (cancelled()) return nullptr;
            if (!m_idle.empty()) {
                auto api = std::move(m_idle.back());
                m_idle.pop_back();
                return api;
            }
            if (m_created < m_limit) {
                ++m_created;
                lock.unlock();
                try {
                    auto api = create();
                    registerShutDown();
                    return api;
                } catch (...) {
                    lock.lock();
                    --m_created;
                    m_freed.notify_all();
                    throw;
                }
            }
            m_freed.wait_for(lock, std::chrono::milliseconds(50));
        }
    }

    void release(std::unique_ptr<tesseract::TessBaseAPI> api) {
        api->Clear();
        std::lock_guard lock(m_mutex);
        m_idle.push_back(std::move(api));
        m_freed.notify_all();
    }

    // Tesseract keeps its dictionaries in a cache that is destroyed at exit, so engines must be
    // deleted before it: this runs at exit (registered after the cache exists), stops running
    // reads and waits briefly for them to hand their engines back.
    void registerShutDown() {
        static const bool once = [] {
            std::atexit([] { instance().shutDown(); });
            return true;
        }();
        (void)once;
    }

    void shutDown() {
        m_closing = true;
        std::unique_lock lock(m_mutex);
        m_freed.wait_for(lock, std::chrono::seconds(5), [this] { return int(m_idle.size()) == m_created; });
        if (int(m_idle.size()) == m_created) m_idle.clear();
    }

    const int m_limit;
    std::mutex m_mutex;
    std::condition_variable m_freed;
    std::vector<std::unique_ptr<tesseract::TessBaseAPI>> m_idle;
    int m_created = 0;
    std::atomic<bool> m_closing{false};
};

} // namespace

} // namespace platform

// What the application looks up after loading the module.
extern "C" Q_DECL_EXPORT platform::TextEngine *pelicarta_text_engine() { return &platform::TesseractEngine::instance(); }
