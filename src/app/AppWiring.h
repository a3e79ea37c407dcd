#pragma once

#include "core/BeautyStyle.h"

#include <QImage>
#include <QString>

#include <optional>

// The one place where what the stores and services announce becomes navigation. They know no window:
// the capture road, the quick panel and the recents store ask for the editor, the recents store reports
// files written and removed, the tutorial store reports a finished recording; this connects each to the
// router and the main-window controller. Main thread only.
namespace AppWiring {

// Makes the connections, creating the shared stores they need. Called once at start-up; later calls
// change nothing.
void connectAll();

// Opening a capture in the editor is always these two steps, in this order: the router opens it, then
// the main window shows the editor page.
void openInEditor(const QImage &image, const QString &sourcePath, const std::optional<BeautyStyle> &style);

} // namespace AppWiring
