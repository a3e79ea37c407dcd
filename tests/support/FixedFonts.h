#pragma once

#include "platform/FontCatalog.h"

#include <QStringList>

namespace testsupport {

// The shared font catalog while it lives: the families the test lists, as the font database would
// (foundries included). The catalog in place before comes back after it.
class FixedFonts : public platform::FontCatalog {
public:
    QStringList listed;

    explicit FixedFonts(QStringList families) : listed(std::move(families)), m_previous(&shared()) {
        setSharedForTesting(this);
    }
    ~FixedFonts() override { setSharedForTesting(m_previous); }
    FixedFonts(const FixedFonts &) = delete;
    FixedFonts &operator=(const FixedFonts &) = delete;

    QStringList families() override { return listed; }

private:
    platform::FontCatalog *m_previous;
};

} // namespace testsupport
