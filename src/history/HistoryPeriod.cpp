#include "history/HistoryPeriod.h"

std::optional<QDateTime> periodSince(HistoryPeriod period, const QDateTime &now) {
    const QDateTime local = now.toLocalTime();
    switch (period) {
    case HistoryPeriod::all: return std::nullopt;
    case HistoryPeriod::today: return local.date().startOfDay();
    case HistoryPeriod::week: return local.addDays(-7);
    case HistoryPeriod::month: return local.addDays(-30);
    }
    return std::nullopt;
}
