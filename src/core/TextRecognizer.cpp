#include "core/TextRecognizer.h"

#include "core/Localization.h"

#include <QPainter>
#include <QPromise>
#include <QRegularExpression>
#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

QString TextRecognizerError::message() const { return L("A leitura demorou demais. Tente capturar um trecho menor."); }

namespace TextRecognizer {

namespace {

constexpr int kMaxSide = 3000;

std::atomic<platform::TextEngine *> g_engine{nullptr};

platform::TextEngine &engine() {
    platform::TextEngine *e = g_engine.load();
    return e ? *e : platform::tesseractEngine();
}

// --- Preparing the image for the engine ---

// An image whose darkest and lightest pixels differ by less than this holds no readable text; it is
// answered at once, before any preparation or engine work (a blank 2880 × 1800 capture costs a few
// milliseconds). Every fourth row is plenty: text strokes span several rows.
bool hasContrast(const QImage &image) {
    constexpr int kMinimumContrast = 24;
    const QImage argb = image.format() == QImage::Format_ARGB32_Premultiplied || image.format() == QImage::Format_RGB32
                            ? image
                            : image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    int lo = 255, hi = 0;
    for (int y = 0; y < argb.height(); y += 4) {
        const QRgb *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            const QRgb p = row[x];
            // Over white, as the reader flattens transparency.
            const int paper = 255 - qAlpha(p);
            const int grey = qGray(qRed(p) + paper, qGreen(p) + paper, qBlue(p) + paper);
            lo = std::min(lo, grey);
            hi = std::max(hi, grey);
        }
        if (hi - lo >= kMinimumContrast) return true;
    }
    return false;
}

// What the engine is given: grey, dark text on a light ground, at the size read. Screenshots mix
// light and dark panels, so each region is turned so that its ground is light; the ground of a point
// is the mean of the 32-pixel cells around it (text covers a small share of any cell). Measured on
// the drawn test pages (Inter and DejaVu Sans, 13 to 16 px): dark pages read with 7 % of characters
// wrong as they are and 0.7 % turned, like light ones. Upscaling 1x captures was measured and left
// out: twice the size brings the error rate of 13-15 px text from about 0.8 % to 0.55 %, but costs
// 1.5 to 2.3 times the time, and 1.3 times the size already costs 1.45 times.
QImage preparedForReading(const QImage &image) {
    QImage flat = image;
    if (image.hasAlphaChannel()) {
        // Transparent parts (window shadows) read as white paper, not as black.
        flat = QImage(image.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter p(&flat);
        p.drawImage(0, 0, image);
    }
    QImage grey = flat.convertToFormat(QImage::Format_Grayscale8);
    if (grey.isNull()) return grey;

    constexpr int cell = 32;
    const int w = grey.width(), h = grey.height();
    const int cw = (w + cell - 1) / cell, ch = (h + cell - 1) / cell;
    std::vector<quint32> sum(size_t(cw) * ch, 0), count(size_t(cw) * ch, 0);
    for (int y = 0; y < h; ++y) {
        const uchar *row = grey.constScanLine(y);
        quint32 *s = sum.data() + size_t(y / cell) * cw;
        quint32 *c = count.data() + size_t(y / cell) * cw;
        for (int x = 0; x < w; ++x) {
            s[x / cell] += row[x];
            c[x / cell] += 1;
        }
    }
    // A cell is dark ground when the cells around it are dark on average.
    std::vector<uchar> dark(size_t(cw) * ch, 0);
    bool anyDark = false;
    for (int cy = 0; cy < ch; ++cy) {
        for (int cx = 0; cx < cw; ++cx) {
            quint64 s = 0, n = 0;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int x = cx + dx, y = cy + dy;
                    if (x < 0 || y < 0 || x >= cw || y >= ch) continue;
                    s += sum[size_t(y) * cw + x];
                    n += count[size_t(y) * cw + x];
                }
            }
            const bool d = n > 0 && s < 110 * n;
            dark[size_t(cy) * cw + cx] = d;
            anyDark = anyDark || d;
        }
    }
    if (!anyDark) return grey;
    for (int y = 0; y < h; ++y) {
        uchar *row = grey.scanLine(y);
        const uchar *d = dark.data() + size_t(y / cell) * cw;
        for (int x = 0; x < w; ++x) {
            if (d[x / cell]) row[x] = uchar(255 - row[x]);
        }
    }
    return grey;
}

// Maps boxes from the pixels of the image read to those of the image given.
void mapBoxes(QList<Line> &lines, qreal sx, qreal sy) {
    if (sx == 1.0 && sy == 1.0) return;
    const auto map = [&](const QRectF &r) { return QRectF(r.x() * sx, r.y() * sy, r.width() * sx, r.height() * sy); };
    for (Line &line : lines) {
        line.box = map(line.box);
        for (Line::Glyph &g : line.glyphs) g.box = map(g.box);
    }
}

// Reading order: boxes whose centres lie within 1 % of the image height of each other form one row,
// read left to right; otherwise the higher box comes first. The rule is not transitive, so a plain
// insertion sort applies it: stable (ties keep the engine's order) and safe whatever the boxes.
void sortInReadingOrder(QList<Line> &lines, qreal imageHeight) {
    if (imageHeight <= 0) return;
    const auto before = [imageHeight](const Line &a, const Line &b) {
        const qreal dy = (a.box.center().y() - b.box.center().y()) / imageHeight;
        if (std::abs(dy) > 0.01) return dy < 0;
        return a.box.left() < b.box.left();
    };
    for (qsizetype i = 1; i < lines.size(); ++i) {
        for (qsizetype j = i; j > 0 && before(lines[j], lines[j - 1]); --j) lines.swapItemsAt(j, j - 1);
    }
}

// --- Running with a time limit ---

// Fires callbacks at their deadlines from one thread of its own.
class Deadlines {
public:
    using Clock = std::chrono::steady_clock;
    using Id = quint64;

    Deadlines() : m_thread([this] { run(); }) {}
    ~Deadlines() {
        {
            std::lock_guard lock(m_mutex);
            m_stop = true;
        }
        m_wake.notify_one();
        m_thread.join();
    }

    Id add(Clock::time_point when, std::function<void()> fire) {
        std::lock_guard lock(m_mutex);
        const Id id = ++m_lastId;
        m_pending.emplace(std::make_pair(when, id), std::move(fire));
        m_wake.notify_one();
        return id;
    }

    void remove(Id id) {
        std::lock_guard lock(m_mutex);
        std::erase_if(m_pending, [id](const auto &entry) { return entry.first.second == id; });
    }

private:
    void run() {
        std::unique_lock lock(m_mutex);
        while (!m_stop) {
            if (m_pending.empty()) {
                m_wake.wait(lock);
                continue;
            }
            const auto first = m_pending.begin();
            // A copy: the entry may be removed while this thread waits.
            const Clock::time_point when = first->first.first;
            if (Clock::now() < when) {
                m_wake.wait_until(lock, when);
                continue;
            }
            std::function<void()> fire = std::move(first->second);
            m_pending.erase(first);
            lock.unlock();
            fire();
            fire = nullptr;
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::map<std::pair<Clock::time_point, Id>, std::function<void()>> m_pending;
    Id m_lastId = 0;
    bool m_stop = false;
    std::thread m_thread;
};

Deadlines &deadlines() {
    static Deadlines instance;
    return instance;
}

// The recognitions' own pool, as wide as the engine allows, so that a waiting recognition occupies
// no thread of the global pool. At exit running work is told to stop and awaited.
struct WorkPool {
    QThreadPool pool;
    std::atomic<bool> closing{false};
    WorkPool() {
        pool.setMaxThreadCount(std::max(1, engine().maxConcurrentReads()));
        pool.setExpiryTimeout(60000);
    }
    ~WorkPool() {
        closing = true;
        pool.waitForDone();
    }
};

WorkPool &workPool() {
    static WorkPool instance;
    return instance;
}

// Hands one outcome to the waiting caller, whichever of the work and the timer comes first.
template <typename T>
class ResumeOnce {
public:
    ResumeOnce() { m_promise.start(); }
    QFuture<T> future() { return m_promise.future(); }

    // True when this call settled the future.
    bool resume(T value) {
        std::lock_guard lock(m_mutex);
        if (m_settled) return false;
        m_settled = true;
        m_promise.addResult(std::move(value));
        m_promise.finish();
        return true;
    }
    bool fail(std::exception_ptr error) {
        std::lock_guard lock(m_mutex);
        if (m_settled) return false;
        m_settled = true;
        m_promise.setException(error);
        m_promise.finish();
        return true;
    }
    // The work stops once the outcome is decided, or when the caller cancelled the future.
    bool abandoned() {
        std::lock_guard lock(m_mutex);
        return m_settled || m_promise.isCanceled();
    }

    Deadlines::Id timer = 0;

private:
    std::mutex m_mutex;
    QPromise<T> m_promise;
    bool m_settled = false;
};

template <typename T, typename Work>
QFuture<T> withTimeout(std::chrono::milliseconds limit, Priority priority, Work work) {
    auto box = std::make_shared<ResumeOnce<T>>();
    QFuture<T> future = box->future();
    // The timer thread is made first so that it outlives the pool, whose work still removes timers.
    Deadlines &timers = deadlines();
    WorkPool &pool = workPool();
    box->timer =
        timers.add(Deadlines::Clock::now() + limit, [box] { box->fail(std::make_exception_ptr(TextRecognizerError())); });
    const int queuePriority = priority == Priority::userInitiated ? 1 : 0;
    pool.pool.start(
        [box, work = std::move(work), &pool] {
            const platform::CancelCheck stop = [&box, &pool] { return pool.closing.load() || box->abandoned(); };
            if (stop()) return;
            try {
                T value = work(stop);
                if (box->resume(std::move(value))) deadlines().remove(box->timer);
            } catch (...) {
                if (box->fail(std::current_exception())) deadlines().remove(box->timer);
            }
        },
        queuePriority);
    return future;
}

// --- Sensitive data ---

const QList<QRegularExpression> &sensitivePatterns() {
    static const QList<QRegularExpression> patterns = [] {
        const char *sources[] = {
            R"([A-Z0-9._%+-]+@[A-Z0-9.-]+\.[A-Z]{2,})",
            R"(\b\d{3}\.?\d{3}\.?\d{3}-?\d{2}\b)",
            R"(\b\d{2}\.?\d{3}\.?\d{3}/?\d{4}-?\d{2}\b)",
            R"((?:\+?\d{1,3}[\s.-]?)?\(?\d{2,3}\)?[\s.-]?\d{4,5}[\s.-]?\d{4}\b)",
            R"(\b(?:\d[ -]?){13,19}\b)",
            R"(\b(?:sk|pk|rk|ghp|gho|xox[abp]|AKIA)[-_]?[A-Za-z0-9_-]{12,})",
        };
        QList<QRegularExpression> list;
        for (const char *source : sources) {
            QRegularExpression re(QString::fromLatin1(source), QRegularExpression::CaseInsensitiveOption);
            if (re.isValid()) {
                re.optimize();
                list.append(re);
            }
        }
        return list;
    }();
    return patterns;
}

} // namespace

void setEngine(platform::TextEngine *e) { g_engine = e; }

QImage downscaled(const QImage &image, int maxSide) {
    const int longest = std::max(image.width(), image.height());
    if (image.isNull() || maxSide >= longest || maxSide < 1) return image;
    const double factor = double(maxSide) / longest;
    const int w = std::max(1, int(image.width() * factor));
    const int h = std::max(1, int(image.height() * factor));
    const QImage scaled = image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.isNull() ? image : scaled;
}

QList<Line> readLines(const QImage &image, const platform::CancelCheck &cancelled) {
    if (image.isNull()) return {};
    const QImage scaled = downscaled(image, kMaxSide);
    if (!hasContrast(scaled)) return {};
    const QImage read = preparedForReading(scaled);
    if (read.isNull()) return {};
    QList<Line> lines = engine().read(read, cancelled).lines;
    mapBoxes(lines, qreal(image.width()) / read.width(), qreal(image.height()) / read.height());
    sortInReadingOrder(lines, image.height());
    return lines;
}

QString joinedText(const QList<Line> &lines) {
    QStringList texts;
    texts.reserve(lines.size());
    for (const Line &line : lines) texts.append(line.text);
    return texts.join(QLatin1Char('\n'));
}

QList<QRectF> sensitiveRegions(const QList<Line> &lines) {
    QList<QRectF> regions;
    for (const Line &line : lines) {
        for (const QRegularExpression &pattern : sensitivePatterns()) {
            auto matches = pattern.globalMatch(line.text);
            while (matches.hasNext()) {
                const QRegularExpressionMatch m = matches.next();
                const std::optional<QRectF> box = line.boxOf(m.capturedStart(), m.capturedLength());
                if (box) regions.append(box->adjusted(-4, -3, 4, 3));
            }
        }
    }
    return regions;
}

QFuture<QString> recognize(const QImage &image, std::chrono::milliseconds timeout, Priority priority) {
    return withTimeout<QString>(timeout, priority,
                                [image](const platform::CancelCheck &stop) { return joinedText(readLines(image, stop)); });
}

QFuture<QList<QRectF>> sensitiveRegions(const QImage &image, std::chrono::milliseconds timeout) {
    return withTimeout<QList<QRectF>>(timeout, Priority::userInitiated, [image](const platform::CancelCheck &stop) {
        return sensitiveRegions(readLines(image, stop));
    });
}

} // namespace TextRecognizer
