#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QRectF>
#include <QSize>
#include <QString>

#include <optional>

namespace platform {

// PostScript and EPS drawn by the ghostscript program, run as a separate process: -dSAFER, a fixed
// page of the requested size (the document cannot enlarge it), an address-space and output-file
// limit, a clean environment and a private, empty temporary folder that is removed afterwards
// (under -dSAFER, gs still lets PostScript write anywhere in $TMPDIR). The document reaches gs through
// a pipe, never as a file. It is killed when it runs past its time. Any thread; blocks the calling
// thread while gs runs.
namespace Ghostscript {

struct Limits {
    QString program;       // the gs program; empty means "gs" on the PATH
    int timeoutMs = 15000; // wall-clock time before gs is killed
    qint64 addressSpace = qint64(1) << 30;
};

// The absolute path of the program to run, or empty when there is none.
QString programPath(const Limits &limits = {});

// The part of a DOS EPS file (first bytes C5 D0 D3 C6) whose offset and length are the little-endian
// 32-bit values at byte `field` and `field` + 4: 4 for the PostScript, 20 for the TIFF preview. None
// unless both are at least 1 and the part lies within the data.
std::optional<QByteArray> dosEpsPart(const QByteArray &bytes, int field);

// The box drawn on the page, in points: %%HiResBoundingBox, else %%BoundingBox, taken from the header
// or, for "(atend)", from the trailer; of the PostScript part of a DOS EPS file. None when there is no
// finite box with a positive width and height.
std::optional<QRectF> boundingBox(const QByteArray &postscript);

// The first page of `postscript` with `box` (points) fitted to exactly `pixels`, on transparent
// paper (Format_ARGB32_Premultiplied). None when gs is missing, fails, is killed, or its output is not
// a picture of that size; `error` then says why.
std::optional<QImage> render(const QByteArray &postscript, const QRectF &box, QSize pixels, const Limits &limits = {},
                             QString *error = nullptr);

// Removes the temporary folders of renders whose process was killed from `tempFolder` (the system's
// temporary folder at start): ours by name and by the marker a render writes (OwnTempFolder), not in
// use by a running render and over a minute old at `now`. Only what a render writes goes: a folder
// holding anything else stays. Returns how many went.
int removeLeftovers(const QString &tempFolder, const QDateTime &now = QDateTime::currentDateTime());

} // namespace Ghostscript
} // namespace platform
