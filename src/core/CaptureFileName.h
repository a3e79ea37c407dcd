#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

// How capture files and exports are named: "Pelicarta 2026-01-02 10.11.12", the local time written
// with the C locale and a 24-hour clock, whatever the user's language.
namespace CaptureFileName {

// "Pelicarta " and the time, without an extension.
QString stem(const QDateTime &time);
// The stem, a point and `extension` ("png", "jpg", "heic").
QString withExtension(const QDateTime &time, const QString &extension);
// The time a file name made by `stem` holds (whatever follows it: " (2).png"); none for another name.
std::optional<QDateTime> timeOf(const QString &fileName);

} // namespace CaptureFileName
