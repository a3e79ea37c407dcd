#pragma once

#include "core/StyleStore.h"
#include "editor/EditorModel.h"
#include "platform/NamePrompt.h"
#include "platform/StringTables.h"
#include "support/RecordingNotifier.h"
#include "support/SubstituteRenderers.h"
#include "support/Waiting.h"

#include <QCoreApplication>
#include <QMutex>
#include <QPromise>
#include <QSemaphore>
#include <QTest>
#include <QThreadPool>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>
#include <utility>

namespace editortest {

// Renderers for a test (installed through SubstituteRenderers), counting their calls and drawing
// nothing costly. The annotated image is (marks + 1) × 1 pixels; the result is ten times as wide and
// (padding + 1) high, so sizes tell which state was rendered. A padding of 999 renders nothing. Encoding gives one byte per pixel,
// or fails when told to. The capture is never packed away.
struct FakeRenderers : StandardEditorRenderers {
    template <typename T>
    static QFuture<T> started(QList<std::shared_ptr<QPromise<T>>> &promises) {
        auto promise = std::make_shared<QPromise<T>>();
        promise->start();
        promises.append(promise);
        return promise->future();
    }

    struct Shared {
        std::atomic<int> annotates{0};
        std::atomic<int> beautifies{0};
        std::atomic<int> encodes{0};
        std::atomic<bool> failEncoding{false};
        std::atomic<bool> gated{false};
        QSemaphore gate;    // a gated beautify waits here for a release
        QSemaphore waiting; // released when a gated beautify starts waiting
        QMutex mutex;
        std::optional<BrandLogo> lastLogo;
        QList<Annotation> lastAnnotations;
        QSize lastEncoded;
        // Text readings and sensitive-data searches started (main thread), each finished by the test
        // through its promise.
        QList<std::shared_ptr<QPromise<QString>>> reads;
        QList<std::shared_ptr<QPromise<QList<QRectF>>>> searches;
        std::atomic<int> readersKept{0}; // keepReaderReady tokens alive
        std::atomic<int> releases{0};    // releaseCaches calls
    };
    std::shared_ptr<Shared> state = std::make_shared<Shared>();

    QImage annotate(const QImage &, std::optional<QRectF>, const QList<Annotation> &marks) override {
        ++state->annotates;
        QMutexLocker lock(&state->mutex);
        state->lastAnnotations = marks;
        return QImage(int(marks.size()) + 1, 1, QImage::Format_ARGB32_Premultiplied);
    }
    QImage beautify(const QImage &annotated, const BeautyStyle &style, const std::optional<BrandLogo> &logo) override {
        ++state->beautifies;
        if (state->gated) {
            state->waiting.release();
            state->gate.acquire();
        }
        {
            QMutexLocker lock(&state->mutex);
            state->lastLogo = logo;
        }
        if (style.padding == 999) return QImage();
        QImage out(10 * annotated.width(), int(style.padding) + 1, QImage::Format_ARGB32_Premultiplied);
        out.fill(Qt::white);
        return out;
    }
    QImage prepare(const QImage &image, const ExportSettings &settings) override {
        return settings.scale == ExportScale::standard ? image.scaled(image.size() / 2) : image;
    }
    std::optional<QByteArray> encode(const QImage &image, const ExportSettings &) override {
        ++state->encodes;
        {
            QMutexLocker lock(&state->mutex);
            state->lastEncoded = image.size();
        }
        if (state->failEncoding) return std::nullopt;
        return QByteArray(qsizetype(image.width()) * image.height(), 'x');
    }
    QFuture<QString> readText(const QImage &, std::chrono::milliseconds) override { return started(state->reads); }
    QFuture<QList<QRectF>> findSensitive(const QImage &, std::chrono::milliseconds) override {
        return started(state->searches);
    }
    void releaseCaches() override {
        ++state->releases;
        StandardEditorRenderers::releaseCaches();
    }
    std::optional<QByteArray> pack(const QImage &) override { return std::nullopt; }
    std::shared_ptr<void> keepReaderReady() override {
        ++state->readersKept;
        return std::shared_ptr<void>(state.get(), [s = state](void *) { --s->readersKept; });
    }
};

// Answers name prompts with a set text and remembers what they asked.
class FakePrompt : public platform::NamePrompt {
public:
    std::optional<QString> answer;
    QList<platform::NameRequest> asked;
    std::optional<QString> run(const platform::NameRequest &request) override {
        asked.append(request);
        return answer;
    }
};

// What the editor told the person: recorded, from the first use on, for the rest of the program.
inline testsupport::RecordingNotifier &notices() {
    static testsupport::RecordingNotifier recorded;
    return recorded;
}

// The title and subtitle of the last notice ("" when none was told since `clearToast`).
inline QString toastText() {
    const QList<Notice> &told = notices().told;
    return told.isEmpty() ? QString() : told.last().title + QStringLiteral(" / ") + told.last().subtitle;
}

// The kind of the last notice; none when none was told since `clearToast`.
inline std::optional<ToastKind> toastKind() { return notices().lastKind(); }

inline void clearToast() { notices().told.clear(); }

// Runs the event loop until the editor's background work is done and its results are delivered.
inline void settle() {
    for (int i = 0; i < 3; ++i) {
        EditorThreads::renderPool().waitForDone();
        EditorThreads::estimatePool().waitForDone();
        QCoreApplication::processEvents();
    }
}

// Every worker of the editors' estimate pool held busy from its making until `free()` or its end: what
// is started meanwhile waits behind them, however slowly the machine runs.
class BusyEstimateWorkers {
public:
    BusyEstimateWorkers() : m_pool(EditorThreads::estimatePool()) {
        for (int i = 0; i < m_pool.maxThreadCount(); ++i)
            m_pool.start([this] {
                m_holding.release();
                m_held.acquire();
            });
        m_allBusy = m_holding.tryAcquire(m_pool.maxThreadCount(), testsupport::patienceMs);
    }
    ~BusyEstimateWorkers() { free(); }
    BusyEstimateWorkers(const BusyEstimateWorkers &) = delete;
    BusyEstimateWorkers &operator=(const BusyEstimateWorkers &) = delete;

    bool allBusy() const { return m_allBusy; }
    void free() {
        if (!std::exchange(m_freed, true)) m_held.release(m_pool.maxThreadCount());
    }

private:
    QThreadPool &m_pool;
    QSemaphore m_holding, m_held;
    bool m_allBusy = false;
    bool m_freed = false;
};

// A model over the fake renderers (or a document alone), with the shared style store back at its defaults and Portuguese
// texts.
class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
        StyleStore &store = StyleStore::shared();
        store.setPresets({});
        store.resetBackdrops();
        store.setDefaultStyle(BeautyStyle{});
        store.setExportSettings(ExportSettings{});
        platform::NamePrompt::setSharedForTesting(&prompt);
        clearToast();
    }
    void TearDown() override {
        settle();
        platform::NamePrompt::setSharedForTesting(nullptr);
        platform::StringTables::setCurrentLanguage({});
    }

    std::unique_ptr<EditorModel> makeModel(QSize size = {800, 600}) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::darkCyan);
        auto model = std::make_unique<EditorModel>(image, QString(), std::nullopt, StyleStore::shared());
        settle();
        return model;
    }

    // A document alone, nothing rendering it.
    static std::unique_ptr<EditorDocument> makeDocument(QSize size = {800, 600}) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::darkCyan);
        return std::make_unique<EditorDocument>(image, QString(), StyleStore::shared().defaultStyle());
    }

    testsupport::SubstituteRenderers<FakeRenderers> renderers;
    FakePrompt prompt;
};

} // namespace editortest
