#pragma once

#include <QByteArray>

#include <optional>

// An SVG document cut off from everything outside it. Qt's SVG renderer opens whatever an <image> names
// (a FIFO there blocks it for good, any picture the user can read would be drawn into the logo), and
// pictures it decodes from data: URIs go through every image reader, SVG again among them. What is
// handed to the renderer is therefore written anew from what was read: no DTD, comments or processing
// instructions; references only to the document itself ("#id") and embedded PNG or JPEG pictures;
// url() only to "#id"; no style sheet that imports (a <style> element's text at every depth, judged
// whole). Any thread.
namespace SelfContainedSvg {

// The document written anew, or none when it is not well-formed XML (entities that expand without
// end among it), is compressed (SVGZ) or could not be written whole.
std::optional<QByteArray> from(const QByteArray &svg);

} // namespace SelfContainedSvg
