#pragma once

#include <QImage>
#include <QSet>
#include <QSize>
#include <QString>

#include <atomic>
#include <functional>
#include <mutex>

// Card pictures of kept capture files, kept on disk between runs, so that a page of cards shows
// without decoding its captures again: one small file per capture (JPEG, or PNG where the picture has
// transparency), named after the capture's path, holding the box it was made for and the capture
// file's size and times when it was made. A picture is served only while the capture file still has
// them; a capture changed or replaced is made afresh. The folder is bounded in bytes: past the bound
// the oldest pictures go. What cannot be read as one of these files counts as absent.
//
// A capture removed must be `remove`d here (its picture shows what the user deleted), and `keepOnly`
// drops the pictures of captures removed while nobody told the folder. Any thread.
class ThumbnailFolder {
public:
    // The most the folder holds by default: a few hundred cards.
    static constexpr qint64 defaultMaxBytes = 32LL * 1024 * 1024;

    // `folder` must exist and be the user's own; an empty path keeps nothing.
    explicit ThumbnailFolder(QString folder, qint64 maxBytes = defaultMaxBytes);

    // The picture of `path` for `box`: the one kept when it is still the capture's, else `make()`'s,
    // which is then kept (a null one is not).
    QImage fetch(const QString &path, QSize box, const std::function<QImage()> &make);
    // The kept picture of `path` for `box` while it is still the capture's; null otherwise.
    QImage read(const QString &path, QSize box) const;
    // Forgets the picture of `path`.
    void remove(const QString &path);
    // Forgets every picture but those of `paths`.
    void keepOnly(const QStringList &paths);

    const QString &folder() const { return m_folder; }
    qint64 maxBytes() const { return m_maxBytes; }

private:
    struct Stamp;
    QString entryOf(const QString &path) const;
    void write(const QString &path, QSize box, const Stamp &stamp, const QImage &picture);
    // Removes the oldest pictures until the folder holds well under its bound, and counts what stays.
    void trim();

    QString m_folder;
    qint64 m_maxBytes;
    std::atomic<qint64> m_bytes{-1}; // what the folder holds, at most; -1: not listed yet
    std::mutex m_trimming;
};
