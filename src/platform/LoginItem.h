#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Pelicarta's own entry in the desktop's autostart folder (AppPaths::autostartEntry), which starts it
// at login. Main thread.
namespace LoginItem {

// Whether the entry is there and not switched off by "Hidden=true".
bool isEnabled();

// Writes the entry for the running program (atomically), or removes it. False, with the reason in
// `error`, when the folder refuses; the entry is then as it was.
bool setEnabled(bool enabled, QString *error = nullptr);

// The entry's text for a program: a Desktop Entry whose Exec line runs `program` with no arguments,
// quoted so that any path survives the desktop's parsing.
QByteArray entryFor(const QString &program);

} // namespace LoginItem
} // namespace platform
