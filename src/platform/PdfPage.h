#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QSizeF>

#include <memory>

namespace platform {

// The first page of a PDF document (an Illustrator file saved PDF-compatible is one), read through
// poppler. Any thread; one object is used by one thread at a time.
class PdfPage {
public:
    // The first page of `pdf`, or none when poppler cannot read it, it is locked by a password, it has
    // no page, or the page's box is not a finite size above zero.
    static std::unique_ptr<PdfPage> open(const QByteArray &pdf);
    ~PdfPage();

    // The page's crop box in points, turned as the page is shown.
    QSizeF size() const;
    // The page drawn to exactly `pixels` on transparent paper (Format_ARGB32_Premultiplied); a null
    // image when rendering fails or runs past `timeoutMs`.
    QImage render(QSize pixels, int timeoutMs = 15000) const;

private:
    struct Impl;
    explicit PdfPage(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform
