#include "capture/QuickCaptureView.h"

#include "capture/QuickModel.h"
#include "core/LatestResult.h"
#include "core/Localization.h"
#include "core/StyleStore.h"
#include "platform/WindowHints.h"
#include "widgets/BackdropSwatch.h"
#include "widgets/CardShape.h"
#include "widgets/Icons.h"
#include "widgets/ImageDrag.h"
#include "widgets/KeptPicture.h"
#include "widgets/PlainText.h"
#include "widgets/SoftShadow.h"
#include "widgets/Theme.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QtConcurrent/QtConcurrentRun>
#include <QPointer>

namespace {

constexpr int kPadding = 10;
constexpr int kSpacing = 8;
constexpr int kThumbMaxHeight = 176;
constexpr int kStripHeight = 26;
constexpr int kButtonHeight = 32;

QColor withAlpha(QColor color, qreal alpha) {
    color.setAlphaF(alpha);
    return color;
}

} // namespace

// The capture, scaled to fit; drag source and context menu.
class QuickCaptureView::Thumbnail : public QWidget {
public:
    explicit Thumbnail(QuickCaptureView *view) : QWidget(view), m_view(view) {
        setToolTip(L("Arraste para uma conversa ou outro app · botão direito: escolher fundo"));
        setCursor(Qt::OpenHandCursor);
    }

    // The picture's rectangle inside the row (the row's full width, 176 high): fitted, centred.
    QRectF pictureRect() const {
        const QuickModel *model = m_view->model();
        if (!model || model->output().isNull()) return {};
        const QSizeF fitted = QSizeF(model->output().size()).scaled(QSizeF(size()), Qt::KeepAspectRatio);
        return {(width() - fitted.width()) / 2, (height() - fitted.height()) / 2, fitted.width(), fitted.height()};
    }

    // Scales the model's output for the row on a worker; the picture shown so far stays until it comes.
    void prepare() {
        const QuickModel *model = m_view->model();
        const QRectF target = pictureRect();
        if (!model || target.isEmpty()) return;
        const qreal dpr = devicePixelRatioF();
        const QSize pixels = (target.size() * dpr).toSize();
        const qint64 key = model->output().cacheKey();
        if (key == m_pendingKey && pixels == m_pendingSize) return;
        m_pendingKey = key;
        m_pendingSize = pixels;
        struct Scaled {
            QImage smooth;
            QImage rounded;
        };
        QtConcurrent::run([output = model->output(), pixels, dpr] {
            // Premultiplied at exactly the shown size: painting it is a plain copy, with neither a
            // resample nor a conversion on the GUI thread.
            QImage smooth = output.scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                                .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            // With its corners rounded here as well: a rounded clip on the GUI thread is filled in
            // slices on Qt's painting threads, which a loaded machine keeps waiting.
            QImage rounded(pixels, QImage::Format_ARGB32_Premultiplied);
            rounded.fill(Qt::transparent);
            {
                QPainter p(&rounded);
                p.setRenderHint(QPainter::Antialiasing);
                p.setClipPath(Theme::continuousRoundedRect(QRectF(QPointF(0, 0), QSizeF(pixels)), 8 * dpr));
                p.drawImage(0, 0, smooth);
            }
            smooth.setDevicePixelRatio(dpr);
            rounded.setDevicePixelRatio(dpr);
            return Scaled{smooth, rounded};
        }).then(this, [this, ticket = m_scaling.next()](const Scaled &scaled) {
            if (!ticket.isCurrent()) return;
            m_scaled = scaled.smooth;
            m_rounded = scaled.rounded;
            update();
        });
    }

    // Forgets the picture, for the next capture or none.
    void clear() {
        m_scaled = QImage();
        m_rounded = QImage();
        m_pendingKey = 0;
        m_pendingSize = QSize();
        m_scaling.drop();
        m_pressAt.reset();
    }

protected:
    void paintEvent(QPaintEvent *) override {
        const QRectF target = pictureRect();
        if (target.isEmpty()) return;
        prepare();                     // a size or screen that changed since
        if (m_scaled.isNull()) return; // for the few milliseconds until the worker's picture comes
        QPainter p(this);
        if (m_rounded.size() == m_pendingSize) {
            p.drawImage(target.topLeft(), m_rounded);
            return;
        }
        // The previous output while the new one is scaled.
        p.setRenderHint(QPainter::Antialiasing);
        p.setClipPath(Theme::continuousRoundedRect(target, 8));
        p.drawImage(target, m_scaled);
    }

    void mousePressEvent(QMouseEvent *event) override {
        if (event->button() == Qt::LeftButton) m_pressAt = event->position().toPoint();
    }
    void mouseMoveEvent(QMouseEvent *event) override {
        if (!m_pressAt || !(event->buttons() & Qt::LeftButton)) return;
        if ((event->position().toPoint() - *m_pressAt).manhattanLength() < QApplication::startDragDistance()) return;
        m_pressAt.reset();
        if (!m_view->m_actions.drag) return;
        ImageDrag::start(this, m_view->m_actions.drag(), m_scaled, pictureRect().size());
    }
    void mouseReleaseEvent(QMouseEvent *) override { m_pressAt.reset(); }
    void contextMenuEvent(QContextMenuEvent *event) override {
        QMenu *menu = m_view->createBackdropMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(event->globalPos());
    }

private:
    QuickCaptureView *m_view;
    std::optional<QPoint> m_pressAt;
    QImage m_scaled;         // the output at the shown size, for a drag
    QImage m_rounded;        // and with its corners rounded, as shown
    qint64 m_pendingKey = 0; // the output and size the last scaling was asked for
    QSize m_pendingSize;
    LatestResult m_scaling;
};

// The round close button over the thumbnail's corner, visible only while the pointer is over the panel.
class QuickCaptureView::CloseButton : public QAbstractButton {
public:
    explicit CloseButton(QuickCaptureView *view) : QAbstractButton(view), m_view(view) {
        setFixedSize(22, 22);
        setCursor(Qt::PointingHandCursor);
        setToolTip(L("Fechar (o print fica no histórico)"));
        setAccessibleName(L("Fechar"));
    }
    qreal shownOpacity() const { return m_view->model() && m_view->model()->isHovering() ? 1.0 : 0.0; }

protected:
    void paintEvent(QPaintEvent *) override {
        const qreal opacity = shownOpacity();
        if (opacity <= 0) return;
        QPainter p(this);
        p.setOpacity(opacity);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QPen(Theme::lineStrong(), 1));
        p.setBrush(withAlpha(Theme::panel(), 0.9));
        p.drawEllipse(circle);
        const qreal dpr = devicePixelRatioF();
        p.drawPixmap(QRectF(6, 6, 10, 10), Icons::pixmap(QStringLiteral("xmark"), 10, Theme::text(), dpr), QRectF());
    }

private:
    QuickCaptureView *m_view;
};

// One backdrop tile of the strip, named "backdrop:<id>" ("noBackdrop" for the plain print); the chosen one
// is checked, which assistive tools read out, and has a bright 2-px ring. Only the model's backdrop checks
// it: a click asks for the backdrop rather than toggling the tile.
class QuickCaptureView::SwatchButton : public QAbstractButton {
public:
    SwatchButton(const std::optional<Backdrop> &backdrop, QWidget *parent)
        : QAbstractButton(parent), m_backdrop(backdrop) {
        setFixedSize(30, 22);
        setCursor(Qt::PointingHandCursor);
        setCheckable(true);
        setObjectName(backdrop ? QStringLiteral("backdrop:") + backdrop->id : QStringLiteral("noBackdrop"));
        setAccessibleName(backdrop ? backdrop->displayName() : L("Sem fundo — só o print"));
        setToolTip(plainToolTip(accessibleName()));
    }
    const std::optional<Backdrop> &backdrop() const { return m_backdrop; }

protected:
    void nextCheckState() override {}
    void paintEvent(QPaintEvent *) override {
        // Drawn once for its look and then copied: a mesh tile is computed at each draw, and the
        // rounded fill and ring go in slices to Qt's painting threads, which a loaded machine keeps
        // waiting when the panel first shows.
        const qreal dpr = devicePixelRatioF();
        const bool selected = isChecked();
        const QColor ring = selected ? QColor(237, 231, 250) : Theme::lineStrong();
        const QString look = QStringLiteral("%1:%2:%3").arg(selected).arg(ring.rgba()).arg(Theme::text3().rgba());
        if (m_picture.size() != size() * dpr || m_picture.devicePixelRatio() != dpr || m_look != look) {
            m_look = look;
            m_picture = QImage(size() * dpr, QImage::Format_ARGB32_Premultiplied);
            m_picture.setDevicePixelRatio(dpr);
            m_picture.fill(Qt::transparent);
            QPainter p(&m_picture);
            const QRectF box(rect());
            BackdropSwatch::paint(p, box, m_backdrop.value_or(Backdrop::transparent()), 6);
            p.setRenderHint(QPainter::Antialiasing);
            const qreal width = selected ? 2 : 1;
            p.strokePath(Theme::continuousRoundedRect(box.adjusted(width / 2, width / 2, -width / 2, -width / 2), 6),
                         QPen(ring, width));
        }
        QPainter(this).drawImage(QPointF(0, 0), m_picture);
    }

private:
    std::optional<Backdrop> m_backdrop;
    QImage m_picture; // the tile and its ring as last drawn
    QString m_look;   // and what they were drawn for
};

// "Copiar" (prominent), "Salvar", "Editar".
class QuickCaptureView::QuickButton : public QAbstractButton {
public:
    QuickButton(const QString &title, const QString &icon, bool primary, QWidget *parent)
        : QAbstractButton(parent), m_icon(icon), m_primary(primary) {
        setText(title);
        setAccessibleName(title);
        setCursor(Qt::PointingHandCursor);
        setFont(Theme::font(12, primary ? QFont::DemiBold : QFont::Normal));
    }

protected:
    void paintEvent(QPaintEvent *) override {
        // At rest the button comes from a kept picture: its rounded fill and outline go in slices to
        // Qt's painting threads and its title is laid out at each draw, which the panel's first paint
        // cannot afford on a loaded machine. Pressed, it is dimmed and drawn as it goes.
        const QColor ink = m_primary ? Theme::ink() : Theme::text();
        const QColor fill = m_primary ? Theme::accent() : Theme::raised();
        const QColor line = Theme::line();
        const qreal dpr = devicePixelRatioF();
        const auto draw = [&](QPainter &p) {
            p.setRenderHint(QPainter::Antialiasing);
            const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
            const QPainterPath shape = Theme::continuousRoundedRect(box, 8);
            if (m_primary) {
                p.fillPath(shape, Theme::accentGradient(box));
            } else {
                p.fillPath(shape, fill);
                p.strokePath(shape, QPen(line, 1));
            }
            const QFontMetricsF metrics(font());
            constexpr qreal iconSize = 13;
            const qreal contentWidth = iconSize + 5 + metrics.horizontalAdvance(text());
            const qreal x = (width() - contentWidth) / 2;
            p.drawPixmap(QRectF(x, (height() - iconSize) / 2, iconSize, iconSize),
                         Icons::pixmap(m_icon, int(iconSize), ink, dpr), QRectF());
            p.setFont(font());
            p.setPen(ink);
            p.drawText(QRectF(x + iconSize + 5, 0, contentWidth, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
        };
        QPainter p(this);
        if (isDown()) {
            p.setOpacity(0.85);
            draw(p);
            return;
        }
        const QString key = QStringLiteral("quick-button:%1:%2:%3:%4:%5:%6:%7")
                                .arg(text(), m_icon, font().key())
                                .arg(m_primary)
                                .arg(ink.rgba())
                                .arg(fill.rgba())
                                .arg(line.rgba());
        p.drawImage(QPointF(0, 0), keptPicture(key, size(), dpr, draw));
    }

private:
    QString m_icon;
    bool m_primary;
};

QuickCaptureView::QuickCaptureView(QuickModel *model, StyleStore &styles, QuickActions actions, QWidget *parent)
    : QWidget(parent), m_model(model), m_styles(styles), m_actions(std::move(actions)) {
    m_shadowMargin = platform::translucentWindows() ? 24 : 0;
    setFixedSize(kWidth + 2 * m_shadowMargin, kHeight + 2 * m_shadowMargin);
    m_shape = new CardShape(this, [this] { return Theme::continuousRoundedRect(QRectF(card()), 16); });
    setAttribute(Qt::WA_Hover);
    m_thumbnail = new Thumbnail(this);
    m_thumbnail->setObjectName(QStringLiteral("thumbnail"));
    m_close = new CloseButton(this);
    m_close->setObjectName(QStringLiteral("closeButton"));
    // Actions run on the next event-loop turn, once the click has left the panel's code: they close the
    // panel, and saving runs a modal dialog during which the panel goes away. They are looked up at the
    // click: a window shown again carries the actions of its new capture.
    const auto call = [this](std::function<void()> QuickActions::*action) {
        return [this, action] {
            if (const std::function<void()> f = m_actions.*action)
                QMetaObject::invokeMethod(qApp, f, Qt::QueuedConnection);
        };
    };
    connect(m_close, &QAbstractButton::clicked, this, call(&QuickActions::close));
    m_copy = new QuickButton(L("Copiar"), QStringLiteral("doc.on.doc"), true, this);
    m_save = new QuickButton(L("Salvar"), QStringLiteral("square.and.arrow.down"), false, this);
    m_copy->setObjectName(QStringLiteral("copy"));
    m_save->setObjectName(QStringLiteral("save"));
    m_edit = new QuickButton(L("Editar"), QStringLiteral("slider.horizontal.3"), false, this);
    connect(m_copy, &QAbstractButton::clicked, this, call(&QuickActions::copy));
    connect(m_save, &QAbstractButton::clicked, this, call(&QuickActions::save));
    connect(m_edit, &QAbstractButton::clicked, this, call(&QuickActions::edit));

    connectModel();
    connect(&m_styles, &StyleStore::backdropsChanged, this, &QuickCaptureView::rebuildSwatches);
    rebuildSwatches();
    m_thumbnail->prepare();
}

void QuickCaptureView::connectModel() {
    if (!m_model) return;
    connect(m_model, &QuickModel::outputChanged, this, [this] {
        relayout();
        m_thumbnail->prepare();
        m_thumbnail->update();
    });
    connect(m_model, &QuickModel::backdropChanged, this, &QuickCaptureView::updateSelection);
    connect(m_model, &QuickModel::hoveringChanged, m_close, qOverload<>(&QWidget::update));
}

void QuickCaptureView::setContent(QuickModel *model, QuickActions actions) {
    if (QuickModel *previous = m_model) {
        disconnect(previous, nullptr, this, nullptr);
        disconnect(previous, nullptr, m_close, nullptr);
        if (previous->parent() == this) delete previous; // its capture and output go with it
    }
    m_model = model;
    if (model) model->setParent(this);
    m_actions = std::move(actions);
    m_dragOffset.reset();
    m_thumbnail->clear();
    connectModel();
    updateSelection();
    relayout();
    m_thumbnail->prepare();
    update();
}

QList<Backdrop> QuickCaptureView::coloredBackdrops() const {
    QList<Backdrop> out;
    for (const Backdrop &b : m_styles.backdrops())
        if (b.kind != Backdrop::Kind::transparent) out << b;
    return out;
}

void QuickCaptureView::rebuildSwatches() {
    qDeleteAll(m_swatches);
    m_swatches.clear();
    const auto add = [this](const std::optional<Backdrop> &backdrop) {
        auto *swatch = new SwatchButton(backdrop, this);
        connect(swatch, &QAbstractButton::clicked, this, [this, backdrop] {
            if (m_model) m_model->setBackdrop(backdrop);
        });
        swatch->show();
        m_swatches << swatch;
    };
    add(std::nullopt);
    for (const Backdrop &b : coloredBackdrops().mid(0, kSwatchCount)) add(b);
    updateSelection();
    relayout();
}

void QuickCaptureView::updateSelection() {
    const std::optional<Backdrop> chosen = m_model ? m_model->backdrop() : std::nullopt;
    for (QAbstractButton *button : std::as_const(m_swatches)) {
        auto *swatch = static_cast<SwatchButton *>(button);
        const auto &mine = swatch->backdrop();
        swatch->setChecked(mine.has_value() == chosen.has_value() && (!mine || mine->id == chosen->id));
    }
}

QRectF QuickCaptureView::pictureRect() const { return m_thumbnail->pictureRect().translated(m_thumbnail->pos()); }

void QuickCaptureView::relayout() {
    const int innerWidth = kWidth - 2 * kPadding;
    const int left = m_shadowMargin + kPadding;
    // The thumbnail row is 176 high whatever the picture's shape; the close button sits at its corner.
    const int thumbHeight = kThumbMaxHeight;
    const int total = thumbHeight + kSpacing + kStripHeight + kSpacing + kButtonHeight;
    int y = m_shadowMargin + kPadding + std::max(0, (kHeight - 2 * kPadding - total) / 2);
    m_thumbnail->setGeometry(left, y, innerWidth, thumbHeight);
    m_close->move(left + innerWidth - 6 - m_close->width(), y + 6);
    m_close->raise();
    y += thumbHeight + kSpacing;
    int x = left;
    for (QAbstractButton *swatch : std::as_const(m_swatches)) {
        swatch->move(x, y + (kStripHeight - swatch->height()) / 2);
        x += swatch->width() + 6;
    }
    y += kStripHeight + kSpacing;
    const int buttonWidth = (innerWidth - 2 * 6) / 3;
    m_copy->setGeometry(left, y, buttonWidth, kButtonHeight);
    m_save->setGeometry(left + buttonWidth + 6, y, buttonWidth, kButtonHeight);
    m_edit->setGeometry(left + innerWidth - buttonWidth, y, buttonWidth, kButtonHeight);
}

QMenu *QuickCaptureView::createBackdropMenu(QWidget *parent) {
    auto *menu = new QMenu(parent);
    const std::optional<Backdrop> chosen = m_model ? m_model->backdrop() : std::nullopt;
    QPointer<QuickModel> model = m_model;
    QAction *none =
        menu->addAction(Icons::icon(chosen ? QStringLiteral("photo") : QStringLiteral("checkmark"), Theme::text()),
                        L("Sem fundo (só o print)"));
    connect(none, &QAction::triggered, menu, [model] {
        if (model) model->setBackdrop(std::nullopt);
    });
    menu->addSeparator();
    for (const Backdrop &backdrop : coloredBackdrops()) {
        QAction *item = menu->addAction(plainMenuText(backdrop.displayName()));
        if (chosen && chosen->id == backdrop.id) item->setIcon(Icons::icon(QStringLiteral("checkmark"), Theme::text()));
        connect(item, &QAction::triggered, menu, [model, backdrop] {
            if (model) model->setBackdrop(backdrop);
        });
    }
    menu->addSeparator();
    const auto add = [menu](const QString &title, const std::function<void()> &f) {
        QAction *item = menu->addAction(title);
        connect(item, &QAction::triggered, menu, [f] {
            if (f) QMetaObject::invokeMethod(qApp, f, Qt::QueuedConnection);
        });
    };
    add(L("Copiar"), m_actions.copy);
    add(L("Salvar…"), m_actions.save);
    add(L("Abrir no Editor"), m_actions.edit);
    menu->addSeparator();
    add(L("Fechar"), m_actions.close);
    return menu;
}

void QuickCaptureView::paintEvent(QPaintEvent *) {
    // The card is drawn once for its colours and kept for the process, so that a panel shown again
    // copies it too: a copy is one pass on this thread, where a path this tall is filled in slices on
    // Qt's painting threads, which a loaded machine keeps waiting.
    const QColor fill = withAlpha(Theme::panel(), 0.97);
    const QColor edge = Theme::lineStrong();
    const bool cut = m_shape->cut();
    const QString key =
        QStringLiteral("quick-card:%1:%2:%3:%4").arg(m_shadowMargin).arg(cut).arg(fill.rgba()).arg(edge.rgba());
    const QImage cardPicture = keptPicture(key, size(), devicePixelRatioF(), [&](QPainter &p) {
        // Cut to its shape, the window shows no shadow, and its edge blends with the card's colour: what
        // is see-through there would show black.
        if (cut) p.fillRect(card(), fill);
        else if (m_shadowMargin > 0)
            SoftShadow::paint(p, Theme::continuousRoundedRect(QRectF(card()), 16), QColor(0, 0, 0, 110), 20, {0, 8});
        const QRectF box = QRectF(card()).adjusted(0.5, 0.5, -0.5, -0.5);
        const QPainterPath shape = Theme::continuousRoundedRect(box, 16);
        p.fillPath(shape, fill);
        p.strokePath(shape, QPen(edge, 1));
    });
    QPainter(this).drawImage(QPointF(0, 0), cardPicture);
}

void QuickCaptureView::enterEvent(QEnterEvent *event) {
    if (m_actions.hover) m_actions.hover(true);
    QWidget::enterEvent(event);
}

void QuickCaptureView::leaveEvent(QEvent *event) {
    if (m_actions.hover) m_actions.hover(false);
    QWidget::leaveEvent(event);
}

void QuickCaptureView::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) m_dragOffset = event->globalPosition().toPoint() - window()->pos();
}

void QuickCaptureView::mouseMoveEvent(QMouseEvent *event) {
    if (m_dragOffset && (event->buttons() & Qt::LeftButton))
        window()->move(event->globalPosition().toPoint() - *m_dragOffset);
}

void QuickCaptureView::mouseReleaseEvent(QMouseEvent *) { m_dragOffset.reset(); }

