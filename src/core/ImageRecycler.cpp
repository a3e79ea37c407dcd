#include "core/ImageRecycler.h"

#include <QMutexLocker>

QImage ImageRecycler::take(QSize size, QImage::Format format) {
    QMutexLocker lock(&m_mutex);
    for (qsizetype i = 0; i < m_kept.size(); ++i) {
        const QImage &kept = m_kept[i];
        // Held by nothing but this list, which only this lock reaches: no one can see it change.
        if (kept.isDetached() && kept.size() == size && kept.format() == format) return m_kept.takeAt(i);
    }
    return {};
}

void ImageRecycler::keep(const QImage &image) {
    if (image.isNull()) return;
    QMutexLocker lock(&m_mutex);
    m_kept.append(image);
    while (m_kept.size() > m_capacity) m_kept.removeFirst();
}

void ImageRecycler::clear() {
    QList<QImage> kept;
    {
        QMutexLocker lock(&m_mutex);
        kept.swap(m_kept);
    }
}
