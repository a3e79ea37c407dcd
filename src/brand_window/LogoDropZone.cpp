#include "brand_window/LogoDropZone.h"

#include "core/Localization.h"
#include "widgets/Icons.h"
#include "widgets/Spinner.h"
#include "widgets/Theme.h"

#include <QDragEnterEvent>
#include <QMimeData>
#include <QPainter>

namespace {
QString firstLocalFile(const QMimeData *mime) {
    if (!mime || !mime->hasUrls()) return {};
    for (const QUrl &url : mime->urls())
        if (url.isLocalFile()) return url.toLocalFile();
    return {};
}
} // namespace

LogoDropZone::LogoDropZone(QWidget *parent) : QAbstractButton(parent) {
    setAcceptDrops(true);
    setCursor(Qt::PointingHandCursor);
    setFixedHeight(128);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_spin.setInterval(Spinner::stepMs);
    connect(&m_spin, &QTimer::timeout, this, qOverload<>(&QWidget::update));
    updateTexts();
}

void LogoDropZone::setLogo(const QImage &logo) {
    m_logo = logo;
    updateTexts();
    update();
}

void LogoDropZone::setColors(quint32 background, quint32 text) {
    m_background = background;
    m_text = text;
    update();
}

void LogoDropZone::setBusy(bool busy) {
    m_busy = busy;
    if (busy) m_spin.start();
    else m_spin.stop();
    update();
}

void LogoDropZone::updateTexts() {
    const bool has = !m_logo.isNull();
    setToolTip(has ? L("Clique para trocar o logo") : L("Clique para escolher, ou arraste o arquivo do logo"));
    setAccessibleName(has ? L("Trocar logo") : L("Escolher logo"));
}

void LogoDropZone::setTargeted(bool targeted) {
    m_targeted = targeted;
    update();
}

void LogoDropZone::dragEnterEvent(QDragEnterEvent *event) {
    if (firstLocalFile(event->mimeData()).isEmpty()) return;
    event->acceptProposedAction();
    setTargeted(true);
}

void LogoDropZone::dragLeaveEvent(QDragLeaveEvent *) { setTargeted(false); }

void LogoDropZone::dropEvent(QDropEvent *event) {
    setTargeted(false);
    const QString path = firstLocalFile(event->mimeData()); // other dropped files are ignored
    if (path.isEmpty()) return;
    event->acceptProposedAction();
    emit fileDropped(path);
}

void LogoDropZone::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRectF r = QRectF(rect()).adjusted(1, 1, -1, -1);
    const QPainterPath shape = Theme::continuousRoundedRect(r, 10);
    p.fillPath(shape, Theme::rgb(m_background));
    const QColor ink = Theme::rgb(m_text, 0.6);
    if (!m_logo.isNull()) {
        const QRectF box = r.adjusted(22, 22, -22, -22);
        QSizeF size = QSizeF(m_logo.size()).scaled(box.size(), Qt::KeepAspectRatio);
        if (m_busy) p.setOpacity(0.35); // the logo being replaced steps back behind the busy mark
        p.drawImage(QRectF(box.center() - QPointF(size.width() / 2, size.height() / 2), size), m_logo);
        p.setOpacity(1);
    }
    if (m_busy) {
        p.setPen(ink);
        Spinner::paint(p, QRectF(r.center().x() - 10, r.center().y() - 24, 20, 20), Theme::rgb(m_text, 0.8));
        p.setFont(Theme::font(13, QFont::Medium));
        p.drawText(QRectF(r.left(), r.center().y() + 4, r.width(), 20), Qt::AlignCenter, L("Lendo o logo…"));
    } else if (m_logo.isNull()) {
        p.setPen(ink);
        const qreal top = r.center().y() - 30;
        p.drawPixmap(QRectF(r.center().x() - 11, top, 22, 22).toRect(),
                     Icons::pixmap(QStringLiteral("square.and.arrow.down.on.square"), 22, ink, devicePixelRatioF()));
        p.setFont(Theme::font(13, QFont::Medium));
        p.drawText(QRectF(r.left(), top + 28, r.width(), 18), Qt::AlignCenter, L("Clique para escolher o logo"));
        p.setFont(Theme::font(11));
        p.drawText(QRectF(r.left(), top + 48, r.width(), 16), Qt::AlignCenter, L("ou arraste o arquivo para cá"));
    }
    QPen border(m_targeted ? Theme::accentLine() : Theme::lineStrong(), m_targeted ? 2 : 1);
    if (m_logo.isNull()) border.setDashPattern({5.0 / border.widthF(), 4.0 / border.widthF()});
    p.setPen(border);
    p.setBrush(Qt::NoBrush);
    p.drawPath(Theme::continuousRoundedRect(
        r.adjusted(border.widthF() / 2, border.widthF() / 2, -border.widthF() / 2, -border.widthF() / 2), 10));
}
