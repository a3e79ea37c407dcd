#pragma once

#include "tutorials/TutorialRenderer.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QUuid>

// The background half of a tutorial export: drawing and writing the files. Any thread; touches no
// store. A step whose picture no longer decodes is left out and the guide drawn again without it, so
// that step numbers never have gaps. Files are written atomically: a failed export leaves nothing
// half-written behind.
namespace GuideFiles {

struct Outcome {
    enum class Kind { written, tooLarge, failed };
    Kind kind = Kind::failed;
    QString path; // the file written (for a Markdown folder, its README.md)
    qint64 bytes = 0;
    int steps = 0;        // the steps drawn
    QList<QUuid> leftOut; // the steps whose pictures did not decode, in input order
    QString error;        // for `failed`: the system's words for what went wrong
    QImage image;         // renderForCopy's guide
};

// The guide image as a PNG file at `path`.
Outcome writeImage(TutorialRenderer::Input input, const QString &path);
// The guide as a PDF file at `path`.
Outcome writePDF(TutorialRenderer::Input input, const QString &path);
// A new folder inside `parent`, named `baseName` or, when that is taken, "baseName 2", "baseName 3"…
// (made exclusively, never an existing one), holding one PNG per step and "README.md". A failure
// takes back what was written, and the folder unless something else has appeared in it.
Outcome writeMarkdown(TutorialRenderer::Input input, const QString &parent, const QString &baseName);
// The guide as one image, for the clipboard.
Outcome renderForCopy(TutorialRenderer::Input input);

} // namespace GuideFiles
