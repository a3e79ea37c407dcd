#pragma once

#include <QCache>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>

// Step pictures for the tutorial pages, decoded on the thread pool and never larger than the box they
// are asked for (kept in proportion, never enlarged), so that opening a long tutorial or a large
// library never waits for a decode. Decoded pictures are kept in a bounded cache. Main thread only;
// the decoding runs elsewhere.
class PictureLoader : public QObject {
    Q_OBJECT
public:
    explicit PictureLoader(qint64 cacheKiB = 96 * 1024, QObject *parent = nullptr);

    enum class State { loading, ready, failed };

    // The picture of the file reduced to fit `box`, when it has been decoded; otherwise a null image,
    // and a decode is started (one at a time per file and box) whose end `finished` announces.
    QImage picture(const QString &path, QSize box);
    State state(const QString &path, QSize box) const;

signals:
    // A decode ended, with a picture or with none.
    void finished(const QString &path);

private:
    static QString keyOf(const QString &path, QSize box);

    QCache<QString, QImage> m_pictures; // cost in KiB
    QSet<QString> m_pending;
    QSet<QString> m_failed;
};
