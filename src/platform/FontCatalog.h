#pragma once

#include "platform/SharedService.h"

#include <QStringList>

namespace platform {

// The font families installed, as the font database lists them (foundries included); tests hand in
// their own. The real one reads the database once per run, and lists nothing without a GUI application
// (a command-line tool), asking again at the next call. Any thread.
class FontCatalog : public SharedService<FontCatalog> {
public:
    virtual ~FontCatalog() = default;
    virtual QStringList families() = 0;
};
template <>
FontCatalog &SharedService<FontCatalog>::real();

} // namespace platform
