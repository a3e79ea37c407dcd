#pragma once

#include <QString>
#include <QtGlobal>

// A file size as people read it, in kilobytes below a megabyte and in megabytes from there on (a
// gigabyte too), counted in thousands, with the locale's decimal sign: "0 KB", "873 KB" (any size
// above nothing is at least 1 KB), "1,2 MB", "1.234,6 MB". The one way sizes are shown.
QString byteCountText(qint64 bytes);
