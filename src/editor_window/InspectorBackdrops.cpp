#include "editor_window/InspectorBackdrops.h"

#include "core/Localization.h"
#include "core/StyleStore.h"
#include "editor_window/EditorView.h"
#include "widgets/BackdropSwatch.h"
#include "widgets/Icons.h"
#include "widgets/SectionLabel.h"
#include "widgets/KeptPicture.h"
#include "widgets/PlainText.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/TileGrid.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kTileHeight = 32;
constexpr int kNameWidth = 170; // the header's name is cut to one short line
const QColor kRing(237, 231, 250);
const QString kTransparentID = QStringLiteral("none");

// "Criar fundo com minhas cores" over the transparent backdrop (editing it starts a new one), else
// "Mudar as cores deste fundo"; a palette before, a chevron after.
class EditRow : public QAbstractButton {
public:
    explicit EditRow(QWidget *parent) : QAbstractButton(parent) {
        setCursor(Qt::PointingHandCursor);
        setFont(Theme::font(12));
        setFixedHeight(32);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setToolTip(L("Abre o editor de cores do fundo (atalho: E)"));
    }

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        drawPlate(p, rect(), 8, Theme::raised(), Theme::line());
        const qreal dpr = devicePixelRatioF();
        const QPixmap palette = Icons::pixmap(QStringLiteral("paintpalette"), 13, Theme::text(), dpr);
        const QPixmap chevron = Icons::pixmap(QStringLiteral("chevron.right"), 10, Theme::text3(), dpr);
        const auto centredY = [&](const QPixmap &pm) { return (height() - pm.height() / pm.devicePixelRatio()) / 2; };
        p.drawPixmap(QPointF(10, centredY(palette)), palette);
        const qreal chevronLeft = width() - 10 - chevron.width() / chevron.devicePixelRatio();
        p.drawPixmap(QPointF(chevronLeft, centredY(chevron)), chevron);
        const qreal textLeft = 10 + palette.width() / palette.devicePixelRatio() + 8;
        const QRectF textRect(textLeft, 0, std::max<qreal>(0, chevronLeft - 8 - textLeft), height());
        p.setPen(Theme::text());
        drawLaidOutLine(p, textRect, Qt::AlignLeft | Qt::AlignVCenter, text(), true);
    }
};

} // namespace

BackdropSwatchTile::BackdropSwatchTile(QWidget *parent) : QAbstractButton(parent) { setCursor(Qt::PointingHandCursor); }

void BackdropSwatchTile::setBackdrop(const Backdrop &backdrop) {
    if (backdrop == m_backdrop) return;
    m_backdrop = backdrop;
    m_look.clear();
    describe();
    update();
}

void BackdropSwatchTile::setSelected(bool selected) {
    if (selected == m_selected) return;
    m_selected = selected;
    describe();
    update();
}

void BackdropSwatchTile::describe() {
    const QString name = m_backdrop.displayName();
    setToolTip(plainToolTip(name));
    setAccessibleName(m_selected ? L(LKey(QStringLiteral("Fundo %@, selecionado"), {name}))
                                 : L(LKey(QStringLiteral("Fundo %@"), {name})));
}

void BackdropSwatchTile::mouseDoubleClickEvent(QMouseEvent *event) {
    // The first click of the pair has already chosen the backdrop.
    QAbstractButton::mouseDoubleClickEvent(event);
    emit doubleClicked();
}

void BackdropSwatchTile::contextMenuEvent(QContextMenuEvent *event) { emit menuRequested(event->globalPos()); }

void BackdropSwatchTile::paintEvent(QPaintEvent *) {
    QPainter p(this);
    // The tile (swatch and outline) is a kept picture per look: the panel is made anew for each
    // capture, and its swatches drawn afresh (meshes computed, translucent outlines sliced across
    // Qt's thread pool) would weigh on the window's first frame.
    if (m_look.isEmpty()) {
        m_look = QStringLiteral("%1:%2").arg(int(m_backdrop.kind)).arg(m_backdrop.angle);
        for (const quint32 color : m_backdrop.colors) m_look += QStringLiteral(":%1").arg(color, 0, 16);
        for (const MeshPoint &point : m_backdrop.points) m_look += QStringLiteral(":%1,%2").arg(point.x).arg(point.y);
    }
    const QString key = QStringLiteral("backdropTile:%1:").arg(m_selected) + m_look;
    p.drawImage(QPoint(), keptPicture(key, size(), devicePixelRatioF(), [this](QPainter &tile) {
                    const QRectF area = QRectF(rect()).adjusted(1, 1, -1, -1);
                    BackdropSwatch::paint(tile, area, m_backdrop, 7);
                    tile.setBrush(Qt::NoBrush);
                    tile.setPen(m_selected ? QPen(kRing, 2) : QPen(Theme::lineStrong(), 1));
                    tile.drawPath(Theme::continuousRoundedRect(area, 7));
                }));
}

BackdropsSection::BackdropsSection(const InspectorContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_name(themedLabel({}, Theme::font(12), Theme::text2(), this)),
      m_grid(new TileGrid(6, kTileHeight, 8, this)),
      m_newTile(new SectionKit::NewTile({{}, QStringLiteral("plus"), 7, 0.18}, m_grid)), m_editRow(new EditRow(this)) {
    m_name->setObjectName(QStringLiteral("backdropName"));
    m_newTile->setObjectName(QStringLiteral("newTile"));
    m_editRow->setObjectName(QStringLiteral("editRow"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    auto *header = new QHBoxLayout;
    header->setSpacing(8);
    header->addWidget(new SectionLabel(L("Fundo"), this));
    header->addStretch(1);
    header->addWidget(m_name);
    m_name->setTextFormat(Qt::PlainText);
    column->addLayout(header);
    column->addWidget(m_grid);
    column->addWidget(m_editRow);
    column->addWidget(EditorView::tip(L("Botão direito num fundo: duplicar ou excluir"), this));
    m_newTile->setToolTip(L("Criar um fundo novo: cor sólida, degradê ou malha"));
    m_newTile->setAccessibleName(L("Novo fundo"));
    connect(m_newTile, &QAbstractButton::clicked, this, [this] {
        if (m_context.model) m_context.model->newBackdrop();
    });
    connect(m_editRow, &QAbstractButton::clicked, this, [this] {
        if (EditorModel *model = m_context.model) model->editBackdrop(model->document().style().backdrop);
    });
    syncBackdrops();
}

QList<BackdropSwatchTile *> BackdropsSection::tiles() const {
    return m_pool.mid(0, std::min(m_pool.size(), m_context.styles->backdrops().size()));
}

void BackdropsSection::syncBackdrops() {
    const QList<Backdrop> &backdrops = m_context.styles->backdrops();
    while (m_pool.size() < backdrops.size()) {
        auto *tile = new BackdropSwatchTile(m_grid);
        tile->setObjectName(QStringLiteral("backdrop%1").arg(m_pool.size()));
        connect(tile, &QAbstractButton::clicked, this, [this, tile] {
            const Backdrop chosen = tile->backdrop();
            SectionKit::editStyle(m_context.model, [&](BeautyStyle &s) { s.backdrop = chosen; });
        });
        connect(tile, &BackdropSwatchTile::doubleClicked, this, [this, tile] {
            if (m_context.model && tile->backdrop().id != kTransparentID)
                m_context.model->editBackdrop(tile->backdrop());
        });
        connect(tile, &BackdropSwatchTile::menuRequested, this, [this, tile](const QPoint &at) {
            const QPointer<QMenu> menu = createMenu(int(m_pool.indexOf(tile)), this); // the page may close meanwhile
            menu->exec(at);
            delete menu;
        });
        m_pool.append(tile);
    }
    QList<QWidget *> shown;
    for (qsizetype i = 0; i < backdrops.size(); ++i) {
        m_pool[i]->setBackdrop(backdrops[i]);
        shown.append(m_pool[i]);
    }
    if (m_context.styles->hasRoomForBackdrop()) shown.append(m_newTile);
    m_grid->setTiles(shown);
    syncSelection();
}

void BackdropsSection::syncSelection() {
    const EditorModel *model = m_context.model;
    const std::optional<Backdrop> current = model ? std::optional(model->document().style().backdrop) : std::nullopt;
    for (BackdropSwatchTile *tile : tiles()) tile->setSelected(current && current->id == tile->backdrop().id);
    const QString name = current ? current->displayName() : QString();
    if (m_fullName != name) {
        m_fullName = name;
        m_name->setText(m_name->fontMetrics().elidedText(name, Qt::ElideRight, kNameWidth));
        m_name->setToolTip(plainToolTip(name));
    }
    const QString edit =
        current && current->id == kTransparentID ? L("Criar fundo com minhas cores") : L("Mudar as cores deste fundo");
    if (m_editRow->text() != edit) {
        m_editRow->setText(edit);
        m_editRow->update();
    }
}

QMenu *BackdropsSection::createMenu(int index, QWidget *parent) {
    auto *menu = new QMenu(parent);
    const QList<Backdrop> &stored = m_context.styles->backdrops();
    const Backdrop backdrop = stored.value(index);
    const bool transparent = backdrop.id == kTransparentID;
    const QPointer<EditorModel> model = m_context.model;
    menu->addAction(L("Editar cores…"),
                    [model, backdrop] {
                        if (model) model->editBackdrop(backdrop);
                    })
        ->setEnabled(!transparent);
    menu->addAction(L("Duplicar"),
                    [model, backdrop] {
                        if (model) model->duplicateBackdrop(backdrop);
                    })
        ->setEnabled(!transparent && m_context.styles->hasRoomForBackdrop());
    menu->addSeparator();
    menu->addAction(L("Excluir fundo"),
                    [model, backdrop] {
                        if (model) model->deleteBackdrop(backdrop);
                    })
        ->setEnabled(!transparent);
    return menu;
}
