#include "core/TextReaderFrames.h"

#include "core/BackgroundTextReader.h"

#include <QtEndian>

#include <algorithm>

namespace TextReaderFrames {

namespace {

constexpr char magic[4] = {'P', 'T', 'R', '1'};
constexpr qsizetype headerSize = 4 + 1 + 4 + 4;
constexpr quint8 requestKind = 1;
constexpr quint8 responseKind = 2;
// What a reader process may answer: the outcomes only its parent can tell (crashed, not started) are
// not among them.
constexpr quint8 outcomesSent = quint8(BackgroundTextReader::Outcome::crashed);

void appendNumber(QByteArray &bytes, quint32 value) {
    const quint32 le = qToLittleEndian(value);
    bytes.append(reinterpret_cast<const char *>(&le), sizeof le);
}

quint32 numberAt(const QByteArray &bytes, qsizetype at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar *>(bytes.constData() + at));
}

QByteArray frame(quint8 kind, quint32 id, const QByteArray &payload) {
    QByteArray bytes;
    bytes.reserve(headerSize + payload.size());
    bytes.append(magic, sizeof magic);
    bytes.append(char(kind));
    appendNumber(bytes, id);
    appendNumber(bytes, quint32(payload.size()));
    bytes.append(payload);
    return bytes;
}

} // namespace

QByteArray encode(const Request &request) {
    QByteArray payload;
    appendNumber(payload, quint32(std::clamp<qint64>(request.limit.count(), 0, UINT32_MAX)));
    payload.append(request.path.toUtf8());
    return frame(requestKind, request.id, payload);
}

QByteArray encode(const Response &response) {
    QByteArray payload;
    payload.append(char(response.outcome));
    appendNumber(payload, response.width);
    appendNumber(payload, response.height);
    // A text too long for a frame is cut, never sent as a frame the other side refuses.
    payload.append(response.text.toUtf8().left(maxPayload - payload.size()));
    return frame(responseKind, response.id, payload);
}

void Parser::append(const QByteArray &bytes) {
    if (!m_broken) m_buffer.append(bytes);
}

std::optional<QByteArray> Parser::next(quint8 kind, quint32 *id) {
    if (m_broken) return std::nullopt;
    // A wrong magic word is seen as soon as its bytes come, not after a payload's worth of garbage.
    const qsizetype seen = std::min<qsizetype>(m_buffer.size(), sizeof magic);
    if (!std::equal(magic, magic + seen, m_buffer.constData())) m_broken = true;
    if (m_buffer.size() >= headerSize) {
        if (quint8(m_buffer[4]) != kind || numberAt(m_buffer, 9) > quint32(maxPayload)) m_broken = true;
    }
    if (m_broken) {
        m_buffer.clear();
        return std::nullopt;
    }
    if (m_buffer.size() < headerSize) return std::nullopt;
    const qsizetype length = numberAt(m_buffer, 9);
    if (m_buffer.size() < headerSize + length) return std::nullopt;
    *id = numberAt(m_buffer, 5);
    QByteArray payload = m_buffer.mid(headerSize, length);
    m_buffer.remove(0, headerSize + length);
    return payload;
}

std::optional<Request> Parser::nextRequest() {
    quint32 id = 0;
    const std::optional<QByteArray> payload = next(requestKind, &id);
    if (!payload) return std::nullopt;
    if (payload->size() <= 4 || payload->indexOf('\0', 4) >= 0) {
        m_broken = true;
        return std::nullopt;
    }
    return Request{id, std::chrono::milliseconds(numberAt(*payload, 0)), QString::fromUtf8(payload->mid(4))};
}

std::optional<Response> Parser::nextResponse() {
    quint32 id = 0;
    const std::optional<QByteArray> payload = next(responseKind, &id);
    if (!payload) return std::nullopt;
    if (payload->size() < 9 || quint8(payload->at(0)) >= outcomesSent) {
        m_broken = true;
        return std::nullopt;
    }
    return Response{id, quint8(payload->at(0)), numberAt(*payload, 1), numberAt(*payload, 5),
                    QString::fromUtf8(payload->mid(9))};
}

} // namespace TextReaderFrames
