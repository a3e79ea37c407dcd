#pragma once

#include <QSize>
#include <QString>

#include <chrono>
#include <functional>

// Reads the text of picture files somewhere other than the caller's own process, for work nobody
// waits for (the history index). An implementation that cannot read at all answers `notStarted`, and
// the caller reads in its own process instead.
class BackgroundTextReader {
public:
    // How a read ended. `crashed`: the reader died, hung past its deadline or answered nonsense while
    // reading this file (the file may be to blame, or may not).
    enum class Outcome { text, notAPicture, unreadableImage, engineUnavailable, timeout, failed, crashed, notStarted };
    struct Result {
        Outcome outcome = Outcome::failed;
        QString text;   // with `text`
        QSize size;     // the picture's pixel size, when it was decoded
        QString detail; // what the engine said, with engineUnavailable and failed
    };
    using Done = std::function<void(const Result &)>;

    virtual ~BackgroundTextReader() = default;

    // Reads the picture file at `path`, recognition limited to `limit`; reads run one after another in
    // the order asked. `done` is called once, later, on the caller's thread, unless the read is
    // cancelled first. Returns the read's id (never 0).
    virtual quint64 read(const QString &path, std::chrono::milliseconds limit, Done done) = 0;
    // Nobody wants read `id` any more: its `done` is not called. Unknown ids are ignored.
    virtual void cancel(quint64 id) = 0;
};
