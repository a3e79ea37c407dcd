#include "tutorial_window/PictureLoader.h"

#include "core/PictureService.h"

#include <QFuture>

PictureLoader::PictureLoader(QObject *parent) : QObject(parent) {}

PictureLoader::~PictureLoader() {
    for (const auto &[path, box] : std::as_const(m_pending)) PictureService::shared().release(path, box);
}

QString PictureLoader::keyOf(const QString &path, QSize box) {
    return QStringLiteral("%1x%2/").arg(box.width()).arg(box.height()) + path;
}

QImage PictureLoader::picture(const QString &path, QSize box) {
    const QString key = keyOf(path, box);
    if (m_pending.contains(key) || m_failed.contains(key)) return {};
    QFuture<QImage> future = PictureService::shared().picture(path, box);
    if (future.isFinished()) return future.resultCount() > 0 ? future.result() : QImage(); // kept
    m_pending.insert(key, {path, box});
    // The continuation is dropped with the loader: nothing arrives at a page that is gone.
    future.then(this, [this, key, path](const QImage &image) {
        m_pending.remove(key);
        if (image.isNull()) m_failed.insert(key);
        emit finished(path);
    });
    return {};
}

PictureLoader::State PictureLoader::state(const QString &path, QSize box) const {
    if (m_failed.contains(keyOf(path, box))) return State::failed;
    return PictureService::shared().isKept(path, box) ? State::ready : State::loading;
}
