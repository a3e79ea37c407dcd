#include "platform/PdfPage.h"

#include "platform/Module.h"

namespace platform {

std::unique_ptr<PdfPage> PdfPage::open(const QByteArray &pdf) {
    using Open = PdfPage *(*)(const QByteArray &);
    static const auto open = reinterpret_cast<Open>(Module::resolve("pdf", "pelicarta_pdf_open"));
    return std::unique_ptr<PdfPage>(open ? open(pdf) : nullptr);
}

} // namespace platform
