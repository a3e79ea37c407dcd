#pragma once

#include <QtGlobal>

#include <numeric>
#include <vector>

// Connected sets of pixels in a w × h raster, numbered 0 … count() - 1 in the order of their first
// pixel in scan order; a pixel no set takes (see `member`) gets -1. `joined(a, b)` tells whether
// two neighbouring members (by index y * w + x) belong together; neighbours are the 4 or 8 around.
class PixelRegions {
public:
    template <typename Member, typename Joined>
    PixelRegions(int w, int h, bool diagonal, Member member, Joined joined) : m_label(size_t(w) * size_t(h), -1) {
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const qint32 i = y * w + x;
                if (!member(i)) continue;
                m_label[size_t(i)] = i;
                const auto link = [&](int nx, int ny) {
                    const qint32 n = ny * w + nx;
                    if (m_label[size_t(n)] >= 0 && joined(i, n)) join(i, n);
                };
                if (x > 0) link(x - 1, y);
                if (y > 0) {
                    link(x, y - 1);
                    if (diagonal && x > 0) link(x - 1, y - 1);
                    if (diagonal && x + 1 < w) link(x + 1, y - 1);
                }
            }
        }
        for (qint32 i = 0; i < qint32(m_label.size()); ++i) {
            if (m_label[size_t(i)] >= 0) m_label[size_t(i)] = find(i);
        }
        // A root is the smallest index of its set, so a pass in scan order numbers each root before
        // any pixel that points at it.
        for (size_t i = 0; i < m_label.size(); ++i) {
            if (m_label[i] < 0) continue;
            m_label[i] = m_label[i] == qint32(i) ? m_count++ : m_label[size_t(m_label[i])];
        }
    }

    int count() const { return m_count; }
    qint32 at(size_t i) const { return m_label[i]; }
    size_t size() const { return m_label.size(); }
    // The label of every pixel, row by row; leaves this object empty.
    std::vector<qint32> takeLabels() { return std::move(m_label); }

private:
    qint32 find(qint32 i) {
        while (m_label[size_t(i)] != i) {
            m_label[size_t(i)] = m_label[size_t(m_label[size_t(i)])];
            i = m_label[size_t(i)];
        }
        return i;
    }
    void join(qint32 a, qint32 b) {
        a = find(a);
        b = find(b);
        if (a == b) return;
        if (a < b) std::swap(a, b);
        m_label[size_t(a)] = b;
    }

    std::vector<qint32> m_label;
    int m_count = 0;
};
