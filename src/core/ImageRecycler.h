#pragma once

#include <QImage>
#include <QList>
#include <QMutex>

// Keeps the last few images a renderer made so that the next render can write over one its callers
// have let go of, instead of allocating a new one (which the system also has to zero, page by page).
// Holds at most `capacity` images, so at most that many more than its callers hold. Thread-safe.
class ImageRecycler {
public:
    explicit ImageRecycler(int capacity) : m_capacity(capacity) {}

    // A kept image of that size and format that nothing else holds any more, taken out of the
    // recycler; a null image when there is none.
    QImage take(QSize size, QImage::Format format);
    // Remembers `image` (sharing it) for a later take; the oldest kept one goes beyond the capacity.
    void keep(const QImage &image);
    // Lets every kept image go (its callers keep theirs).
    void clear();

private:
    const int m_capacity;
    QMutex m_mutex;
    QList<QImage> m_kept;
};
