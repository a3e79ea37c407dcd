#pragma once

#include "core/ExportSettings.h"
#include "core/Notifier.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>

#include <optional>

// Saving an export the user places in a save panel; the quick panel and the editor share it.
namespace ExportSaving {

// Asks for a location in the save panel (proposing "Pelicarta <taken>.<ext>", named after the moment
// the capture was taken, the format's one type allowed, opening where SaveFolder says) and writes
// `bytes` there atomically. A failed write shows the system's reason in an alert and leaves a file
// already there as it was; a written file moves the next panel to its folder. Returns the path written;
// none when cancelled or the write failed.
std::optional<QString> saveWithPanel(const QByteArray &bytes, ExportFormat format, const QDateTime &taken);

// What a written file tells the person: `picture`, the file's size and its name.
Notice savedNotice(const QString &path, qint64 size, const QImage &picture);

} // namespace ExportSaving
