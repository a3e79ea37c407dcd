#pragma once

#include <QImage>
#include <QSize>

#include <vector>

namespace platform {

// Shrinks a picture while it is being decoded, row by row, by averaging square blocks of pixels, so
// that a thumbnail of a large picture never needs the picture whole. The blocks are as large as they can
// be while the result still covers `atLeast` on both sides (a picture smaller than that is kept as it
// is); a final smooth scaling to the exact size is the caller's.
class PixelReducer {
public:
    PixelReducer(QSize source, QSize atLeast);

    // The next row, top to bottom: `source.width()` pixels of 8-bit R, G, B, A (straight alpha).
    void addRow(const uchar *rgba);
    // The reduced picture (Format_ARGB32_Premultiplied) once every row was added; null when the
    // picture was too large to hold even reduced, or rows are missing.
    QImage result() const;

private:
    void flushRow();

    QSize m_source;
    int m_factor = 1;
    QImage m_out;
    std::vector<quint64> m_sums; // premultiplied R, G, B and A of each output pixel of the current row
    int m_rowsIn = 0;            // source rows added
    int m_rowsInBlock = 0;
};

} // namespace platform
