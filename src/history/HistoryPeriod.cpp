#include "history/HistoryPeriod.h"

#include "core/Localization.h"
#include "platform/LongDate.h"

const QList<HistoryPeriod> &allHistoryPeriods() {
    static const QList<HistoryPeriod> periods{HistoryPeriod::all, HistoryPeriod::today, HistoryPeriod::week,
                                              HistoryPeriod::month};
    return periods;
}

QString periodLabel(HistoryPeriod period) {
    switch (period) {
    case HistoryPeriod::all: return L("Tudo");
    case HistoryPeriod::today: return L("Hoje");
    case HistoryPeriod::week: return L("7 dias");
    case HistoryPeriod::month: return L("30 dias");
    }
    return {};
}

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

QString dayTitle(QDate day, QDate today) {
    if (day == today) return L("Hoje");
    if (day == today.addDays(-1)) return L("Ontem");
    return platform::dayHeading(day, day.year() != today.year());
}
