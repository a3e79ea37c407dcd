#pragma once

#include "platform/TextEngine.h"

#include <QException>
#include <QFuture>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QString>

#include <chrono>
#include <memory>

// A recognition that did not give the text: its time limit passed first, the image could not be
// prepared for reading, or the run was stopped because the application is quitting. (Failures of the
// engine itself arrive as platform::TextEngineError.)
class TextRecognizerError : public QException {
public:
    enum class Code { timeout, unreadableImage, interrupted };

    explicit TextRecognizerError(Code code = Code::timeout) : m_code(code) {}
    Code code() const { return m_code; }
    // For timeout "A leitura demorou demais. Tente capturar um trecho menor.", in the current language.
    QString message() const;
    const char *what() const noexcept override;
    void raise() const override { throw *this; }
    TextRecognizerError *clone() const override { return new TextRecognizerError(*this); }
    friend bool operator==(const TextRecognizerError &a, const TextRecognizerError &b) { return a.m_code == b.m_code; }

private:
    Code m_code;
};

inline size_t qHash(const TextRecognizerError &e, size_t seed = 0) { return ::qHash(int(e.code()), seed); }

// Reads the text inside an image on this machine.
//
// The asynchronous calls return a QFuture that finishes exactly once, from a worker thread: with the
// result, or with an exception (TextRecognizerError, platform::TextEngineError); never with an empty
// result standing for a failure. From the main thread use it without blocking:
//
//     TextRecognizer::recognize(image, 15s, TextRecognizer::Priority::userInitiated)
//         .then(this, [this](const QString &text) { ... })
//         .onFailed(this, [this](const QException &e) { toast(TextRecognizer::describe(e)); });
//
// The continuation runs on `this`'s thread and is dropped when `this` is gone. At the limit the caller
// gets the timeout at once and the abandoned recognition is stopped; cancelling the future stops it too.
// Recognitions run on a pool of their own, at most platform::TextEngine::maxConcurrentReads() at a
// time; waiting in that queue counts against the limit. Each one finds the lines of text in its image
// (a layout pass of our own, made for screens) and reads them at once on the engine's pool, so a
// dense capture uses every core, while the engine reads running in the whole process stay within the
// engine's bound.
namespace TextRecognizer {

// Queue order of waiting recognitions: user-initiated work goes ahead of utility work. Background
// work (an index nobody is waiting for) runs one recognition at a time on a thread of lowered
// priority and reads one line at a time, so it keeps one engine and one core however long its queue.
enum class Priority { background, utility, userInitiated };

using Line = platform::TextLine;

// The text of `image` as joinedText gives it; "" when it holds no text. A line without a visible
// character is no line.
QFuture<QString> recognize(const QImage &image, std::chrono::milliseconds timeout, Priority priority);

// One rectangle, in pixels of `image` (origin top left), per match of the sensitive-data patterns
// (e-mail address, CPF, CNPJ, phone number, card number, API key) in each line, with a margin of 4
// pixels left and right and 3 above and below; ordered by line, pattern, match. Not clipped, not
// merged. Runs at user-initiated priority.
QFuture<QList<QRectF>> sensitiveRegions(const QImage &image, std::chrono::milliseconds timeout);

// Background recognitions remember what the engine read of the last `lines` line pictures, so that a
// line drawn exactly as one read before (most of a screen captured again in a burst) is not read
// again: what it gives is what reading it again would. 0, the default, remembers none. For a process
// that does little but background reads (the history's reader process): what is remembered stays.
// With `file`, they start from what it holds and saveRememberedLines keeps what they read there
// (LineMemory), so that processes started one after the other share it; not when the engine cannot
// tell what sets its readings apart.
void rememberBackgroundLines(int lines, const QString &file = {});

// Writes what background recognitions remember to their file when they read something since;
// false when it could not be written.
bool saveRememberedLines();

// Keeps the engine ready to read while the returned token lives (platform::TextEngine::keepReady):
// held by what may soon ask for text, such as an editor on the screen.
std::shared_ptr<void> keepReady();

// --- The synchronous core, used by the calls above and directly by tests and benchmarks. ---

// The lines of `image` in reading order (PageText::rowsOf), with boxes in pixels of `image`; no line is blank
// and no ink is read twice. The image is read at most 3000 pixels on its longer side. Throws
// platform::TextEngineError, and TextRecognizerError: unreadableImage for a null image or one that
// cannot be prepared, interrupted when `cancelled` turned true or the engine was shutting down before
// the lines were all read.
QList<Line> readLines(const QImage &image, const platform::CancelCheck &cancelled = {});

// What to show the user for a failed recognition: the message of a TextRecognizerError or of a
// platform::TextEngineError in the current language, else a general one.
QString describe(const QException &error);

// What the user copies: the texts of `lines` in reading order, the pieces of a row joined by a space
// into one line, the lines joined by "\n".
QString joinedText(const QList<Line> &lines);

// The sensitive-data rectangles of lines already read (see sensitiveRegions).
QList<QRectF> sensitiveRegions(const QList<Line> &lines);

// `image` scaled so that its longer side is at most `maxSide`; the very same image when it already is.
QImage downscaled(const QImage &image, int maxSide);

// The engine readLines uses; tests put a substitute in place (nullptr restores Tesseract). Not to be
// changed while recognitions run.
void setEngine(platform::TextEngine *engine);

} // namespace TextRecognizer
