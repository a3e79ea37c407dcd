#pragma once

#include <QImage>

// A Gaussian blur of our own: drawing-API shadows, the selection overlay's backdrop and the editor all
// use it.
//
// How it works, in one place:
// - Three box passes along each row approximate the Gaussian (the sum of three boxes has its variance;
//   each box carries fractional end weights, so the variance is exact rather than rounded to whole
//   pixels). The rows of the result are written transposed, so the second direction is again a pass
//   along rows: walking columns is several times slower.
// - A wide blur first averages the image down by a whole factor k (about σ / 5), blurs the small copy
//   with σ reduced by k (less the variance the averaging already added) and stretches it back
//   bilinearly. A blur that wide has nothing left at the scale of the dropped pixels, so the result
//   stays within a level or two of the full-size blur at a fraction of its cost.
// - Edges are clamped: the pixels beyond the image repeat the nearest edge pixel, so a blur never
//   darkens or fades the image's borders. A shadow mask is given transparent room of its own.
namespace GaussianBlur {

// The standard deviation, in pixels, of the Gaussian that a shadow's "blur" value stands for: half
// the blur, as drawing APIs define their shadow blur. Negative or non-finite values give 0.
double sigmaForShadowBlur(double blur);

// Blurs an alpha mask in place. A mask in another format is first converted to Format_Alpha8.
// σ of 0 or less, or not a number, leaves the mask as it is.
void blurAlpha8(QImage &alpha8, double sigma);

// A blurred copy of `image`, same size, in Format_ARGB32_Premultiplied; a null image gives a null image.
QImage blurred(const QImage &image, double sigma);

} // namespace GaussianBlur
