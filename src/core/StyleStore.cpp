#include "core/StyleStore.h"

#include "core/Settings.h"
#include "platform/UserDefaults.h"

#include <algorithm>

namespace {

const QString kNone = QStringLiteral("none");

} // namespace

StyleStore &StyleStore::shared() {
    // Never destroyed: it outlives every view that observes it.
    static StyleStore *instance = new StyleStore(platform::UserDefaults::standard());
    return *instance;
}

StyleStore::StyleStore(platform::UserDefaults &defaults, QObject *parent) : QObject(parent), m_defaults(defaults) {
    load();
    // Styles edited in the settings file while we run are taken in.
    connect(&m_defaults, &platform::UserDefaults::changedOnDisk, this, [this](const QStringList &keys) {
        const auto touched = [&keys](const auto &setting) { return keys.contains(setting.key()); };
        if (!touched(Settings::styleDefault) && !touched(Settings::stylePresets) &&
            !touched(Settings::styleBackdrops) && !touched(Settings::styleExport))
            return;
        const BeautyStyle style = m_defaultStyle;
        const QList<StylePreset> presets = m_presets;
        const QList<Backdrop> backdrops = m_backdrops;
        const ExportSettings exportSettings = m_export;
        load();
        if (m_defaultStyle != style) emit defaultStyleChanged();
        if (m_presets != presets) emit presetsChanged();
        if (m_backdrops != backdrops) emit backdropsChanged();
        if (!(m_export == exportSettings)) emit exportSettingsChanged();
    });
}

void StyleStore::load() {
    // Reads one key; a stored value that does not decode leaves the fallback in place and keeps
    // the key from being written until its value changes.
    const auto read = [this](Slot slot, const auto &setting, auto &target) {
        if (auto value = setting.stored(m_defaults)) {
            target = std::move(*value);
            m_writable[slot] = true;
            return;
        }
        target = setting.fallback();
        m_writable[slot] = !setting.isStored(m_defaults);
    };
    read(DefaultSlot, Settings::styleDefault, m_defaultStyle);
    read(PresetsSlot, Settings::stylePresets, m_presets);
    read(BackdropsSlot, Settings::styleBackdrops, m_backdrops);
    // Lists longer than the application lets anyone build (an edited file) are kept as they are: the
    // next save writes back what was read. The limits only refuse additions.
    m_backdrops = normalized(m_backdrops);
    read(ExportSlot, Settings::styleExport, m_export);
}

void StyleStore::save() {
    // A value holding a number JSON cannot express would not read back; the table skips that key.
    const auto write = [this](Slot slot, const auto &setting, const auto &value) {
        if (m_writable[slot]) setting.set(value, m_defaults);
    };
    platform::UserDefaults::Batch batch(m_defaults);
    write(DefaultSlot, Settings::styleDefault, m_defaultStyle);
    write(PresetsSlot, Settings::stylePresets, m_presets);
    write(BackdropsSlot, Settings::styleBackdrops, m_backdrops);
    write(ExportSlot, Settings::styleExport, m_export);
}

void StyleStore::commit(const Changes &changes) {
    if (std::none_of(changes.begin(), changes.end(), [](bool c) { return c; })) return;
    for (int slot = 0; slot < SlotCount; ++slot) {
        if (changes[slot]) m_writable[slot] = true;
    }
    save();
    if (changes[DefaultSlot]) emit defaultStyleChanged();
    if (changes[PresetsSlot]) emit presetsChanged();
    if (changes[BackdropsSlot]) emit backdropsChanged();
    if (changes[ExportSlot]) emit exportSettingsChanged();
}

void StyleStore::setDefaultStyle(const BeautyStyle &style) {
    if (style == m_defaultStyle) return;
    m_defaultStyle = style;
    commit({true, false, false, false});
}

void StyleStore::setPresets(const QList<StylePreset> &presets) {
    if (presets == m_presets) return;
    m_presets = presets;
    commit({false, true, false, false});
}

void StyleStore::setBackdrops(const QList<Backdrop> &backdrops) {
    const QList<Backdrop> list = normalized(backdrops);
    if (list == m_backdrops) return;
    m_backdrops = list;
    commit({false, false, true, false});
}

void StyleStore::setExportSettings(const ExportSettings &settings) {
    if (settings == m_export) return;
    m_export = settings;
    commit({false, false, false, true});
}

void StyleStore::addPreset(const QString &name, const BeautyStyle &style) {
    if (m_presets.size() >= maxPresets) return;
    m_presets.append(StylePreset{QUuid::createUuid(), name, style});
    commit({false, true, false, false});
}

void StyleStore::removePreset(StylePreset preset) {
    const auto removed = m_presets.removeIf([&](const StylePreset &p) { return p.id == preset.id; });
    commit({false, removed > 0, false, false});
}

void StyleStore::renamePreset(QUuid id, const QString &name) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty()) return;
    const auto it = std::find_if(m_presets.begin(), m_presets.end(), [&](const StylePreset &p) { return p.id == id; });
    if (it == m_presets.end() || it->name == trimmed) return;
    it->name = trimmed;
    commit({false, true, false, false});
}

void StyleStore::updatePreset(QUuid id, const BeautyStyle &style) {
    const auto it = std::find_if(m_presets.begin(), m_presets.end(), [&](const StylePreset &p) { return p.id == id; });
    if (it == m_presets.end() || it->style == style) return;
    it->style = style;
    commit({false, true, false, false});
}

bool StyleStore::hasRoomForBackdrop(const QString &id) const {
    if (m_backdrops.size() < maxBackdrops) return true;
    return !id.isEmpty() &&
           std::any_of(m_backdrops.begin(), m_backdrops.end(), [&](const Backdrop &b) { return b.id == id; });
}

void StyleStore::saveBackdrop(Backdrop backdrop) {
    if (backdrop.id == kNone) return;
    QList<Backdrop> list = m_backdrops;
    list.removeIf([](const Backdrop &b) { return b.id == kNone; });
    const auto same = std::find_if(list.begin(), list.end(), [&](const Backdrop &b) { return b.id == backdrop.id; });
    if (!hasRoomForBackdrop(backdrop.id)) return;
    if (same != list.end()) *same = backdrop;
    else list.append(backdrop);

    Changes changes{};
    list = normalized(list);
    if (list != m_backdrops) {
        m_backdrops = list;
        changes[BackdropsSlot] = true;
    }
    // Styles hold copies of their backdrop; editing a backdrop carries into every style using it.
    if (m_defaultStyle.backdrop.id == backdrop.id && m_defaultStyle.backdrop != backdrop) {
        m_defaultStyle.backdrop = backdrop;
        changes[DefaultSlot] = true;
    }
    for (StylePreset &preset : m_presets) {
        if (preset.style.backdrop.id == backdrop.id && preset.style.backdrop != backdrop) {
            preset.style.backdrop = backdrop;
            changes[PresetsSlot] = true;
        }
    }
    commit(changes);
}

void StyleStore::removeBackdrop(Backdrop backdrop) {
    if (backdrop.id == kNone) return;
    QList<Backdrop> list = m_backdrops;
    list.removeIf([&](const Backdrop &b) { return b.id == backdrop.id; });
    setBackdrops(list);
}

void StyleStore::resetPresets() {
    m_presets = StylePreset::factoryPresets();
    commit({false, true, false, false});
}

void StyleStore::resetBackdrops() {
    // Written even when the list already equals the built-ins: an unreadable stored list is
    // replaced by what the user asked for.
    m_backdrops = normalized(Backdrop::defaults());
    commit({false, false, true, false});
}

QList<Backdrop> StyleStore::normalized(const QList<Backdrop> &backdrops) {
    QList<Backdrop> list;
    list.reserve(backdrops.size() + 1);
    for (const Backdrop &b : backdrops) {
        if (b.id != kNone) list.append(b);
    }
    list.append(Backdrop::transparent());
    return list;
}
