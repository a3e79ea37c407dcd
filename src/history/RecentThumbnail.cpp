#include "history/RecentThumbnail.h"

#include "core/Localization.h"
#include "history/RecentsStore.h"
#include "widgets/FilledImage.h"
#include "widgets/HoverProgress.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"

#include <QContextMenuEvent>
#include <QLocale>
#include <QMenu>
#include <QPainter>

namespace {

constexpr qreal kAspect = 1.45;
constexpr qreal kRadius = 10;
constexpr int kDeleteSide = 22;
constexpr int kDeleteInset = 5;

// The round delete button in the tile's top-trailing corner.
class DeleteButton final : public QAbstractButton {
public:
    explicit DeleteButton(QWidget *parent) : QAbstractButton(parent) {
        setFixedSize(kDeleteSide, kDeleteSide);
        setCursor(Qt::PointingHandCursor);
        setToolTip(L("Excluir do histórico"));
        setAccessibleName(L("Excluir captura"));
    }
    void setOpacity(qreal opacity) {
        m_opacity = opacity;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setOpacity(m_opacity);
        const QRectF circle = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        p.setPen(QPen(Theme::lineStrong(), 1));
        p.setBrush(QColor(0, 0, 0, 178));
        p.drawEllipse(circle);
        const QPixmap icon = Icons::pixmap(QStringLiteral("trash"), 10, Theme::text(), devicePixelRatioF());
        p.drawPixmap(QPointF((width() - 10) / 2.0, (height() - 10) / 2.0), icon);
    }

private:
    qreal m_opacity = 0;
};

QColor mix(const QColor &a, const QColor &b, qreal t) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t), float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t), float(a.alphaF() + (b.alphaF() - a.alphaF()) * t));
}

} // namespace

RecentThumbnail::RecentThumbnail(RecentsStore &store, const RecentCapture &item, qreal height, QWidget *parent)
    : QAbstractButton(parent), m_store(store), m_item(item), m_height(height), m_hover(new HoverProgress(this, 120)),
      m_delete(new DeleteButton(this)) {
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    setToolTip(L("Abrir no Editor"));
    m_delete->move(width() - kDeleteInset - kDeleteSide, kDeleteInset);
    m_delete->hide();
    // The delete button fades in with the hover and is gone once it has faded out.
    connect(m_hover, &HoverProgress::hoveringChanged, this, [this](bool hovering) {
        if (hovering) m_delete->show();
    });
    connect(m_hover, &HoverProgress::valueChanged, m_delete,
            [button = static_cast<DeleteButton *>(m_delete)](qreal value) { button->setOpacity(value); });
    connect(m_hover, &HoverProgress::settled, this, [this] { m_delete->setVisible(m_hover->isHovering()); });
    connect(this, &QAbstractButton::clicked, this, [this] { m_store.open(m_item); });
    // Deleting from the tile never opens the capture: the button is the tile's child, not the tile.
    connect(m_delete, &QAbstractButton::clicked, this, [this] { m_store.deleteFiles({m_item.path}); });
    updateTexts();
}

QSize RecentThumbnail::sizeHint() const { return {qRound(kAspect * m_height), qRound(m_height)}; }

void RecentThumbnail::setItem(const RecentCapture &item) {
    m_item = item;
    updateTexts();
    update();
}

void RecentThumbnail::updateTexts() {
    const QString time = QLocale().toString(m_item.date.time(), QLocale::ShortFormat);
    setAccessibleName(L(LKey("Captura de %@. Abrir no Editor.", {time})));
}

QMenu *RecentThumbnail::createMenu(QWidget *parent) {
    auto *menu = new QMenu(parent);
    const RecentCapture item = m_item;
    RecentsStore *store = &m_store;
    menu->addAction(L("Abrir no Editor"), menu, [store, item] { store->open(item); });
    menu->addAction(L("Copiar original"), menu, [store, item] { store->copy(item); });
    menu->addAction(L("Mostrar no Finder"), menu, [store, item] { store->reveal(item); });
    menu->addSeparator();
    menu->addAction(L("Excluir"), menu, [store, path = item.path] { store->deleteFiles({path}); });
    return menu;
}

void RecentThumbnail::contextMenuEvent(QContextMenuEvent *event) {
    QMenu *menu = createMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // The tile may be rebuilt by the chosen action: the menu outlives it on its own.
    menu->popup(event->globalPos());
}

bool RecentThumbnail::hitButton(const QPoint &pos) const {
    return Theme::continuousRoundedRect(QRectF(rect()), kRadius).contains(QPointF(pos));
}

bool RecentThumbnail::isHovering() const { return m_hover->isHovering(); }

void RecentThumbnail::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal hover = m_hover->value();
    const qreal lineWidth = 1 + 0.5 * hover;
    const QRectF frame = QRectF(rect()).adjusted(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2);
    const QPainterPath shape = Theme::continuousRoundedRect(frame, kRadius);
    if (m_item.thumbnail.isNull()) {
        p.fillPath(shape, Theme::rgb(0xFFFFFF, 0.03));
    } else {
        drawImageFilled(p, m_item.thumbnail, Theme::continuousRoundedRect(QRectF(rect()), kRadius));
    }
    p.setPen(QPen(mix(Theme::lineStrong(), Theme::accentLine(), hover), lineWidth));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
}
