#include "editor_window/InspectorPresets.h"

#include "core/Localization.h"
#include "core/StyleStore.h"
#include "editor_window/EditorView.h"
#include "widgets/KeptPicture.h"
#include "widgets/Keycap.h"
#include "widgets/SectionLabel.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"
#include "widgets/TileGrid.h"

#include <QContextMenuEvent>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int kTileHeight = 36;
const QColor kIdleText(200, 200, 210);

} // namespace

PresetTile::PresetTile(QWidget *parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFont(Theme::font(13));
    setToolTip(L("Clique para aplicar · botão direito para renomear, atualizar ou excluir"));
}

void PresetTile::setPreset(const StylePreset &preset, int index) {
    if (preset == m_preset && index == m_index) return;
    m_preset = preset;
    m_index = index;
    setAccessibleName(preset.displayName());
    update();
}

void PresetTile::setActive(bool active) {
    if (active == m_active) return;
    m_active = active;
    update();
}

void PresetTile::contextMenuEvent(QContextMenuEvent *event) { emit menuRequested(event->globalPos()); }

void PresetTile::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    drawPlate(p, rect(), 8, m_active ? Theme::accentSoft() : Theme::raised(),
              m_active ? Theme::accentLine() : Theme::line());
    // The cap keeps its room; the name is cut to what is left of the line.
    const QSize cap = Keycap::faceSize(keyLabel(), Keycap::Size::small);
    const qreal capLeft = width() - 10 - cap.width();
    Keycap::paint(p, QPointF(capLeft, (height() - cap.height()) / 2.0), keyLabel(), Keycap::Size::small);
    const QRectF nameRect(10, 0, std::max<qreal>(0, capLeft - 4 - 10), height());
    p.setFont(font());
    p.setPen(m_active ? Theme::text() : kIdleText);
    drawLaidOutLine(p, nameRect, Qt::AlignLeft | Qt::AlignVCenter, m_preset.displayName(), true);
}

PresetsSection::PresetsSection(const InspectorContext &context, QWidget *parent)
    : QWidget(parent), m_context(context), m_grid(new TileGrid(2, kTileHeight, 8, this)),
      m_newTile(new SectionKit::NewTile({L("+ Novo"), {}, 8, 0.16}, m_grid)) {
    m_newTile->setObjectName(QStringLiteral("newTile"));
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(10);
    column->addWidget(new SectionLabel(L("Presets"), this));
    column->addWidget(m_grid);
    column->addWidget(EditorView::tip(L("Botão direito num preset: renomear, atualizar ou excluir"), this));
    m_newTile->setToolTip(L("Salvar o estilo atual como preset"));
    connect(m_newTile, &QAbstractButton::clicked, this, [this] {
        if (m_context.model) m_context.model->saveAsPreset();
    });
    syncPresets();
}

QList<PresetTile *> PresetsSection::tiles() const {
    return m_pool.mid(0, std::min(m_pool.size(), m_context.styles->presets().size()));
}

void PresetsSection::syncPresets() {
    const QList<StylePreset> &presets = m_context.styles->presets();
    while (m_pool.size() < presets.size()) {
        auto *tile = new PresetTile(m_grid);
        tile->setObjectName(QStringLiteral("preset%1").arg(m_pool.size()));
        connect(tile, &QAbstractButton::clicked, this, [this, tile] {
            if (m_context.model) m_context.model->applyPreset(tile->index());
        });
        connect(tile, &PresetTile::menuRequested, this, [this, tile](const QPoint &at) {
            const QPointer<QMenu> menu = createMenu(tile->index(), this); // the page may close meanwhile
            menu->exec(at);
            delete menu;
        });
        m_pool.append(tile);
    }
    QList<QWidget *> shown;
    for (qsizetype i = 0; i < presets.size(); ++i) {
        m_pool[i]->setPreset(presets[i], int(i));
        shown.append(m_pool[i]);
    }
    if (presets.size() < StyleStore::maxPresets) shown.append(m_newTile);
    m_grid->setTiles(shown);
    syncActive();
}

void PresetsSection::syncActive() {
    const EditorModel *model = m_context.model;
    for (PresetTile *tile : tiles()) tile->setActive(model && model->document().style() == tile->preset().style);
}

QMenu *PresetsSection::createMenu(int index, QWidget *parent) {
    auto *menu = new QMenu(parent);
    const StylePreset preset = m_context.styles->presets().value(index);
    const QPointer<EditorModel> model = m_context.model;
    menu->addAction(L("Atualizar com o estilo atual"), [model, preset] {
        if (model) model->updatePreset(preset);
    });
    menu->addAction(L("Renomear…"), [this, preset] { rename(preset); });
    menu->addSeparator();
    menu->addAction(L("Excluir preset"), [model, preset] {
        if (model) model->deletePreset(preset);
    });
    return menu;
}

void PresetsSection::rename(const StylePreset &preset) {
    const QPointer<EditorModel> model = m_context.model;
    StyleStore *styles = m_context.styles;
    if (!model) return;
    // The prompt waits in its own event loop; only the store is touched afterwards.
    const std::optional<QString> name = model->askName(L("Renomear preset"), {}, preset.displayName(), L("Renomear"));
    if (name) styles->renamePreset(preset.id, *name);
}
