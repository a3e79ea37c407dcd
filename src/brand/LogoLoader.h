#pragma once

#include "brand/LogoRenderProcess.h"
#include "platform/Ghostscript.h"

#include <QByteArray>
#include <QImage>
#include <QString>

// Turns any file the user picks as a logo into a clean bitmap: raster, PDF and vector files are drawn
// to fit 1600 × 600 pixels (bitmaps only ever shrink), a plain background is made transparent and
// transparent margins are trimmed. Documents (PDF, PostScript, SVG) are drawn in the logo render
// process (LogoRenderProcess), within its memory and time limits; one that reaches them is refused
// like any file that cannot be read. Runs on any thread and waits for that process, so callers keep
// it off the main thread.
namespace LogoLoader {

struct Outcome {
    QImage image;    // the finished logo (Format_RGBA8888_Premultiplied); null on failure
    QString note;    // with an image: what the user should know about it, or empty
    QString message; // without one: why the file could not be used, for the user

    bool succeeded() const { return !image.isNull(); }
};

struct Options {
    platform::Ghostscript::Limits ghostscript; // gs for PostScript and EPS without a preview
    LogoRenderProcess::Options renderer;       // the process that draws documents
};

// The logo in the file at `path`. Files over 100 MB are not read.
Outcome load(const QString &path, const Options &options = {});
// The same for bytes already read; `fileName` names the file in messages and its extension tells
// vector files ("ai", "eps", "epsf", "ps") from the others.
Outcome loadData(const QByteArray &bytes, const QString &fileName, const Options &options = {});

} // namespace LogoLoader
