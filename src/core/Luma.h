#pragma once

#include <QtGlobal>

// The luma of a 0xRRGGBB colour, 0 (black) to 1 (white): (0.299 R + 0.587 G + 0.114 B) / 255 over the
// 8-bit channels. It decides label ink, the logo's automatic variant and which colours can lead a brand.
inline double lumaOf(quint32 rgb) {
    return (0.299 * ((rgb >> 16) & 0xFF) + 0.587 * ((rgb >> 8) & 0xFF) + 0.114 * (rgb & 0xFF)) / 255.0;
}
