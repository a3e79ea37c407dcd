#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QList>
#include <QString>
#include <QTemporaryFile>

#include <memory>

class QIODevice;

// Screenshots of a PDF that Qt draws, written by us instead. Qt's PDF engine compresses every picture
// at zlib's default level, several times slower than screenshots need; here Qt draws each page with a
// one-pixel stand-in where a screenshot goes, and the screenshots, compressed fast and losslessly,
// follow the document as an incremental update that replaces the stand-ins (an update every PDF
// reader applies). A screenshot is compressed as soon as its page is drawn, into a temporary file, so
// only one is in memory at a time.
class PdfPictures {
public:
    // Everything ends up on `target` (open for writing).
    explicit PdfPictures(QIODevice *target);
    ~PdfPictures();

    // The device to hand to QPdfWriter: it passes everything on to the target.
    QIODevice *device();

    // A fresh stand-in to draw where the next screenshot goes, between beginPicture and endPicture.
    QImage standIn() const;
    void beginPicture();
    // `picture` (laid over `background`, as the page shows it) replaces the stand-in drawn since
    // beginPicture. False when no stand-in was drawn or compressing failed.
    bool endPicture(const QImage &picture, const QColor &background);

    // After Qt ended the document: appends the screenshots and the update's cross-reference table.
    // False, with the reason in `error`, when the target refused the bytes or Qt's document was not
    // what was expected.
    bool finish(QString *error);

    class Tap; // the device between Qt and the target

private:
    struct Replacement {
        int object = 0;
        qint64 offset = 0; // in the temporary file
    };
    std::unique_ptr<Tap> m_tap;
    QTemporaryFile m_pictures;
    QList<Replacement> m_replacements;
};
