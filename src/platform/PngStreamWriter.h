#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

class QIODevice;

namespace platform {

// Encodes a PNG a band of rows at a time, so that a picture taller than memory allows is never
// held whole: the caller draws a band, hands it over and draws the next.
class PngStreamWriter {
public:
    enum class Channels { rgb, rgba };

    // Compression levels of zlib, 0 to 9. Screenshots are mostly flat areas, where the fastest
    // level already finds nearly all there is to find.
    static constexpr int fastCompression = 1;

    // A picture of `size` written to `device` (open for writing, left open). `rgb` drops the alpha
    // channel: the caller promises opaque pixels. A size beyond what PNG can hold makes the writer
    // invalid.
    PngStreamWriter(QIODevice *device, QSize size, Channels channels = Channels::rgb,
                    int compression = fastCompression);
    ~PngStreamWriter();
    PngStreamWriter(const PngStreamWriter &) = delete;
    PngStreamWriter &operator=(const PngStreamWriter &) = delete;

    bool isValid() const;
    // The next rows of the picture, top first: a band as wide as the picture, in any format (the
    // premultiplied and 32-bit formats go through without a copy). False once anything failed, or
    // when the band would run past the picture's last row.
    bool writeRows(const QImage &band);
    // Ends the file. False when rows are missing or anything failed.
    bool finish();
    // What failed, in the words of the device or the encoder; empty while nothing did.
    QString errorString() const;

    // A whole image as PNG bytes, with an alpha channel only when some pixel is not opaque; none on
    // failure.
    static std::optional<QByteArray> encode(const QImage &image, int compression = fastCompression);

    struct State; // opaque: the encoder's state, shared with its callbacks

private:
    std::unique_ptr<State> m;
};

} // namespace platform
