#include "brand/LogoRenderFrames.h"

#include <QtEndian>

#include <cstring>

namespace LogoRenderFrames {

namespace {

const QByteArray requestMagic("PLQ1");
const QByteArray answerMagic("PLA1");

void putU32(QByteArray &out, quint32 value) {
    char raw[4];
    qToLittleEndian(value, raw);
    out.append(raw, 4);
}

void putText(QByteArray &out, const QString &text) {
    const QByteArray utf8 = text.toUtf8().left(maxText);
    putU32(out, quint32(utf8.size()));
    out += utf8;
}

// Reads fields off the front of bytes it never runs past.
class Fields {
public:
    explicit Fields(const QByteArray &bytes) : m_bytes(bytes) {}

    bool magic(const QByteArray &word) {
        if (!has(word.size()) || std::memcmp(m_bytes.constData(), word.constData(), size_t(word.size())) != 0)
            return false;
        m_at += word.size();
        return true;
    }
    std::optional<quint32> u32() {
        if (!has(4)) return std::nullopt;
        const quint32 value = qFromLittleEndian<quint32>(m_bytes.constData() + m_at);
        m_at += 4;
        return value;
    }
    std::optional<quint8> u8() {
        if (!has(1)) return std::nullopt;
        return quint8(m_bytes.at(m_at++));
    }
    std::optional<QByteArray> bytes(qsizetype max) {
        const auto size = u32();
        if (!size || qsizetype(*size) > max || !has(qsizetype(*size))) return std::nullopt;
        const QByteArray part = m_bytes.mid(m_at, qsizetype(*size));
        m_at += qsizetype(*size);
        return part;
    }
    std::optional<QString> text() {
        const auto utf8 = bytes(maxText);
        if (!utf8) return std::nullopt;
        return QString::fromUtf8(*utf8);
    }
    bool has(qsizetype n) const { return n >= 0 && m_bytes.size() - m_at >= n; }
    qsizetype left() const { return m_bytes.size() - m_at; }
    const char *here() const { return m_bytes.constData() + m_at; }

private:
    const QByteArray &m_bytes;
    qsizetype m_at = 0;
};

} // namespace

QByteArray encode(const Request &request) {
    QByteArray out = requestMagic;
    out.append(char(request.kind));
    putU32(out, quint32(std::max(0, request.box.width())));
    putU32(out, quint32(std::max(0, request.box.height())));
    putU32(out, request.timeoutMs);
    putText(out, request.ghostscript);
    putU32(out, quint32(request.document.size()));
    out += request.document;
    return out;
}

QByteArray encode(const Answer &answer) {
    const bool drawn = answer.outcome == Outcome::drawn && !answer.image.isNull();
    const QImage image = drawn ? answer.image.convertToFormat(QImage::Format_ARGB32_Premultiplied) : QImage();
    QByteArray out = answerMagic;
    out.append(char(drawn ? Outcome::drawn : answer.outcome == Outcome::drawn ? Outcome::failed : answer.outcome));
    putU32(out, quint32(image.width()));
    putU32(out, quint32(image.height()));
    putText(out, answer.detail);
    for (int y = 0; y < image.height(); ++y)
        out.append(reinterpret_cast<const char *>(image.constScanLine(y)), qsizetype(image.width()) * 4);
    return out;
}

std::optional<Request> decodeRequest(const QByteArray &bytes) {
    Fields fields(bytes);
    Request request;
    const auto kind = fields.magic(requestMagic) ? fields.u8() : std::nullopt;
    if (!kind || *kind < quint8(Kind::pdf) || *kind > quint8(Kind::svg)) return std::nullopt;
    request.kind = Kind(*kind);
    const auto width = fields.u32(), height = fields.u32(), timeout = fields.u32();
    if (!width || !height || !timeout || *width > 32767 || *height > 32767) return std::nullopt;
    request.box = QSize(int(*width), int(*height));
    request.timeoutMs = *timeout;
    const auto ghostscript = fields.text();
    const auto document = ghostscript ? fields.bytes(maxDocument) : std::nullopt;
    if (!document || fields.left() != 0) return std::nullopt;
    request.ghostscript = *ghostscript;
    request.document = *document;
    return request;
}

std::optional<Answer> decodeAnswer(const QByteArray &bytes, QSize box) {
    Fields fields(bytes);
    const auto outcome = fields.magic(answerMagic) ? fields.u8() : std::nullopt;
    if (!outcome || *outcome > quint8(Outcome::failed)) return std::nullopt;
    const auto width = fields.u32(), height = fields.u32();
    const auto detail = height ? fields.text() : std::nullopt;
    if (!detail) return std::nullopt;
    Answer answer{Outcome(*outcome), QImage(), *detail};
    if (answer.outcome != Outcome::drawn) {
        if (*width != 0 || *height != 0 || fields.left() != 0) return std::nullopt;
        return answer;
    }
    if (*width < 1 || *height < 1 || qint64(*width) > box.width() || qint64(*height) > box.height())
        return std::nullopt;
    const qsizetype row = qsizetype(*width) * 4;
    if (fields.left() != row * qsizetype(*height)) return std::nullopt;
    answer.image = QImage(int(*width), int(*height), QImage::Format_ARGB32_Premultiplied);
    if (answer.image.isNull()) return std::nullopt;
    for (int y = 0; y < answer.image.height(); ++y)
        std::memcpy(answer.image.scanLine(y), fields.here() + row * y, size_t(row));
    return answer;
}

} // namespace LogoRenderFrames
