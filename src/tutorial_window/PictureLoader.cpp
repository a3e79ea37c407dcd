#include "tutorial_window/PictureLoader.h"

#include "platform/ImageFile.h"

#include <QFuture>
#include <QImageReader>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

namespace {

// The picture reduced to fit the box; null when it cannot be read.
QImage decode(const QString &path, QSize box) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (reader.transformation() & QImageIOHandler::TransformationRotate90) size.transpose();
    if (size.isEmpty()) return {};
    const QSize fitted =
        size.boundedTo(box) == size ? size : size.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    return platform::ImageFile::readScaled(path, std::max(fitted.width(), fitted.height()));
}

} // namespace

PictureLoader::PictureLoader(qint64 cacheKiB, QObject *parent) : QObject(parent), m_pictures(cacheKiB) {}

QString PictureLoader::keyOf(const QString &path, QSize box) {
    return QStringLiteral("%1x%2/").arg(box.width()).arg(box.height()) + path;
}

QImage PictureLoader::picture(const QString &path, QSize box) {
    const QString key = keyOf(path, box);
    if (const QImage *found = m_pictures.object(key)) return *found;
    if (m_pending.contains(key) || m_failed.contains(key)) return {};
    m_pending.insert(key);
    // The continuation is dropped with the loader: nothing arrives at a page that is gone.
    QtConcurrent::run(decode, path, box).then(this, [this, key, path](const QImage &image) {
        m_pending.remove(key);
        if (image.isNull())
            m_failed.insert(key);
        else
            m_pictures.insert(key, new QImage(image), std::max<qsizetype>(1, image.sizeInBytes() / 1024));
        emit finished(path);
    });
    return {};
}

PictureLoader::State PictureLoader::state(const QString &path, QSize box) const {
    const QString key = keyOf(path, box);
    if (m_pictures.contains(key)) return State::ready;
    if (m_failed.contains(key)) return State::failed;
    return State::loading;
}
