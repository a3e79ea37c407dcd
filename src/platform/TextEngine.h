#pragma once

#include <QException>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

#include <functional>
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

    QString text; // words joined by single spaces, as read
    QRectF box;
    QList<Glyph> glyphs;

    // The union of the boxes of the glyphs that overlap text[start, start + length); none when the
    // range holds no glyph (only spaces, or outside the text).
    std::optional<QRectF> boxOf(qsizetype start, qsizetype length) const;
};

// The engine could not start (no language data, a broken install). Its message is a Portuguese text
// key: show it through L.
class TextEngineError : public QException {
public:
    explicit TextEngineError(QString detail) : m_detail(std::move(detail)) {}
    QString message() const;
    QString detail() const { return m_detail; }
    const char *what() const noexcept override { return "text engine unavailable"; }
    void raise() const override { throw *this; }
    TextEngineError *clone() const override { return new TextEngineError(*this); }

private:
    QString m_detail;
};

// Polled during recognition: true stops the run as soon as the engine next looks (between words).
using CancelCheck = std::function<bool()>;

// What one read produced; `recognitionRan` is false when the cheap pre-pass found no text.
struct TextReadResult {
    QList<TextLine> lines;
    bool recognitionRan = false;
    bool cancelled = false;
};

// Reads the text of an 8-bit greyscale image, dark text on a light ground, in the engine's own
// order. Implementations are thread-safe; one read uses one thread.
class TextEngine {
public:
    virtual ~TextEngine() = default;
    // Throws TextEngineError when the engine cannot run at all.
    virtual TextReadResult read(const QImage &grey, const CancelCheck &cancelled) = 0;
    // How many reads may usefully run at once; more callers should queue.
    virtual int maxConcurrentReads() const = 0;
};

// The Tesseract engine ("por+eng" LSTM models from TESSDATA_PREFIX, else Debian's tessdata folder).
// Initialised engines are kept for reuse, at most maxConcurrentReads() of them; a caller beyond that
// waits for a free one (and gives up when cancelled).
TextEngine &tesseractEngine();

// Debian's libtesseract runs its LSTM through OpenMP, whose thread limit is read from the environment
// when the library loads, before main. On a 2-core machine the OpenMP worker threads fight over the
// cores and a recognition takes several times longer, so Pelicarta always runs with
// OMP_THREAD_LIMIT=1 (each recognition is single-threaded; parallelism comes from running several).
// Call first thing in main: when the variable is not "1" it is set and the program is executed again
// with the same arguments; returns only when the environment is right or re-executing failed.
void ensureSingleThreadedOpenMP(int argc, char **argv);

} // namespace platform
