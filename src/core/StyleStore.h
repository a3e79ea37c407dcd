#pragma once

#include "core/Backdrop.h"
#include "core/BeautyStyle.h"
#include "core/ExportSettings.h"
#include "core/StylePreset.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QUuid>

#include <array>

namespace platform {
class UserDefaults;
}

// The default style, the presets, the backdrops (the transparent one always last) and the export
// settings, kept in the user defaults under "style.default", "style.presets", "style.backdrops" and
// "style.export" (Settings::styleDefault …). Main thread only.
//
// Each key falls back to its built-in value when absent or unreadable, and nothing is written until
// the first change; from then on every change writes the keys back in one file write. A key that
// exists but cannot be read is left as it is on disk until its own value changes, so an unrelated
// change never replaces it with the fallback.
class StyleStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(BeautyStyle defaultStyle READ defaultStyle WRITE setDefaultStyle NOTIFY defaultStyleChanged)
    Q_PROPERTY(QList<StylePreset> presets READ presets WRITE setPresets NOTIFY presetsChanged)
    Q_PROPERTY(QList<Backdrop> backdrops READ backdrops WRITE setBackdrops NOTIFY backdropsChanged)
    Q_PROPERTY(ExportSettings exportSettings READ exportSettings WRITE setExportSettings NOTIFY exportSettingsChanged)

public:
    static constexpr int maxPresets = 9;
    static constexpr int maxBackdrops = 20; // the transparent one included

    // The application's store over the standard user defaults, created on first use.
    static StyleStore &shared();

    explicit StyleStore(platform::UserDefaults &defaults, QObject *parent = nullptr);

    const BeautyStyle &defaultStyle() const { return m_defaultStyle; }
    const QList<StylePreset> &presets() const { return m_presets; }
    const QList<Backdrop> &backdrops() const { return m_backdrops; }
    const ExportSettings &exportSettings() const { return m_export; }

    // Assigning a different value publishes it and saves; an equal value changes nothing.
    void setDefaultStyle(const BeautyStyle &style);
    void setPresets(const QList<StylePreset> &presets);
    void setBackdrops(const QList<Backdrop> &backdrops); // normalized first
    void setExportSettings(const ExportSettings &settings);

    // Appends a preset with a fresh identifier while fewer than nine exist; otherwise nothing.
    void addPreset(const QString &name, const BeautyStyle &style);
    // Removes every preset with that preset's identifier. The mutators below take their values by
    // copy: a caller may pass an element of the very list they replace.
    void removePreset(StylePreset preset);
    // Trims the name; an empty result or an unknown identifier does nothing.
    void renamePreset(QUuid id, const QString &name);
    void updatePreset(QUuid id, const BeautyStyle &style);

    // Replaces the backdrop with the same identifier in place, or appends it before the transparent
    // one while fewer than twenty backdrops exist; the default style and every preset that use a
    // backdrop of that identifier take the new one. "none" is ignored.
    void saveBackdrop(Backdrop backdrop);
    // Whether saveBackdrop would keep a backdrop of identifier `id`: it replaces a stored one, or the
    // list has room for one more. An empty identifier asks about a new backdrop.
    bool hasRoomForBackdrop(const QString &id = QString()) const;
    // Removes every backdrop with that identifier ("none" excepted); styles keep their copies.
    void removeBackdrop(Backdrop backdrop);

    // Back to the factory presets (new identifiers) / the built-in backdrops; always saved.
    void resetPresets();
    void resetBackdrops();

    // The list without any "none" entry, followed by the transparent backdrop. Its length is not limited.
    static QList<Backdrop> normalized(const QList<Backdrop> &backdrops);

signals:
    void defaultStyleChanged();
    void presetsChanged();
    void backdropsChanged();
    void exportSettingsChanged();

private:
    enum Slot { DefaultSlot, PresetsSlot, BackdropsSlot, ExportSlot, SlotCount };
    using Changes = std::array<bool, SlotCount>;

    void load();
    // Marks the changed values as ours to write, saves, then publishes them.
    void commit(const Changes &changes);
    void save();

    platform::UserDefaults &m_defaults;
    BeautyStyle m_defaultStyle;
    QList<StylePreset> m_presets;
    QList<Backdrop> m_backdrops;
    ExportSettings m_export;
    // Whether each key may be written: it was absent or readable when loaded, or its value has
    // changed since. An unreadable stored value stays untouched until then.
    Changes m_writable{};
};
