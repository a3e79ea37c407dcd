#pragma once

#include "core/StylePreset.h"
#include "editor_window/InspectorSectionKit.h"

#include <QAbstractButton>
#include <QList>
#include <QWidget>

class QMenu;
class TileGrid;

// One stored preset: its name on one line and the key cap that applies it ("1"–"9"); highlighted
// while the open image's style is the preset's whole style.
class PresetTile : public QAbstractButton {
    Q_OBJECT
public:
    explicit PresetTile(QWidget *parent = nullptr);
    void setPreset(const StylePreset &preset, int index);
    const StylePreset &preset() const { return m_preset; }
    int index() const { return m_index; }
    // The key cap's text.
    QString keyLabel() const { return QString::number(m_index + 1); }
    void setActive(bool active);
    bool isActive() const { return m_active; }

signals:
    void menuRequested(const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    StylePreset m_preset;
    int m_index = 0;
    bool m_active = false;
};

// The presets: a two-column grid of the stored presets, then "+ Novo" while fewer than nine are
// stored, and the hint. A click applies a preset; its menu updates, renames or deletes it. The tiles
// of the stored presets are "preset0", "preset1", … in order.
class PresetsSection : public QWidget {
    Q_OBJECT
public:
    PresetsSection(const InspectorContext &context, QWidget *parent = nullptr);

    // The tiles follow the stored presets (tiles are reused, never rebuilt).
    void syncPresets();
    // The highlight follows the model's style.
    void syncActive();

    // The menu of the preset at `index`; the caller owns it.
    QMenu *createMenu(int index, QWidget *parent);

private:
    // The tiles shown, in order.
    QList<PresetTile *> tiles() const;
    void rename(const StylePreset &preset);

    const InspectorContext &m_context;
    TileGrid *m_grid;
    QList<PresetTile *> m_pool; // every tile made so far; the first presets().size() are shown
    QAbstractButton *m_newTile;
};
