#pragma once

#include <QDateTime>
#include <QImage>
#include <QString>

// One kept capture file: where it is, when it was made, and a thumbnail of at most 240 pixels on its
// longer side. Identified by its path.
struct RecentCapture {
    QString path;
    QDateTime date;
    QImage thumbnail;
    // The file as the thumbnail was made from it: a held thumbnail serves only while both are unchanged.
    qint64 fileSize = -1;
    QDateTime modified{};

    bool operator==(const RecentCapture &other) const { return path == other.path; }
};
