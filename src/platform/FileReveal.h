#pragma once

#include "platform/SharedService.h"

#include <QString>

namespace platform {

// Shows a file selected in the desktop's file manager (org.freedesktop.FileManager1), or opens its
// folder when the file manager call fails; tests substitute their own so that no file manager starts.
class FileReveal : public SharedService<FileReveal> {
public:
    virtual ~FileReveal() = default;
    // Does not wait for the file manager; returns whether either was asked to happen.
    virtual bool reveal(const QString &path) = 0;
};
template <>
FileReveal &SharedService<FileReveal>::real();

} // namespace platform
