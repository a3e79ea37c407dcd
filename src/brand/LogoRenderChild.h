#pragma once

// The logo render process's side: the program started with "--render-logo" reads one document
// (LogoRenderFrames::Request) on standard input, draws it to touch the request's box and answers on
// standard output. Poppler, ghostscript and Qt's SVG renderer take as much time and memory as a
// document asks of them; here they take it under the limits its parent (LogoRenderProcess) set, and
// nothing of it stays in the application.
namespace LogoRenderChild {

// True when the program's arguments (first the program itself) ask for the render process.
bool isRequested(int argc, char **argv);

// Answers the one request and returns the exit status. Makes its own application object (fonts for
// SVG text, no display), so the caller must not have made one.
int run(int &argc, char **argv);

} // namespace LogoRenderChild
