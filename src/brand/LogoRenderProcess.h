#pragma once

#include "brand/LogoRenderFrames.h"

#include <QImage>
#include <QString>
#include <QStringList>

// Draws a logo document (PDF, PostScript, SVG) in a process of its own (LogoRenderChild): the program
// started again with "--render-logo", with an address-space limit, a processor-time limit and a
// wall-clock deadline past which it is killed. A document that asks for more than that (a PDF of
// nested save operators grows without end) costs the application nothing. Any thread; blocks the
// calling thread until the answer (so never the GUI thread).
namespace LogoRenderProcess {

struct Program {
    QString path;
    QStringList arguments;
};

// The program the loader starts unless told otherwise: none until the application's main names
// itself (a test or benchmark program started with "--render-logo" would run itself again).
Program defaultProgram();
void setDefaultProgram(const Program &program);
// This very program with "--render-logo" (even when its file has since been replaced).
Program thisProgram();

struct Options {
    Program program = defaultProgram();
    int timeoutMs = 15000;                 // the drawing's own limit (poppler's, ghostscript's)
    int startMarginMs = 10000;             // added to it for starting the process and sending the data
    qint64 addressSpace = qint64(1) << 30; // for the process and ghostscript under it
};

struct Result {
    enum class Outcome {
        drawn,      // `image` holds the drawing, within the request's box
        unreadable, // not a document of that kind (or its program is missing)
        failed,     // a document of that kind that could not be drawn
        stopped,    // the process ran out of its memory or time, crashed, or answered nonsense
        notStarted, // there is no program to start, or it could not be started
    };
    Outcome outcome = Outcome::notStarted;
    QImage image;
    QString detail; // for the log
};

Result render(const LogoRenderFrames::Request &request, const Options &options = {});

} // namespace LogoRenderProcess
