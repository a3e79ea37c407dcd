#pragma once

#include "platform/TextEngine.h"

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QList>
#include <QSize>
#include <QString>

#include <list>
#include <mutex>
#include <optional>
#include <vector>

// What the engine made of line pictures read before, by a digest of each picture's exact pixels and
// shape, the least recently used forgotten first. Kept in a file as well when given one, so that a
// reader process started anew takes over what the last one read: a screen captured again minutes
// later has only its changed lines read.
//
// The file is a cache private to the user: opened without following a link, taken only when it is a
// regular file of this user that nobody else may read, read whole and refused whole when anything in
// it is out of place (a memory then starts empty), bounded in lines and bytes, replaced atomically.
// What it holds counts only for the same identity (the engine's models and settings and the program
// reading), which the digests include too. Thread-safe.
class LineMemory {
public:
    using Lines = QList<platform::TextLine>;

    struct Entry {
        QByteArray key;
        QSize size; // of the picture, checked again on every find
        Lines lines;
    };

    // The most bytes a memory keeps (about its file's size); what is beyond is forgotten as beyond
    // its lines.
    static constexpr qint64 maxBytes = 12 * 1024 * 1024;

    explicit LineMemory(int lines = 0) : m_capacity(lines) {}

    // At most `lines` pictures remembered; 0 remembers none.
    void setCapacity(int lines);
    bool enabled() const;

    // The digest of `picture` as the engine is handed it at `scale`, for readings of `identity`.
    static QByteArray keyOf(const QImage &picture, qreal scale, const QByteArray &identity);

    // What was read of the picture of `key` and `size`, now the most recently used.
    std::optional<Lines> find(const QByteArray &key, QSize size);
    void keep(const QByteArray &key, QSize size, const Lines &lines);

    // Keeps what is remembered in `path` too, for readings of `identity`, taking in first what the
    // file holds for it; an empty `path` keeps it in memory only. What was remembered for another
    // identity is forgotten.
    void attach(const QString &path, const QByteArray &identity);
    QByteArray identity() const;
    // Writes the file when something was remembered since it was read or written, with what another
    // process wrote to it meanwhile behind what this one used last; false when it could not be written.
    bool save();

    // Pictures remembered, and their bytes as the file holds them.
    int size() const;
    qint64 bytes() const;

    // The file's content for `identity`: the entries, most recently used first.
    static QByteArray encode(const QByteArray &identity, const std::vector<Entry> &entries);
    // The entries `bytes` holds for `identity`, most recently used first; nothing when they are not
    // exactly what encode makes for it (damaged, cut short, another identity's, hostile).
    static std::optional<std::vector<Entry>> decode(const QByteArray &bytes, const QByteArray &identity);

    // The content of the file at `path` when it is one this memory may take (see above); empty otherwise.
    static QByteArray readFile(const QString &path);

    // The program reading: the file it runs from, which an update replaces.
    static QByteArray programIdentity();

private:
    using Order = std::list<Entry>;

    // With m_mutex held.
    void putFront(Entry entry);
    void trim();
    void takeIn(std::vector<Entry> entries);
    std::vector<Entry> entries() const;

    mutable std::mutex m_mutex;
    int m_capacity = 0;
    Order m_order; // most recently used first
    QHash<QByteArray, Order::iterator> m_index;
    qint64 m_bytes = 0;
    QString m_path;
    QByteArray m_identity;
    QByteArray m_fileStamp; // the file as last read or written, to tell whether another process wrote it
    bool m_dirty = false;
};
