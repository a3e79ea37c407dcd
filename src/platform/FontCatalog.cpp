#include "platform/FontCatalog.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMutex>

#include <optional>

namespace platform {

namespace {

class SystemFontCatalog final : public FontCatalog {
public:
    QStringList families() override {
        QMutexLocker lock(&m_mutex);
        if (!m_families) {
            // The font database needs the GUI application.
            if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance())) return {};
            m_families = QFontDatabase::families();
        }
        return *m_families;
    }

private:
    QMutex m_mutex;
    std::optional<QStringList> m_families;
};

} // namespace

template <>
FontCatalog &SharedService<FontCatalog>::real() {
    static SystemFontCatalog catalog;
    return catalog;
}

} // namespace platform
