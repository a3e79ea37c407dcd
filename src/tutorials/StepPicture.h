#pragma once

#include "tutorials/Tutorial.h"

#include <QImage>
#include <QSize>
#include <QString>

#include <optional>

// A step with the picture it shows, as an export takes it: the file the picture is read from, with its
// pixel size already read from the file's header, or the picture itself. The picture is decoded only
// when the export reaches the step, one at a time.
struct StepPicture {
    TutorialStep step;
    QString file;
    QSize size;
    QImage image; // when set, used instead of reading `file`

    // A step whose file holds a picture of a size Pelicarta can decode; none otherwise. Only the
    // header is read.
    static std::optional<StepPicture> probe(const TutorialStep &step, const QString &file);
    // A step with its picture already in memory.
    static StepPicture inMemory(const TutorialStep &step, const QImage &image);

    // The picture, decoded now; null when the file no longer reads as the picture its header promised.
    QImage load() const;
};

// Reads a step picture from its file with bounded memory (platform::ImageFile); null when it cannot be
// read or is beyond the image limits. With a `longestSide`, the picture is reduced while it is decoded
// and comes out at that size (never enlarged).
QImage readStepPicture(const QString &file, int longestSide = 0);
