#include "platform/X11PixelReader.h"

#include <QPainter>
#include <QRegion>
#include <QThread>
#include <QtConcurrent>

#include <xcb/composite.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace platform {

namespace {

const QString kUnsupportedFormat = QStringLiteral("O formato de cor da tela não é suportado.");

// The pad byte of depth-24 pixels is undefined; QImage expects RGB32 opaque. A 4K screen is 8 million
// pixels touched for the first time here, so the rows are shared among the cores.
void makeOpaque(QImage &image) {
    const int bands = std::clamp(image.height() / 64, 1, QThread::idealThreadCount());
    std::vector<int> starts(static_cast<size_t>(bands));
    for (int i = 0; i < bands; ++i) starts[size_t(i)] = int(qint64(image.height()) * i / bands);
    const int height = image.height();
    const int width = image.width();
    const qsizetype stride = image.bytesPerLine();
    uchar *bits = image.bits(); // detaches here, once, not in the threads
    QtConcurrent::blockingMap(starts, [&](const int &from) {
        const auto index = &from - starts.data();
        const int to = index + 1 < bands ? starts[size_t(index + 1)] : height;
        for (int y = from; y < to; ++y) {
            auto *pixels = reinterpret_cast<quint32 *>(bits + y * stride);
            for (int x = 0; x < width; ++x) pixels[x] |= 0xff000000u;
        }
    });
}

} // namespace

X11PixelReader::X11PixelReader(X11Connection &x, std::shared_ptr<X11SharedMemory> shared)
    : m_x(&x), m_shared(std::move(shared)) {}

QImage X11PixelReader::read(xcb_drawable_t drawable, const QRect &rect, int depth, QString *error, bool keepMemory) {
    if ((depth != 24 && depth != 32) || m_x->bitsPerPixel(depth) != 32 || !m_x->imageLsbFirst()) {
        *error = kUnsupportedFormat;
        return {};
    }
    if (rect.isEmpty()) return {};
    if (QImage shared = readShared(drawable, rect, depth, keepMemory); !shared.isNull()) return shared;
    xcb_connection_t *c = m_x->connection();
    const auto cookie = xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, static_cast<int16_t>(rect.x()),
                                      static_cast<int16_t>(rect.y()), static_cast<uint16_t>(rect.width()),
                                      static_cast<uint16_t>(rect.height()), ~0u);
    xcb_generic_error_t *failure = nullptr;
    auto reply = xcbReply(xcb_get_image_reply(c, cookie, &failure));
    free(failure);
    const qsizetype rowBytes = qsizetype(rect.width()) * 4;
    if (!reply || xcb_get_image_data_length(reply.get()) < rowBytes * rect.height()) {
        *error = readRefused;
        return {};
    }
    QImage image(rect.size(), depth == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    if (image.isNull()) {
        *error = readRefused;
        return {};
    }
    const uchar *source = xcb_get_image_data(reply.get());
    for (int y = 0; y < rect.height(); ++y) std::memcpy(image.scanLine(y), source + y * rowBytes, size_t(rowBytes));
    if (depth == 24) makeOpaque(image);
    return image;
}

QImage X11PixelReader::readShared(xcb_drawable_t drawable, const QRect &rect, int depth, bool keepMemory) {
    constexpr qsizetype kWorthIt = 256 * 1024;
    const qsizetype bytes = qsizetype(rect.width()) * rect.height() * 4;
    if (!m_shared || bytes < kWorthIt) return {};
    QImage image = m_shared->read(drawable, rect,
                                  depth == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32, keepMemory);
    if (depth == 24 && !image.isNull()) makeOpaque(image);
    return image;
}

QImage X11PixelReader::readWindowPixmap(const X11TopLevel &window, const QRect &part, QString *error) {
    xcb_connection_t *c = m_x->connection();
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_generic_error_t *failure =
        xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, window.window, pixmap));
    if (failure) {
        free(failure);
        return {};
    }
    QImage image = read(pixmap, part, window.depth, error);
    xcb_discard_reply(c, xcb_free_pixmap_checked(c, pixmap).sequence);
    return image;
}

void X11PixelReader::paintOverOwnWindows(QImage &image, const QRect &area, const std::vector<X11TopLevel> &levels,
                                         const std::vector<X11TopLevel> &own) {
    QRegion covered;
    for (const X11TopLevel &t : own) covered += t.pixels & area;
    const QRect needed = covered.boundingRect();
    QPainter painter(&image);
    painter.setClipRegion(covered.translated(-area.topLeft()));
    painter.fillRect(needed.translated(-area.topLeft()), Qt::black);
    QString ignored;
    if (auto background = m_x->cardinals(m_x->root(), m_x->atom("_XROOTPMAP_ID"), XCB_ATOM_PIXMAP);
        background && !background->empty()) {
        const QImage part = read(background->front(), needed, m_x->screen()->root_depth, &ignored);
        if (!part.isNull()) painter.drawImage(needed.topLeft() - area.topLeft(), part);
    }
    for (const X11TopLevel &t : levels) {
        if (!t.viewable) continue;
        if (std::any_of(own.begin(), own.end(), [&](const X11TopLevel &o) { return o.window == t.window; })) continue;
        const QRect part = t.pixels & needed;
        if (part.isEmpty()) continue;
        const QImage pixels = readWindowPixmap(t, part.translated(-t.pixels.topLeft()), &ignored);
        if (!pixels.isNull()) painter.drawImage(part.topLeft() - area.topLeft(), pixels);
    }
}

} // namespace platform
