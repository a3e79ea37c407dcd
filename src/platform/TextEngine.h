#pragma once

#include <QException>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace platform {

// One line of text as the engine read it. Boxes are in pixels of the image handed to the engine,
// origin top left; the caller maps them to whatever image it started from.
struct TextLine {
    // One recognised character (or ligature) and the UTF-16 range of `text` it produced.
    struct Glyph {
        qsizetype start = 0;
        qsizetype length = 0;
        QRectF box;
    };

    // One word and the engine's confidence in it, 0 to 100.
    struct Word {
        qsizetype start = 0;
        qsizetype length = 0;
        QRectF box;
        int confidence = 100;
    };

    QString text; // words joined by single spaces, as read
    QRectF box;
    QList<Glyph> glyphs;
    // The words as the engine read them, for deciding what to read again; corrections of the text
    // made after reading do not keep them in step.
    QList<Word> words = {};

    // The union of the boxes of the glyphs that overlap text[start, start + length); none when the
    // range holds no glyph (only spaces, or outside the text).
    std::optional<QRectF> boxOf(qsizetype start, qsizetype length) const;
};

// The engine could not start (no language data, a broken install) or failed while reading. Its
// message is a Portuguese text key: show it through L.
class TextEngineError : public QException {
public:
    enum class Kind { unavailable, failed };

    explicit TextEngineError(QString detail, Kind kind = Kind::unavailable)
        : m_detail(std::move(detail)), m_kind(kind) {}
    Kind kind() const { return m_kind; }
    QString message() const;
    QString detail() const { return m_detail; }
    const char *what() const noexcept override { return "text engine failed"; }
    void raise() const override { throw *this; }
    TextEngineError *clone() const override { return new TextEngineError(*this); }

private:
    QString m_detail;
    Kind m_kind;
};

// Polled during recognition: true stops the run as soon as the engine next looks (between words).
using CancelCheck = std::function<bool()>;

// What one read produced. `stopped` is true when it was cancelled or the engine is shutting down:
// the lines are then incomplete.
struct TextReadResult {
    QList<TextLine> lines;
    bool stopped = false;
    int confidence = 0; // the engine's mean confidence in what it read, 0 to 100
};

// Reads text in 8-bit greyscale images, dark text on a light ground. Implementations are
// thread-safe; each call uses one thread.
class TextEngine {
public:
    virtual ~TextEngine() = default;

    // Reads `line`, an image of one line of text on a clean white ground (usually one line comes
    // back; none when it held no text). `magnification` is how many image pixels stand for one
    // screen pixel (text enlarged twice for reading gives 2). Throws TextEngineError.
    virtual TextReadResult readLine(const QImage &line, qreal magnification, const CancelCheck &cancelled) = 0;

    // Reads `strip`, words cut out of lines readLine read with little confidence and set side by
    // side, with a second model that knows what the first lacks (readLine's Portuguese has no "_",
    // "@", "#", "~", braces or backslash). By default there is none and nothing is read.
    virtual TextReadResult rereadLine(const QImage &strip, qreal magnification, const CancelCheck &cancelled) {
        (void)strip, (void)magnification, (void)cancelled;
        return {};
    }

    // How many calls may usefully run at once; more callers wait for a free engine.
    virtual int maxConcurrentReads() const = 0;

    // What sets what this engine reads of a picture apart from what another would: its models, their
    // files and its settings, told without starting it. What was read of a picture is worth keeping
    // (across processes) only for the same identity; by default there is none and nothing is kept.
    virtual QByteArray identity() const { return {}; }

    // Keeps the engine ready to read while the returned token lives, starting it in the background
    // shortly after the first token is taken: a window that may soon ask for text holds one, so that
    // its first read pays no start. By default there is nothing to keep. Any thread.
    virtual std::shared_ptr<void> keepReady() { return {}; }
};

// The Tesseract engine (LSTM models from TESSDATA_PREFIX, else Debian's tessdata folder): readLine
// reads with "por" (with "eng" when there is no Portuguese data), rereadLine with "eng". Initialised
// engines are kept for reuse, at most maxConcurrentReads() of each model (one per core, up to eight);
// a caller beyond that waits for a free one (and gives up when cancelled). Each is freed a minute after
// its last read, but for the ones keepReady keeps, and the engine's module with the last once nobody
// keeps it ready (TextEngineModule.h): the first read loads it, on the reading thread.
TextEngine &tesseractEngine();

// Debian's libtesseract runs its LSTM through OpenMP, whose thread limit is read from the environment
// when the library loads, before main. On a 2-core machine the OpenMP worker threads fight over the
// cores and a recognition takes several times longer, so Pelicarta always runs with
// OMP_THREAD_LIMIT=1 (each recognition is single-threaded; parallelism comes from running several).
// Call first thing in main: when the variable is not "1" it is set and the program is executed again
// with the same arguments; returns only when the environment is right or re-executing failed.
void ensureSingleThreadedOpenMP(int argc, char **argv);

} // namespace platform
