#include "history/RecentThumbnail.h"

#include "core/Localization.h"
#include "history/RecentsStore.h"
#include "history/StoredCapture.h"
#include "platform/LongDate.h"
#include "widgets/FilledImage.h"
#include "widgets/HoverProgress.h"
#include "widgets/OverlayButton.h"
#include "widgets/Theme.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

namespace {

constexpr qreal kAspect = 1.45;
constexpr qreal kRadius = 10;
constexpr int kDeleteSide = 22;
constexpr qreal kDeleteDisc = 0.7;
constexpr int kDeleteInset = 5;

} // namespace

RecentThumbnail::RecentThumbnail(RecentsStore &store, const RecentCapture &item, qreal height, QWidget *parent)
    : QAbstractButton(parent), m_store(store), m_item(item), m_height(height), m_hover(new HoverProgress(this, 120)),
      m_delete(new OverlayButton(QStringLiteral("trash"), L("Excluir do histórico"), kDeleteSide, kDeleteDisc, this)) {
    setFixedSize(sizeHint());
    setCursor(Qt::PointingHandCursor);
    setToolTip(L("Abrir no Editor"));
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    m_delete->setAccessibleName(L("Excluir captura"));
    m_delete->move(width() - kDeleteInset - kDeleteSide, kDeleteInset);
    static_cast<OverlayButton *>(m_delete)->followHover(m_hover);
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
    const QString time = platform::shortTime(m_item.date);
    setAccessibleName(L(LKey("Captura de %@. Abrir no Editor.", {time})));
}

QMenu *RecentThumbnail::createMenu(QWidget *parent) {
    auto *menu = new QMenu(parent);
    const RecentCapture item = m_item;
    RecentsStore *store = &m_store;
    menu->addAction(L("Abrir no Editor"), menu, [store, item] { store->open(item); });
    menu->addAction(L("Copiar original"), menu, [item] { StoredCapture::copy(item.path, item.thumbnail); });
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
    p.setPen(QPen(Theme::mix(Theme::lineStrong(), Theme::accentLine(), hover), lineWidth));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);
}
