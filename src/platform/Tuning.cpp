#include "platform/Tuning.h"

#include <QByteArray>
#include <QList>
#include <QtGlobal>

namespace platform::Tuning {

namespace {

const char *nameOf(Measure measure) {
    switch (measure) {
    case Measure::nice: return "nice";
    case Measure::arenas: return "arenas";
    case Measure::trim: return "trim";
    case Measure::pages: return "pages";
    case Measure::engine: return "engine";
    case Measure::firstPage: return "firstpage";
    }
    return "";
}

} // namespace

bool enabled(Measure measure) {
    const QByteArray off = qgetenv("PELICARTA_NO_TUNING").trimmed().toLower();
    if (off.isEmpty() || off == "0") return true;
    if (off == "1" || off == "all") return false;
    for (const QByteArray &name : off.split(','))
        if (name.trimmed() == nameOf(measure)) return false;
    return true;
}

} // namespace platform::Tuning
