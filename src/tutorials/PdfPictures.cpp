#include "tutorials/PdfPictures.h"

#include "platform/Deflater.h"

#include <QIODevice>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>

// Passes Qt's document on to the target, keeping what the caller needs to read back: the bytes
// written while a stand-in is drawn, and the document's end with its trailer.
class PdfPictures::Tap : public QIODevice {
public:
    explicit Tap(QIODevice *device) : target(device) { open(QIODevice::WriteOnly); }

    QIODevice *target;
    qint64 written = 0;
    bool capturing = false;
    QByteArray captured;
    QByteArray tail;
    QString error;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 length) override {
        if (target->write(data, length) != length) {
            error = target->errorString();
            setErrorString(error);
            return -1;
        }
        written += length;
        if (capturing) captured.append(data, length);
        tail.append(data, length);
        if (tail.size() > 16 * 1024) tail.remove(0, tail.size() - 8 * 1024);
        return length;
    }
};

namespace {

// Qt writes an image as "N 0 obj << /Type /XObject /Subtype /Image /Width w /Height h …".
int standInObject(const QByteArray &bytes) {
    static const QRegularExpression image(
        QStringLiteral(R"((\d+)\s+0\s+obj\s*<<[^>]*?/Subtype\s*/Image\s[^>]*?/Width\s+1\s+/Height\s+1\s)"));
    const QRegularExpressionMatch match = image.match(QString::fromLatin1(bytes));
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

qint64 lastNumberAfter(const QString &text, const QString &pattern) {
    QRegularExpressionMatch last;
    for (const QRegularExpressionMatch &match : QRegularExpression(pattern).globalMatch(text)) last = match;
    return last.hasMatch() ? last.captured(1).toLongLong() : -1;
}

// The picture as the page shows it, opaque: laid over the background where it is transparent.
QImage opaque(const QImage &picture, const QColor &background) {
    if (!picture.hasAlphaChannel()) return picture.convertToFormat(QImage::Format_RGB32);
    QImage flat(picture.size(), QImage::Format_RGB32);
    if (flat.isNull()) return flat;
    flat.fill(background);
    QPainter painter(&flat);
    painter.drawImage(0, 0, picture);
    return flat;
}

QByteArray compressedRgb(const QImage &image) {
    platform::Deflater deflater;
    QByteArray row(qsizetype(image.width()) * 3, Qt::Uninitialized);
    for (int y = 0; y < image.height(); ++y) {
        const auto *pixels = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        char *out = row.data();
        for (int x = 0; x < image.width(); ++x) {
            *out++ = static_cast<char>(qRed(pixels[x]));
            *out++ = static_cast<char>(qGreen(pixels[x]));
            *out++ = static_cast<char>(qBlue(pixels[x]));
        }
        if (!deflater.append(row.constData(), row.size())) return {};
    }
    return deflater.finish();
}

} // namespace

PdfPictures::PdfPictures(QIODevice *target) : m_tap(std::make_unique<Tap>(target)) {}

PdfPictures::~PdfPictures() = default;

QIODevice *PdfPictures::device() { return m_tap.get(); }

QImage PdfPictures::standIn() const {
    QImage image(1, 1, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

void PdfPictures::beginPicture() {
    m_tap->captured.clear();
    m_tap->capturing = true;
}

bool PdfPictures::endPicture(const QImage &picture, const QColor &background) {
    m_tap->capturing = false;
    const int object = standInObject(m_tap->captured);
    m_tap->captured.clear();
    if (object <= 0 || (!m_pictures.isOpen() && !m_pictures.open())) return false;
    const QImage flat = opaque(picture, background);
    const QByteArray data = flat.isNull() ? QByteArray() : compressedRgb(flat);
    if (data.isEmpty()) return false;
    const QByteArray head = QStringLiteral("%1 0 obj\n<<\n/Type /XObject\n/Subtype /Image\n/Width %2\n/Height %3\n"
                                           "/BitsPerComponent 8\n/ColorSpace /DeviceRGB\n/Filter /FlateDecode\n"
                                           "/Length %4\n>>\nstream\n")
                                .arg(object)
                                .arg(flat.width())
                                .arg(flat.height())
                                .arg(data.size())
                                .toLatin1();
    const qint64 offset = m_pictures.pos();
    const QByteArray end("\nendstream\nendobj\n");
    if (m_pictures.write(head) != head.size() || m_pictures.write(data) != data.size() ||
        m_pictures.write(end) != end.size())
        return false;
    m_replacements.append({object, offset});
    return true;
}

bool PdfPictures::finish(QString *error) {
    const auto fail = [error](const QString &reason) {
        if (error) *error = reason;
        return false;
    };
    if (!m_tap->error.isEmpty()) return fail(m_tap->error);
    const QString tail = QString::fromLatin1(m_tap->tail);
    const qint64 previous = lastNumberAfter(tail, QStringLiteral(R"(startxref\s+(\d+))"));
    const qint64 size = lastNumberAfter(tail, QStringLiteral(R"(/Size\s+(\d+))"));
    const qint64 root = lastNumberAfter(tail, QStringLiteral(R"(/Root\s+(\d+)\s+0\s+R)"));
    const qint64 info = lastNumberAfter(tail, QStringLiteral(R"(/Info\s+(\d+)\s+0\s+R)"));
    if (previous < 0 || size < 0 || root < 0) return fail(QStringLiteral("unexpected PDF trailer"));
    if (m_replacements.isEmpty()) return true;

    QIODevice *target = m_tap->target;
    const qint64 base = m_tap->written;
    if (!m_pictures.seek(0)) return fail(m_pictures.errorString());
    QByteArray chunk;
    while (!(chunk = m_pictures.read(1 << 20)).isEmpty())
        if (target->write(chunk) != chunk.size()) return fail(target->errorString());

    std::sort(m_replacements.begin(), m_replacements.end(),
              [](const Replacement &a, const Replacement &b) { return a.object < b.object; });
    QByteArray update("xref\n");
    for (const Replacement &r : m_replacements)
        update += QByteArray::number(r.object) + " 1\n" +
                  QString::asprintf("%010lld 00000 n\r\n", static_cast<long long>(base + r.offset)).toLatin1();
    update += "trailer\n<<\n/Size " + QByteArray::number(size) + "\n/Root " + QByteArray::number(root) + " 0 R\n";
    if (info >= 0) update += "/Info " + QByteArray::number(info) + " 0 R\n";
    update += "/Prev " + QByteArray::number(previous) + "\n>>\nstartxref\n" +
              QByteArray::number(base + m_pictures.size()) + "\n%%EOF\n";
    if (target->write(update) != update.size()) return fail(target->errorString());
    return true;
}
