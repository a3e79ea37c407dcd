#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QSize>
#include <QString>

// Step pictures and covers for the tutorial pages, asked for while they paint: each is decoded by the
// picture service (PictureService, which keeps it) no larger than the box it is asked for (kept in
// proportion, never enlarged), so that opening a long tutorial or a large library never waits for a
// decode. A picture that cannot be read is not tried again. Main thread only.
class PictureLoader : public QObject {
    Q_OBJECT
public:
    explicit PictureLoader(QObject *parent = nullptr);
    // Decodings not begun yet are skipped: nobody here waits for them any more.
    ~PictureLoader() override;

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

    QHash<QString, QPair<QString, QSize>> m_pending; // by key: the file and box asked for
    QSet<QString> m_failed;
};
