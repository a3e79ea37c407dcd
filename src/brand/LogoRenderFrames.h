#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// What the logo render process (LogoRenderChild) and the loader that starts it (LogoRenderProcess)
// exchange: one request on the child's standard input, one answer on its standard output, each a
// magic word and fixed fields before its payload. Every length is checked against the data and the
// limits below before anything is allocated, so broken or hostile output is refused, never trusted.
namespace LogoRenderFrames {

enum class Kind : quint8 { pdf = 1, postScript = 2, svg = 3 };

struct Request {
    Kind kind = Kind::pdf;
    QSize box;             // the document is drawn to touch this box
    QString ghostscript;   // the gs program for PostScript; empty means "gs" on the PATH
    quint32 timeoutMs = 0; // how long drawing may take (poppler's and gs's own limit)
    QByteArray document;
};

enum class Outcome : quint8 {
    drawn = 0,      // `image` holds the drawing
    unreadable = 1, // not a document of that kind (or its program is missing): try the next reader
    failed = 2,     // a document of that kind that could not be drawn
};

struct Answer {
    Outcome outcome = Outcome::failed;
    QImage image;   // Format_ARGB32_Premultiplied, within the request's box, when drawn
    QString detail; // what went wrong, for the log
};

// The largest document sent, and the longest gs path and detail accepted.
constexpr qsizetype maxDocument = qsizetype(100) << 20;
constexpr qsizetype maxText = 4096;

QByteArray encode(const Request &request);
QByteArray encode(const Answer &answer);

// The request in all of `bytes` (the child's whole input), or none when it is not exactly one.
std::optional<Request> decodeRequest(const QByteArray &bytes);
// The answer in all of `bytes`, or none when it is not exactly one with a drawing that fits `box`.
std::optional<Answer> decodeAnswer(const QByteArray &bytes, QSize box);

} // namespace LogoRenderFrames
