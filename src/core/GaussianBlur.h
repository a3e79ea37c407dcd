#pragma once

#include <QImage>

#include <cstdint>
#include <functional>
#include <vector>

class QPainter;

// A Gaussian blur of our own: drawing-API shadows, the selection overlay's backdrop and the editor all
// use it.
//
// How it works, in one place:
// - Three box passes along each row approximate the Gaussian (the sum of three boxes has its variance;
//   each box carries fractional end weights, so the variance is exact rather than rounded to whole
//   pixels). The rows of the result are written transposed, so the second direction is again a pass
//   along rows: walking columns is several times slower.
// - A wide blur first averages the image down by a whole factor k (about σ / 3), blurs the small copy
//   with σ reduced by k (less the variance the averaging already added) and stretches it back
//   bilinearly. A blur that wide has nothing left at the scale of the dropped pixels, so the result
//   stays within a level or two of the full-size blur at a fraction of its cost.
// - Edges are clamped: the pixels beyond the image repeat the nearest edge pixel, so a blur never
//   darkens or fades the image's borders. A shadow mask is given transparent room of its own.
namespace GaussianBlur {

// Blurs are held to this σ: nothing of an image of any sane size survives a wider one anyway.
inline constexpr double maxSigma = 4096;

// The standard deviation, in pixels, of the Gaussian that a shadow's "blur" value stands for: half
// the blur, as drawing APIs define their shadow blur. Negative or non-finite values give 0.
double sigmaForShadowBlur(double blur);

// Blurs an alpha mask in place. A mask in another format is first converted to Format_Alpha8.
// σ of 0 or less, or not a number, leaves the mask as it is.
void blurAlpha8(QImage &alpha8, double sigma);

// A blurred copy of `image`, same size, in Format_ARGB32_Premultiplied; a null image gives a null image.
QImage blurred(const QImage &image, double sigma);

// The blurred coverage of a shape, for shadows: the shape is drawn straight at the reduced scale (so
// no full-size mask is ever made) and read back stretched, row by row, only where it is needed.
class SoftMask {
public:
    // `paint` draws the shape in the mask's full-size pixel coordinates; it is blurred by σ.
    SoftMask(QSize size, double sigma, const std::function<void(QPainter &)> &paint);

    bool isNull() const { return m_small.isNull(); }
    QSize size() const { return m_size; }
    // Pixels x0 … x0 + count − 1 of row y, 0 to 255, into `out`; nothing outside the mask.
    void readRow(int y, int x0, int count, uint8_t *out) const;

private:
    QSize m_size;
    int m_factor = 1;
    QImage m_small; // Format_Alpha8, one pixel per m_factor × m_factor block
    struct Column {
        int i0, i1;
        uint32_t f; // weight of i1, of 256
    };
    std::vector<Column> m_columns; // where each full-size column reads m_small
    // The first and last non-zero pixel of each row of m_small (first > last: none). A thin shape's
    // mask is mostly empty, and reading skips what is.
    struct Span {
        int first, last;
    };
    std::vector<Span> m_spans;
};

} // namespace GaussianBlur
