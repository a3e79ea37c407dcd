#include "platform/PixelReducer.h"

#include <algorithm>

namespace platform {

PixelReducer::PixelReducer(QSize source, QSize atLeast) : m_source(source) {
    if (source.isEmpty() || atLeast.isEmpty()) return;
    m_factor = std::max(1, std::min(source.width() / atLeast.width(), source.height() / atLeast.height()));
    const QSize out((source.width() + m_factor - 1) / m_factor, (source.height() + m_factor - 1) / m_factor);
    m_out = QImage(out, QImage::Format_ARGB32_Premultiplied);
    if (!m_out.isNull()) m_sums.assign(size_t(out.width()) * 4, 0);
}

void PixelReducer::addRow(const uchar *rgba) {
    if (m_out.isNull() || m_rowsIn >= m_source.height()) return;
    for (int x = 0; x < m_source.width(); ++x) {
        const uchar *p = rgba + size_t(x) * 4;
        quint64 *sum = m_sums.data() + size_t(x / m_factor) * 4;
        sum[0] += quint64(p[0]) * p[3];
        sum[1] += quint64(p[1]) * p[3];
        sum[2] += quint64(p[2]) * p[3];
        sum[3] += p[3];
    }
    ++m_rowsIn;
    if (++m_rowsInBlock == m_factor || m_rowsIn == m_source.height()) flushRow();
}

void PixelReducer::flushRow() {
    auto *line = reinterpret_cast<QRgb *>(m_out.scanLine((m_rowsIn - 1) / m_factor));
    for (int x = 0; x < m_out.width(); ++x) {
        const int columns = std::min(m_factor, m_source.width() - x * m_factor);
        const quint64 count = quint64(columns) * quint64(m_rowsInBlock);
        const quint64 *sum = m_sums.data() + size_t(x) * 4;
        // Colour sums are premultiplied by alpha (0…255) once more than the alpha sum.
        line[x] = qRgba(int(sum[0] / (255 * count)), int(sum[1] / (255 * count)), int(sum[2] / (255 * count)),
                        int(sum[3] / count));
    }
    std::fill(m_sums.begin(), m_sums.end(), 0);
    m_rowsInBlock = 0;
}

QImage PixelReducer::result() const { return m_rowsIn == m_source.height() ? m_out : QImage(); }

} // namespace platform
