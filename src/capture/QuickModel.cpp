#include "capture/QuickModel.h"

#include "brand/BrandStore.h"
#include "core/Beautifier.h"
#include "core/StyleStore.h"
#include "core/TextRecognizer.h"
#include "platform/Clock.h"

#include <QCoreApplication>
#include <QtConcurrent/QtConcurrentRun>

QuickModel::QuickModel(const QImage &image, CaptureFile::Ptr file, QObject *parent)
    : QObject(parent), m_original(image), m_takenAt(platform::Clock::shared().now()), m_file(std::move(file)),
      m_output(image), m_readerReady(TextRecognizer::keepReady()) {}

QuickModel::~QuickModel() = default;

void QuickModel::setHovering(bool hovering) {
    if (hovering == m_hovering) return;
    m_hovering = hovering;
    emit hoveringChanged();
}

void QuickModel::setBackdrop(const std::optional<Backdrop> &backdrop) {
    m_backdrop = backdrop;
    const LatestResult::Ticket ticket = m_render.next();
    emit backdropChanged();
    if (!backdrop) {
        m_output = m_original;
        emit outputChanged();
        return;
    }
    BeautyStyle style = StyleStore::shared().defaultStyle();
    style.backdrop = *backdrop;
    // Read here, on the main thread; the render gets its own copy.
    const std::optional<BrandLogo> logo = BrandStore::shared().screenshotLogo();
    QtConcurrent::run([image = m_original, style, logo] {
        QImage rendered = Beautifier::render(image, style, logo);
        return rendered.isNull() ? image : rendered;
    }).then(this, [this, ticket](const QImage &rendered) {
        if (!ticket.isCurrent()) return; // superseded
        m_output = rendered;
        emit outputChanged();
    });
}
