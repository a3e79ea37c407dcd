#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>

// The frames a reader process and the program that started it exchange over its standard input and
// output: a read request (a file path and a time limit) one way, its result the other. Each frame is
// a fixed header (a magic word, the kind, the request's id, the payload's length) and a payload; a
// parser takes bytes as they come and refuses anything that is not a well-formed frame, so broken
// or hostile output is detected, never trusted.
namespace TextReaderFrames {

struct Request {
    quint32 id = 0;
    std::chrono::milliseconds limit{0};
    QString path;

    bool operator==(const Request &) const = default;
};

struct Response {
    quint32 id = 0;
    quint8 outcome = 0; // a BackgroundTextReader::Outcome
    quint32 width = 0;
    quint32 height = 0;
    QString text;

    bool operator==(const Response &) const = default;
};

// The largest payload accepted: a path, or a recognised text (far larger than any screen holds).
constexpr qsizetype maxPayload = 16 * 1024 * 1024;

QByteArray encode(const Request &request);
QByteArray encode(const Response &response);

// Collects bytes and cuts frames off their front. After the first malformed frame it stays broken.
class Parser {
public:
    void append(const QByteArray &bytes);
    // The next whole request, if one has arrived; none too when broken.
    std::optional<Request> nextRequest();
    std::optional<Response> nextResponse();
    bool isBroken() const { return m_broken; }
    // Bytes held that are not a whole frame yet.
    qsizetype pending() const { return m_buffer.size(); }

private:
    // The payload of the next frame of `kind`, if it is all there.
    std::optional<QByteArray> next(quint8 kind, quint32 *id);

    QByteArray m_buffer;
    bool m_broken = false;
};

} // namespace TextReaderFrames
