#pragma once

#include <QString>

#include <functional>

namespace platform {

// How many entries directly inside `folder` are regular files, not links, that are not hidden and
// whose name `accept` takes: the entries QDir::Files | QDir::NoSymLinks lists, counted by name and type
// alone, with no date or size read, so that a folder of thousands counts in a few milliseconds. 0 when
// the folder cannot be read.
int countFiles(const QString &folder, const std::function<bool(const QString &name)> &accept);

} // namespace platform
