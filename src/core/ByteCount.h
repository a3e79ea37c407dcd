#pragma once

#include <QString>
#include <QtGlobal>

// A file size as people read it, in kilobytes or megabytes of 1000 with the locale's decimal sign:
// "873 KB" (at least 1 KB), "1,2 MB".
QString byteCountText(qint64 bytes);
