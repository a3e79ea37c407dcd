#include "widgets/Toast.h"

#include "core/LatestResult.h"
#include "platform/WindowHints.h"
#include "widgets/CardShape.h"
#include "widgets/Icons.h"
#include "widgets/KeptPicture.h"
#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int kThumbWidth = Notifier::thumbnailBox.width();
constexpr int kThumbHeight = Notifier::thumbnailBox.height();

} // namespace

ToastView::ToastView(const QImage &image, const QString &title, const QString &subtitle, ToastKind kind,
                     QWidget *parent)
    : QWidget(parent), m_image(Notifier::thumbnail(image)), m_title(title), m_subtitle(subtitle), m_kind(kind) {
    m_shadowMargin = platform::translucentWindows() ? 24 : 0;
    setFixedSize(320 + 2 * m_shadowMargin, 76 + 2 * m_shadowMargin);
    m_shape = new CardShape(this, [this] { return Theme::continuousRoundedRect(QRectF(card()), 16); });
}

void ToastView::setContent(const QImage &image, const QString &title, const QString &subtitle, ToastKind kind) {
    m_image = Notifier::thumbnail(image);
    m_title = title;
    m_subtitle = subtitle;
    m_kind = kind;
    update();
}

QString ToastView::mark() const {
    switch (m_kind) {
    case ToastKind::done: return QStringLiteral("checkmark");
    case ToastKind::failure: return QStringLiteral("exclamationmark.triangle");
    case ToastKind::notice: break;
    }
    return {};
}

QColor ToastView::markColor() const { return m_kind == ToastKind::failure ? Theme::warning() : Theme::text(); }

void ToastView::paintEvent(QPaintEvent *) {
    // The card is drawn once and copied for each toast: a copy is one pass on this thread, where a
    // shape this size is filled in slices on Qt's painting threads, which a loaded machine keeps waiting.
    const QColor fill = Theme::panel(), edge = Theme::lineStrong();
    const bool cut = m_shape->cut();
    const QString key =
        QStringLiteral("toast-card:%1:%2:%3:%4").arg(m_shadowMargin).arg(cut).arg(fill.rgba()).arg(edge.rgba());
    const QImage cardPicture = keptPicture(key, size(), devicePixelRatioF(), [&](QPainter &c) {
        // Cut to its shape, the window shows no shadow, and its edge blends with the card's colour: what
        // is see-through there would show black.
        if (cut) c.fillRect(card(), fill);
        else if (m_shadowMargin > 0)
            SoftShadow::paint(c, Theme::continuousRoundedRect(QRectF(card()), 16), QColor(0, 0, 0, 110), 16, {0, 6});
        c.translate(m_shadowMargin, m_shadowMargin);
        const QRectF cardRect = QRectF(QPointF(0, 0), QSizeF(card().size())).adjusted(0.5, 0.5, -0.5, -0.5);
        const QPainterPath cardShape = Theme::continuousRoundedRect(cardRect, 16);
        c.fillPath(cardShape, fill);
        c.setPen(QPen(edge, 1));
        c.drawPath(cardShape);
    });
    // The texts are laid out and drawn onto a copy of the card once for each notice, and the
    // thumbnail's outline comes from a kept picture: laying out at each draw and stroking the outline,
    // which goes in slices to Qt's painting threads, are more than a toast's first paint can afford on
    // a loaded machine.
    const qreal dpr = devicePixelRatioF();
    const QSizeF size = card().size();
    const QRectF thumb(14, (size.height() - kThumbHeight) / 2.0, kThumbWidth, kThumbHeight);
    // A notice without a picture (a failure, mostly) has no tile: its texts take the tile's place.
    const bool tile = !m_image.isNull();
    const QColor titleInk = Theme::text(), subtitleInk = Theme::text2();
    const QString look = QStringLiteral("%1\n%2\n%3:%4:%5:%6:%7:%8")
                             .arg(m_title, m_subtitle, key, mark())
                             .arg(markColor().rgba())
                             .arg(titleInk.rgba())
                             .arg(subtitleInk.rgba())
                             .arg(tile);
    if (m_plate.size() != cardPicture.size() || m_plate.devicePixelRatio() != dpr || m_plateLook != look) {
        m_plateLook = look;
        m_plate = cardPicture.copy();
        QPainter p(&m_plate);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.translate(m_shadowMargin, m_shadowMargin);
        // Texts, vertically centred as one block: title (after the mark, if any) over the subtitle.
        const qreal left = tile ? thumb.right() + 12 : thumb.left();
        const qreal textWidth = size.width() - 14 - left;
        const QFont titleFont = Theme::font(14, QFont::DemiBold);
        const QFont subtitleFont = Theme::font(12);
        const QFontMetricsF titleMetrics(titleFont);
        const QFontMetricsF subtitleMetrics(subtitleFont);
        const int iconSize = 14;
        const qreal titleLeft = mark().isEmpty() ? left : left + iconSize + 6;
        const qreal titleTextWidth = size.width() - 14 - titleLeft;
        const QRectF titleBounds =
            titleMetrics.boundingRect(QRectF(0, 0, titleTextWidth, 1000), Qt::TextWordWrap, m_title);
        const QRectF subtitleBounds =
            subtitleMetrics.boundingRect(QRectF(0, 0, textWidth, 1000), Qt::TextWordWrap, m_subtitle);
        const qreal block = titleBounds.height() + (m_subtitle.isEmpty() ? 0 : 3 + subtitleBounds.height());
        qreal y = (size.height() - block) / 2.0;
        if (!mark().isEmpty())
            p.drawPixmap(QPointF(left, y + (titleMetrics.height() - iconSize) / 2.0),
                         Icons::pixmap(mark(), iconSize, markColor(), dpr));
        p.setFont(titleFont);
        p.setPen(titleInk);
        p.drawText(QRectF(titleLeft, y, titleTextWidth, titleBounds.height()), Qt::TextWordWrap, m_title);
        y += titleBounds.height() + 3;
        p.setFont(subtitleFont);
        p.setPen(subtitleInk);
        p.drawText(QRectF(left, y, textWidth, subtitleBounds.height()), Qt::TextWordWrap, m_subtitle);
    }
    QPainter p(this);
    p.drawImage(QPointF(0, 0), m_plate);
    p.setRenderHint(QPainter::Antialiasing);
    p.translate(m_shadowMargin, m_shadowMargin);

    // Thumbnail: 60 × 44, aspect fill. Its corners are rounded by a kept frame drawn over it, the card's
    // colour outside the rounded shape and the outline that straddles its edge: a rounded clip is filled
    // in slices on Qt's painting threads.
    if (!tile) return;
    const QSizeF filled = QSizeF(m_image.size()).scaled(thumb.size(), Qt::KeepAspectRatioByExpanding);
    p.save();
    p.setClipRect(thumb);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QRectF(thumb.center() - QPointF(filled.width() / 2, filled.height() / 2), filled), m_image);
    p.restore();
    const QRectF ring = thumb.adjusted(-1, -1, 1, 1);
    const QColor outline = Theme::lineStrong();
    const QString frameKey = QStringLiteral("toast-thumb-frame:%1:%2").arg(fill.rgba()).arg(outline.rgba());
    const QImage frame = keptPicture(frameKey, ring.size().toSize(), dpr, [&](QPainter &f) {
        const QRectF inside(QPointF(1, 1), thumb.size());
        const QPainterPath rounded = Theme::continuousRoundedRect(inside, 8);
        QPainterPath corners;
        corners.setFillRule(Qt::OddEvenFill);
        corners.addRect(inside);
        corners.addPath(rounded);
        f.fillPath(corners, fill);
        f.setPen(QPen(outline, 1));
        f.setBrush(Qt::NoBrush);
        f.drawPath(rounded);
    });
    p.drawImage(ring.topLeft(), frame);
}

namespace Toast {

namespace {

QPointer<QWidget> current;
LatestResult shown; // the newest notice owns the window: an older one's timers leave it alone

QScreen *screenUnderPointer() {
    // One screen needs no question to the server about the pointer.
    if (QGuiApplication::screens().size() == 1) return QGuiApplication::primaryScreen();
    const QPoint pointer = QCursor::pos();
    for (QScreen *screen : QGuiApplication::screens())
        if (screen->geometry().contains(pointer)) return screen;
    return QGuiApplication::primaryScreen();
}

} // namespace

QImage symbolImage(const QString &symbolName) {
    // The thumbnail's 60 × 44 at twice the pixels; the symbol 32 high in its middle. The picture counts
    // in pixels (the toast fills its thumbnail with it whatever its ratio), so the symbol is drawn at
    // its pixel size: a pixmap of ratio 2 would be drawn at half of it, in the corner.
    constexpr int side = 2 * 32;
    QImage image(2 * kThumbWidth, 2 * kThumbHeight, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QPixmap symbol = Icons::pixmap(symbolName, side, Theme::text());
    QPainter p(&image);
    p.drawPixmap(QPointF((image.width() - side) / 2.0, (image.height() - side) / 2.0), symbol);
    return image;
}

// The window of the last toast when it can show the next one: its fades stopped.
ToastView *reusable() {
    auto *window = qobject_cast<ToastView *>(current.data());
    if (!window) return nullptr;
    // Made before a compositor came or went: its margin no longer fits.
    if ((window->shadowMargin() > 0) != platform::translucentWindows()) {
        window->hide();
        window->deleteLater();
        return nullptr;
    }
    for (QPropertyAnimation *fade : window->findChildren<QPropertyAnimation *>()) fade->stop(); // deletes it
    return window;
}

void show(const QImage &image, const QString &title, const QString &subtitle, ToastKind kind) {
    ToastView *window = reusable();
    if (window) {
        window->setContent(image, title, subtitle, kind);
    } else {
        window = new ToastView(image, title, subtitle, kind);
        window->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowTransparentForInput | Qt::WindowDoesNotAcceptFocus |
                               Qt::X11BypassWindowManagerHint);
        window->setAttribute(Qt::WA_ShowWithoutActivating);
        window->setAttribute(Qt::WA_TranslucentBackground);
        window->setAttribute(Qt::WA_DeleteOnClose);
    }
    window->setAccessibleName(title);
    window->setAccessibleDescription(subtitle);
    // The window's name carries the notice for window lists and screen readers.
    window->setWindowTitle(subtitle.isEmpty() ? title : title + QStringLiteral(" — ") + subtitle);
    if (QScreen *screen = screenUnderPointer()) {
        const QRect visible = screen->availableGeometry();
        const QPoint card(visible.center().x() + 1 - 160, visible.bottom() + 1 - 40 - 76);
        window->move(CardShape::keptInside(QRect(card - window->card().topLeft(), window->size()), visible));
    }
    window->setWindowOpacity(0.0);
    window->show();

    auto *fadeIn = new QPropertyAnimation(window, "windowOpacity", window);
    fadeIn->setDuration(kFadeInMs);
    fadeIn->setEndValue(1.0);
    fadeIn->start(QAbstractAnimation::DeleteWhenStopped);

    current = window;
    const LatestResult::Ticket mine = shown.next();
    QPointer<QWidget> guard(window);
    QTimer::singleShot(kVisibleMs, window, [guard, mine] {
        if (!guard || !mine.isCurrent()) return;
        auto *fadeOut = new QPropertyAnimation(guard.data(), "windowOpacity", guard.data());
        fadeOut->setDuration(kFadeOutMs);
        fadeOut->setEndValue(0.0);
        QObject::connect(fadeOut, &QPropertyAnimation::finished, guard.data(), [guard, mine] {
            if (guard && mine.isCurrent()) guard->hide();
        });
        fadeOut->start(QAbstractAnimation::DeleteWhenStopped);
    });
}

} // namespace Toast

namespace {

class ToastNotifier final : public Notifier {
public:
    void notify(const Notice &notice) override {
        Toast::show(notice.symbol.isEmpty() ? notice.picture : Toast::symbolImage(notice.symbol), notice.title,
                    notice.subtitle, notice.kind);
    }
};

} // namespace

template <>
Notifier &platform::SharedService<Notifier>::real() {
    static ToastNotifier notifier;
    return notifier;
}
