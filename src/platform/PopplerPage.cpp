// poppler behind platform::PdfPage, built as a module of its own that the application loads on the
// first document (platform/Module.h).
#include "platform/PdfPage.h"

#include "platform/ImageChecks.h"

#include <QDeadlineTimer>
#include <QVariant>

#include <poppler-qt6.h>

#include <cmath>
#include <mutex>

namespace platform {

namespace {

class PopplerPage final : public PdfPage {
public:
    QSizeF size() const override { return page->pageSizeF(); }
    QImage render(QSize pixels, int timeoutMs) const override;

    QByteArray bytes; // poppler reads from it for as long as the document lives
    std::unique_ptr<Poppler::Document> document;
    std::unique_ptr<Poppler::Page> page;
};

std::unique_ptr<PdfPage> openPage(const QByteArray &pdf) {
    // Damaged files make poppler talk on the debug output; what matters reaches the caller as none.
    static std::once_flag quiet;
    std::call_once(quiet, [] { Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, {}); });

    auto impl = std::make_unique<PopplerPage>();
    impl->bytes = pdf;
    impl->document = Poppler::Document::loadFromData(impl->bytes);
    if (!impl->document || impl->document->isLocked() || impl->document->numPages() < 1) return nullptr;
    impl->page = impl->document->page(0);
    if (!impl->page) return nullptr;
    const QSizeF size = impl->page->pageSizeF();
    if (!std::isfinite(size.width()) || !std::isfinite(size.height()) || size.width() <= 0 || size.height() <= 0)
        return nullptr;
    impl->document->setRenderHint(Poppler::Document::Antialiasing);
    impl->document->setRenderHint(Poppler::Document::TextAntialiasing);
    impl->document->setRenderHint(Poppler::Document::IgnorePaperColor);
    return impl;
}

QImage PopplerPage::render(QSize pixels, int timeoutMs) const {
    if (!fitsImageLimits(pixels)) return {};
    const QSizeF points = size();
    const double xres = 72.0 * pixels.width() / points.width();
    const double yres = 72.0 * pixels.height() / points.height();
    const QDeadlineTimer deadline(timeoutMs);
    const auto expired = [](const QVariant &payload) {
        return QDeadlineTimer::current().deadline() >= payload.toLongLong();
    };
    QImage image = page->renderToImage(xres, yres, 0, 0, pixels.width(), pixels.height(), Poppler::Page::Rotate0,
                                       nullptr, nullptr, expired, QVariant::fromValue(deadline.deadline()));
    if (image.isNull() || deadline.hasExpired() || image.size() != pixels) return {};
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

} // namespace platform

// What the application looks up after loading the module.
extern "C" Q_DECL_EXPORT platform::PdfPage *pelicarta_pdf_open(const QByteArray &pdf) {
    return platform::openPage(pdf).release();
}
