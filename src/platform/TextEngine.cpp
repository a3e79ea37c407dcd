#include "platform/TextEngine.h"

#include "platform/Log.h"

#include <QDebug>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

namespace platform {

std::optional<QRectF> TextLine::boxOf(qsizetype start, qsizetype length) const {
    if (length <= 0) return std::nullopt;
    const qsizetype end = start + length;
    std::optional<QRectF> found;
    for (const Glyph &g : glyphs) {
        if (g.start + g.length <= start || g.start >= end) continue;
        found = found ? found->united(g.box) : g.box;
    }
    return found;
}

QString TextEngineError::message() const {
    return m_kind == Kind::unavailable ? QStringLiteral("Não foi possível iniciar a leitura de texto.")
                                       : QStringLiteral("A leitura de texto falhou.");
}

void ensureSingleThreadedOpenMP(int argc, char **argv) {
    (void)argc;
    const char *current = std::getenv("OMP_THREAD_LIMIT");
    if (current && std::strcmp(current, "1") == 0) return;
    // The child sees "1" and returns above, so this runs at most once per start.
    if (::setenv("OMP_THREAD_LIMIT", "1", 1) != 0) return;
    ::execv("/proc/self/exe", argv);
    qCWarning(lcPlatform, "Could not restart with OMP_THREAD_LIMIT=1 (%s); text recognition will be slow on few cores",
              std::strerror(errno));
}

} // namespace platform
