#pragma once

#include "core/Backdrop.h"
#include "core/StylePreset.h"

#include <QList>

// While it lives, the shared style store holds twenty backdrops and nine presets, so that the editor's
// command bar lists its largest table (64 rows); what was stored before comes back afterwards.
class LargestCommandTable {
public:
    LargestCommandTable();
    ~LargestCommandTable();

private:
    QList<Backdrop> m_backdrops;
    QList<StylePreset> m_presets;
};
