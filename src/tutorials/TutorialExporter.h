#pragma once

#include "tutorials/TutorialRenderer.h"
#include "tutorials/TutorialStore.h"

#include <QFuture>
#include <QString>

#include <optional>

// Exports the open tutorial of a store: the guide as one PNG or one PDF file chosen in a save panel, a
// new folder of step images with "README.md" inside a folder chosen in a folder panel, or the guide
// as one image on the clipboard. Each operation gathers what it needs on the main thread, asks for
// the place, and returns; the drawing and writing run on the thread pool and the outcome is shown
// back on the main thread: the file in the file manager and a toast, or an alert. Steps whose pictures
// are missing or unreadable are left out of the guide (the others numbered without gaps) and the toast
// names them by their numbers in the tutorial; with not one picture to draw, an alert says so. With no
// open tutorial, or one without steps, nothing happens at all.
//
// The futures finish once the outcome has been shown (at once when nothing happens).
namespace TutorialExporter {

QFuture<void> exportImage(TutorialStore &store = TutorialStore::shared());
QFuture<void> exportPDF(TutorialStore &store = TutorialStore::shared());
QFuture<void> exportMarkdown(TutorialStore &store = TutorialStore::shared());
QFuture<void> copyImage(TutorialStore &store = TutorialStore::shared());

// What the export draws from the store's open tutorial: its title, theme, creation date, the steps
// whose image files hold a picture and, for the brand theme, the brand as it is now; none when no
// such step exists.
std::optional<TutorialRenderer::Input> input(const TutorialStore &store);

// The file and folder name made of a title: trimmed; control characters dropped; each of / : \ ? % * |
// " < > replaced by "-"; leading dots dropped; cut to at most 200 bytes of UTF-8 at a character
// boundary; "Tutorial" when nothing is left.
QString fileBaseName(const QString &title);

} // namespace TutorialExporter
