#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>

#include <memory>

namespace platform {

// The first page of a PDF document (an Illustrator file saved PDF-compatible is one), read through
// poppler, which lives in a module loaded on the first document (platform/Module.h). Any thread; one
// object is used by one thread at a time.
class PdfPage {
public:
    // The first page of `pdf`, or none when poppler cannot read it (or cannot be loaded), it is locked
    // by a password, it has no page, or the page's box is not a finite size above zero.
    static std::unique_ptr<PdfPage> open(const QByteArray &pdf);
    virtual ~PdfPage() = default;

    // The page's crop box in points, turned as the page is shown.
    virtual QSizeF size() const = 0;
    // The page drawn to exactly `pixels` on transparent paper (Format_ARGB32_Premultiplied); a null
    // image when rendering fails or runs past `timeoutMs`.
    virtual QImage render(QSize pixels, int timeoutMs = 15000) const = 0;
};

} // namespace platform
