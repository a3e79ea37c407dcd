#include "core/TextRecognizer.h"

#include "core/LineMemory.h"
#include "core/Localization.h"
#include "pagetext/PageText.h"
#include "platform/ThreadPriority.h"

#include <QPromise>
#include <QRegularExpression>
#include <QRunnable>
#include <QScopeGuard>
#include <QThreadPool>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <utility>

QString TextRecognizerError::message() const {
    switch (m_code) {
    case Code::unreadableImage: return L("Não foi possível preparar a imagem para a leitura.");
    case Code::interrupted: return L("A leitura foi interrompida.");
    case Code::timeout: break;
    }
    return L("A leitura demorou demais. Tente capturar um trecho menor.");
}

const char *TextRecognizerError::what() const noexcept {
    switch (m_code) {
    case Code::unreadableImage: return "image could not be prepared for text recognition";
    case Code::interrupted: return "text recognition interrupted";
    case Code::timeout: break;
    }
    return "text recognition timed out";
}

namespace TextRecognizer {

namespace {

constexpr int kMaxSide = 3000;

std::atomic<platform::TextEngine *> g_engine{nullptr};

platform::TextEngine &engine() {
    platform::TextEngine *e = g_engine.load();
    return e ? *e : platform::tesseractEngine();
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

// Engine reads at once in the whole process, at most the engine's bound: recognitions running side
// by side share it line by line.
class ReadSlots {
public:
    // False when `stop` turned true while waiting.
    bool acquire(int bound, const platform::CancelCheck &stop) {
        std::unique_lock lock(m_mutex);
        for (;;) {
            if (stop()) return false;
            if (m_taken < bound) {
                ++m_taken;
                return true;
            }
            m_freed.wait_for(lock, std::chrono::milliseconds(20));
        }
    }
    void release() {
        {
            std::lock_guard lock(m_mutex);
            --m_taken;
        }
        m_freed.notify_one();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_freed;
    int m_taken = 0;
};

// The recognitions' own pool, as wide as the engine allows, so that a waiting recognition occupies
// no thread of the global pool; the threads that help a recognition read its blocks; and the one
// thread of background recognitions. At exit running work is told to stop and awaited.
struct WorkPool {
    QThreadPool pool;
    QThreadPool helpers;
    QThreadPool background;
    ReadSlots reads;
    std::atomic<bool> closing{false};
    WorkPool() {
        pool.setMaxThreadCount(std::max(1, engine().maxConcurrentReads()));
        pool.setExpiryTimeout(60000);
        helpers.setExpiryTimeout(60000);
        background.setMaxThreadCount(1);
        background.setExpiryTimeout(60000);
    }
    ~WorkPool() {
        closing = true;
        for (QThreadPool *p : {&pool, &background, &helpers}) p->waitForDone();
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
    box->timer = timers.add(Deadlines::Clock::now() + limit,
                            [box] { box->fail(std::make_exception_ptr(TextRecognizerError())); });
    const int queuePriority = priority == Priority::userInitiated ? 1 : 0;
    const bool background = priority == Priority::background;
    (background ? pool.background : pool.pool)
        .start(
            [box, background, work = std::move(work)] {
                if (background) platform::lowerCurrentThreadPriority();
                // At the limit or when the caller cancelled, nobody waits any more; a run stopped
                // because the application quits fails with TextRecognizerError::interrupted.
                const platform::CancelCheck stop = [&box] { return box->abandoned(); };
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

// --- Reading the blocks of a page at once ---

// Runs one share of a recognition's blocks on a helper thread; owned by the recognition.
class Helper : public QRunnable {
public:
    explicit Helper(const std::function<void()> &work) : m_work(work) { setAutoDelete(false); }
    void run() override {
        m_work();
        std::lock_guard lock(m_mutex);
        m_done = true;
        m_finished.notify_all();
    }
    void wait() {
        std::unique_lock lock(m_mutex);
        m_finished.wait(lock, [this] { return m_done; });
    }

private:
    const std::function<void()> &m_work;
    std::mutex m_mutex;
    std::condition_variable m_finished;
    bool m_done = false;
};

// Runs `work` on this thread and on up to `helpers` pool threads, and returns when all are done. A
// helper that has not started when this thread is done is taken back unstarted.
void runWithHelpers(const std::function<void()> &work, int helpers) {
    QThreadPool &pool = workPool().helpers;
    std::vector<std::unique_ptr<Helper>> started;
    for (int i = 0; i < helpers; ++i) {
        started.push_back(std::make_unique<Helper>(work));
        pool.start(started.back().get());
    }
    work();
    for (const auto &h : started) {
        if (!pool.tryTake(h.get())) h->wait();
    }
}

LineMemory &lineMemory() {
    static LineMemory memory;
    return memory;
}

// What a line costs to read: about its number of characters.
qreal costOf(const QRect &line) { return qreal(line.width()) / std::max(1, line.height()); }

// What the engine reads of a line picture, in its pixels, read again by the second model where unsure
// and with its symbols repaired.
platform::TextReadResult readLineImage(platform::TextEngine &e, const PageText::LineImage &image,
                                       const platform::CancelCheck &stop) {
    WorkPool &pool = workPool();
    if (!pool.reads.acquire(std::max(1, e.maxConcurrentReads()), stop)) return {{}, true};
    platform::TextReadResult read;
    {
        const auto release = qScopeGuard([&] { pool.reads.release(); });
        read = e.readLine(image.image, image.scale, stop);
        if (!read.stopped) PageText::recheck(e, image, read, stop);
    }
    PageText::correctSymbols(read.lines, image);
    return read;
}

// A line of the page to read: its picture, and the digest that finds the same picture elsewhere.
struct LinePicture {
    PageText::LineImage image;
    QByteArray key;
};

LinePicture pictureOf(const QImage &flat, const PageText::FoundLine &found, const QByteArray &identity) {
    LinePicture picture{PageText::pictureOf(flat, found), {}};
    if (picture.image.image.isNull()) throw TextRecognizerError(TextRecognizerError::Code::unreadableImage);
    picture.key = LineMemory::keyOf(picture.image.image, picture.image.scale, identity);
    return picture;
}

// What the engine read of a line picture, moved onto the page with the corrections made there.
using PageText::placed;

// The pictures of one page read so far or being read, by digest: a log's levels, a table's repeated
// values and a terminal's prompts are drawn alike on every row (their grounds' colours do not matter,
// each line is ink on white), and the engine reads each such picture once. A line whose picture is
// being read by another thread waits as a note, not as a thread: the reader places it too.
class PagePictures {
public:
    struct Waiting {
        qsizetype index;
        PageText::LineImage image;
    };

    // True when the caller is to read `key`; else what was read of it, or nothing while it is being read
    // (`line` is then placed by whoever finishes it).
    bool claim(const QByteArray &key, std::optional<QList<Line>> &known, Waiting line) {
        std::lock_guard lock(m_mutex);
        const auto it = m_entries.find(key);
        if (it == m_entries.end()) {
            m_entries.emplace(key, Entry{});
            return true;
        }
        if (it->second.done) {
            known = it->second.read;
        } else {
            it->second.waiting.push_back(std::move(line));
        }
        return false;
    }

    // Keeps what was read of `key` and hands back the lines that waited for it.
    std::vector<Waiting> finish(const QByteArray &key, const QList<Line> &read) {
        std::lock_guard lock(m_mutex);
        Entry &entry = m_entries[key];
        entry.done = true;
        entry.read = read;
        return std::exchange(entry.waiting, {});
    }

private:
    struct Entry {
        bool done = false;
        QList<Line> read;
        std::vector<Waiting> waiting;
    };
    std::mutex m_mutex;
    std::map<QByteArray, Entry> m_entries;
};

// Reads every line the layout pass found, as many at once as the engine allows (at most `maxWidth`
// when it is above 0), the longest first so that no engine is left with a long one at the end, each
// picture once (or what `memory` has of it); returns them in no particular order.
QList<Line> readAll(platform::TextEngine &e, const QImage &flat, QList<PageText::FoundLine> found,
                    const platform::CancelCheck &cancelled, int maxWidth, LineMemory *memory) {
    std::stable_sort(found.begin(), found.end(), [](const PageText::FoundLine &a, const PageText::FoundLine &b) {
        return costOf(a.box) > costOf(b.box);
    });
    const qsizetype n = found.size();
    std::vector<QList<Line>> results(static_cast<size_t>(n));
    std::atomic<qsizetype> next{0}, done{0};
    std::atomic<bool> failed{false};
    std::mutex errorMutex;
    std::exception_ptr error;
    PagePictures pictures;
    WorkPool &pool = workPool();
    const platform::CancelCheck stop = [&] {
        return failed.load() || pool.closing.load() || (cancelled && cancelled());
    };
    const QByteArray identity = memory ? memory->identity() : QByteArray();
    // Reads line `i` unless its picture is known or being read; false when stopped.
    const auto readOne = [&](qsizetype i) {
        LinePicture picture = pictureOf(flat, found[i], identity);
        std::optional<QList<Line>> known;
        if (!pictures.claim(picture.key, known, {i, picture.image})) {
            if (known) {
                results[size_t(i)] = placed(std::move(*known), picture.image, found[i]);
                ++done;
            }
            return true;
        }
        known = memory ? memory->find(picture.key, picture.image.image.size()) : std::nullopt;
        platform::TextReadResult read;
        if (known) {
            read.lines = std::move(*known);
        } else {
            read = readLineImage(e, picture.image, stop);
            if (read.stopped) return false;
            if (memory) memory->keep(picture.key, picture.image.image.size(), read.lines);
        }
        for (PagePictures::Waiting &w : pictures.finish(picture.key, read.lines)) {
            results[size_t(w.index)] = placed(read.lines, w.image, found[w.index]);
            ++done;
        }
        results[size_t(i)] = placed(std::move(read.lines), picture.image, found[i]);
        ++done;
        return true;
    };
    const std::function<void()> work = [&] {
        for (qsizetype i = next++; i < n && !stop(); i = next++) {
            try {
                if (!readOne(i)) return;
            } catch (...) {
                std::lock_guard lock(errorMutex);
                if (!error) error = std::current_exception();
                failed = true;
                return;
            }
        }
    };
    const int bound = std::max(1, e.maxConcurrentReads());
    const int width = int(std::min<qsizetype>(n, maxWidth > 0 ? std::min(maxWidth, bound) : bound));
    if (pool.helpers.maxThreadCount() < width) pool.helpers.setMaxThreadCount(width);
    runWithHelpers(work, width - 1);
    if (error) std::rethrow_exception(error);
    if (done != n) throw TextRecognizerError(TextRecognizerError::Code::interrupted);
    QList<Line> lines;
    for (QList<Line> &r : results) lines.append(std::move(r));
    return lines;
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
            // An API key: a prefix, maybe "-" or "_", and twelve key characters or more (the last
            // alternative). Tried first, as they run at least as far: the forms the reader makes of
            // one, whose body (twelve characters or more) must then hold a digit, as
            // random keys do and words do not: an underscore read as a space, a space read beside "_"
            // or "-" after the prefix ("sk live _51Hx…", "ghp _a1B…"), "live" or "test" split off
            // ("sk-live. 51Hx…"), a letter read as a symbol the plain key characters leave out ("¥").
            // The other token prefixes ("ghs_", "xoxr-") count only with their separator, as they
            // begin words too.
            R"(\b(?:(?:(?:sk|pk|rk|ghp|gho|xox[abp]|AKIA)(?:\s?[-_]\s?|\s)?|(?:ghs|ghu|xoxr)\s?[-_]\s?))"
            R"((?:(?:live|test)(?:\s?[-_.]{1,2}\s?|\s))?(?=[A-Za-z_-]*\d))"
            R"((?=(?:[A-Za-z0-9_-]|[^\x00-\x7F\s](?=[A-Za-z0-9_-])){12}))"
            R"([A-Za-z0-9_-]+(?:[^\x00-\x7F\s][A-Za-z0-9_-]+)*|)"
            R"((?:sk|pk|rk|ghp|gho|xox[abp]|AKIA)[-_]?[A-Za-z0-9_-]{12,}))",
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

// How many lines one recognition of this priority reads at once: one for background work, else as
// many as the engine allows.
int linesReadAtOnce(Priority priority) {
    return priority == Priority::background ? 1 : std::max(1, engine().maxConcurrentReads());
}

qreal medianOf(std::vector<qreal> values) {
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + qsizetype(values.size()) / 2, values.end());
    return values[values.size() / 2];
}

// Whether a piece reads like the random part of a key rather than a word: long, and its case flips
// back and forth or digits run through its letters ("JOkLmMNoPqRs", "a1B2c3"), as in no written word.
bool scrambled(const QString &piece) {
    if (piece.size() < 8) return false;
    int flips = 0, digits = 0, letters = 0;
    for (qsizetype i = 0; i < piece.size(); ++i) {
        const QChar c = piece.at(i);
        digits += c.isDigit();
        letters += c.isLetter();
        if (i > 0 && c.isLetter() && piece.at(i - 1).isLetter() && c.isUpper() != piece.at(i - 1).isUpper()) ++flips;
    }
    return flips >= 4 || (digits >= 2 && letters >= 2 && digits + letters == piece.size());
}

// Where a key found from `start` up to `end` really ends: a key has no spaces, so a space read inside
// one (an underscore taken for one, or left beside a word read again) is no space when the pieces
// either side lie no further apart than the key's letters do, or one of them begins or ends with
// "_" or "-", as no word does, or the piece after a narrow gap is as scrambled as a key's letters are.
// A symbol read in place of one of its letters ("g" as "9/") goes on to a piece as scrambled; a path,
// a domain or words after a dot, slash or comma ("/v1/charges", ".example.com") do not.
qsizetype keyEnd(const Line &line, qsizetype start, qsizetype end) {
    static const QRegularExpression piece(
        QStringLiteral(R"(\G([^A-Za-z0-9_-])([A-Za-z0-9_-]*[A-Za-z0-9][A-Za-z0-9_-]*))"));
    std::vector<qreal> gaps, advances;
    const Line::Glyph *previous = nullptr;
    for (const Line::Glyph &g : line.glyphs) {
        if (g.start < start || g.start >= end) continue;
        if (previous) {
            gaps.push_back(g.box.left() - previous->box.right());
            advances.push_back(g.box.left() - previous->box.left());
        }
        previous = &g;
    }
    // A word space is at least an eighth of the line's height wider than the gaps between letters.
    const qreal widest = medianOf(gaps) + 0.12 * line.box.height();
    // In a monospace font, where letters advance evenly, it is a whole letter's advance more; the
    // gaps beside a narrow letter there are as wide as a space in other fonts.
    const qreal pitch = medianOf(advances);
    const bool even =
        advances.size() >= 8 && 5 * std::count_if(advances.begin(), advances.end(),
                                                  [&](qreal a) { return std::abs(a - pitch) <= 0.2 * pitch; }) >=
                                    4 * qsizetype(advances.size());
    for (;;) {
        const QRegularExpressionMatch m = piece.match(line.text, end);
        if (!m.hasMatch()) return end;
        const QString next = m.captured(2);
        if (!m.captured(1).front().isSpace()) {
            if (!scrambled(next)) return end;
            end = m.capturedEnd(2);
            continue;
        }
        const QChar last = line.text.at(end - 1), first = next.front();
        const auto joiner = [](QChar c) { return c == QLatin1Char('_') || c == QLatin1Char('-'); };
        bool joined = joiner(last) || joiner(first);
        const std::optional<QRectF> before = line.boxOf(end - 1, 1), after = line.boxOf(m.capturedStart(2), 1);
        if (!joined && before && after) {
            const qreal gap = after->left() - before->right();
            joined = gap < widest || (even && after->left() - before->left() < 1.5 * pitch) ||
                     (gap < line.box.height() && scrambled(next));
        }
        if (!joined) return end;
        end = m.capturedEnd(2);
    }
}

} // namespace

void setEngine(platform::TextEngine *e) { g_engine = e; }

void rememberBackgroundLines(int lines, const QString &file) {
    LineMemory &memory = lineMemory();
    memory.setCapacity(lines);
    const QByteArray engineIdentity = engine().identity();
    if (lines > 0 && !file.isEmpty() && !engineIdentity.isEmpty())
        memory.attach(file, LineMemory::programIdentity() + '\n' + engineIdentity);
    else
        memory.attach({}, {});
}

bool saveRememberedLines() { return lineMemory().save(); }

std::shared_ptr<void> keepReady() { return engine().keepReady(); }

QImage downscaled(const QImage &image, int maxSide) {
    const int longest = std::max(image.width(), image.height());
    if (image.isNull() || maxSide >= longest || maxSide < 1) return image;
    const double factor = double(maxSide) / longest;
    const int w = std::max(1, int(image.width() * factor));
    const int h = std::max(1, int(image.height() * factor));
    const QImage scaled = image.scaled(w, h, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return scaled.isNull() ? image : scaled;
}

namespace {

QList<Line> readLinesWithin(const QImage &image, const platform::CancelCheck &cancelled, int width,
                            LineMemory *memory = nullptr) {
    if (image.isNull()) throw TextRecognizerError(TextRecognizerError::Code::unreadableImage);
    const std::optional<PageText::Page> page = PageText::layOut(downscaled(image, kMaxSide));
    if (!page) throw TextRecognizerError(TextRecognizerError::Code::unreadableImage);
    if (page->lines.isEmpty()) return {};
    const platform::CancelCheck stop = [&] { return workPool().closing.load() || (cancelled && cancelled()); };
    return PageText::arranged(readAll(engine(), page->flat, page->lines, stop, width, memory), page->flat.size(),
                              image.size());
}

} // namespace

QList<Line> readLines(const QImage &image, const platform::CancelCheck &cancelled) {
    return readLinesWithin(image, cancelled, 0);
}

QString describe(const QException &error) {
    if (const auto *e = dynamic_cast<const TextRecognizerError *>(&error)) return e->message();
    if (const auto *e = dynamic_cast<const platform::TextEngineError *>(&error)) return L(LKey(e->message()));
    return L("A leitura de texto falhou.");
}

QString joinedText(const QList<Line> &lines) {
    QStringList rows;
    for (const QList<qsizetype> &row : PageText::rowsOf(lines)) {
        QStringList pieces;
        for (const qsizetype i : row) pieces.append(lines[i].text);
        rows.append(pieces.join(QLatin1Char(' ')));
    }
    return rows.join(QLatin1Char('\n'));
}

QList<QRectF> sensitiveRegions(const QList<Line> &lines) {
    QList<QRectF> regions;
    for (const Line &line : lines) {
        const QList<QRegularExpression> &patterns = sensitivePatterns();
        for (qsizetype p = 0; p < patterns.size(); ++p) {
            auto matches = patterns[p].globalMatch(line.text);
            while (matches.hasNext()) {
                const QRegularExpressionMatch m = matches.next();
                const bool key = p == patterns.size() - 1;
                const qsizetype end = key ? keyEnd(line, m.capturedStart(), m.capturedEnd()) : m.capturedEnd();
                const std::optional<QRectF> box = line.boxOf(m.capturedStart(), end - m.capturedStart());
                if (box) regions.append(box->adjusted(-4, -3, 4, 3));
            }
        }
    }
    return regions;
}

QFuture<QString> recognize(const QImage &image, std::chrono::milliseconds timeout, Priority priority) {
    LineMemory *memory = priority == Priority::background && lineMemory().enabled() ? &lineMemory() : nullptr;
    return withTimeout<QString>(timeout, priority,
                                [image, width = linesReadAtOnce(priority), memory](const platform::CancelCheck &stop) {
                                    return joinedText(readLinesWithin(image, stop, width, memory));
                                });
}

QFuture<QList<QRectF>> sensitiveRegions(const QImage &image, std::chrono::milliseconds timeout) {
    return withTimeout<QList<QRectF>>(timeout, Priority::userInitiated, [image](const platform::CancelCheck &stop) {
        return sensitiveRegions(readLines(image, stop));
    });
}

} // namespace TextRecognizer
