#include "LargestCommandTable.h"

#include "core/StyleStore.h"

LargestCommandTable::LargestCommandTable() {
    StyleStore &store = StyleStore::shared();
    m_backdrops = store.backdrops();
    m_presets = store.presets();
    for (int i = 0; store.backdrops().size() < StyleStore::maxBackdrops; ++i) {
        Backdrop b = Backdrop::defaults().first();
        b.id = QStringLiteral("bench-%1").arg(i);
        b.name = QStringLiteral("Fundo de teste %1").arg(i);
        store.saveBackdrop(b);
    }
    while (store.presets().size() < StyleStore::maxPresets) store.addPreset(QStringLiteral("Preset"), BeautyStyle{});
}

LargestCommandTable::~LargestCommandTable() {
    StyleStore::shared().setBackdrops(m_backdrops);
    StyleStore::shared().setPresets(m_presets);
}
