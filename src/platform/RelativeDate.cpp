#include "platform/RelativeDate.h"

#include "platform/StringTables.h"

#include <unicode/calendar.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/unistr.h>

#include <array>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

namespace platform {

namespace {

QString fromIcu(const icu::UnicodeString &text) {
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

// ICU's formatter and calendar for one language, made once per thread: making them reads ICU's data.
struct Formatting {
    std::unique_ptr<icu::RelativeDateTimeFormatter> formatter;
    std::unique_ptr<icu::Calendar> calendar;
};

const Formatting &formattingFor(const QString &languageTag) {
    thread_local std::unordered_map<std::string, Formatting> made;
    const std::string tag = languageTag.toStdString();
    if (const auto found = made.find(tag); found != made.end()) return found->second;
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale locale = icu::Locale::forLanguageTag(tag, status);
    if (U_FAILURE(status)) locale = icu::Locale::getRoot();
    Formatting formatting;
    status = U_ZERO_ERROR;
    formatting.formatter = std::make_unique<icu::RelativeDateTimeFormatter>(locale, nullptr, UDAT_STYLE_LONG,
                                                                            UDISPCTX_CAPITALIZATION_NONE, status);
    if (U_FAILURE(status)) formatting.formatter.reset();
    status = U_ZERO_ERROR;
    formatting.calendar.reset(icu::Calendar::createInstance(locale, status));
    if (U_FAILURE(status)) formatting.calendar.reset();
    return made.emplace(tag, std::move(formatting)).first->second;
}

// The largest unit in which `date` differs from `now`, counted on the calendar as a person counts it
// (from 10:00 yesterday to 09:00 today is 23 hours, not a day), and the signed number of those units.
std::pair<double, URelativeDateTimeUnit> largestDifference(icu::Calendar &calendar, UDate now, UDate date) {
    static constexpr std::array<std::pair<UCalendarDateFields, URelativeDateTimeUnit>, 7> units{{
        {UCAL_YEAR, UDAT_REL_UNIT_YEAR},
        {UCAL_MONTH, UDAT_REL_UNIT_MONTH},
        {UCAL_WEEK_OF_YEAR, UDAT_REL_UNIT_WEEK},
        {UCAL_DATE, UDAT_REL_UNIT_DAY},
        {UCAL_HOUR_OF_DAY, UDAT_REL_UNIT_HOUR},
        {UCAL_MINUTE, UDAT_REL_UNIT_MINUTE},
        {UCAL_SECOND, UDAT_REL_UNIT_SECOND},
    }};
    UErrorCode status = U_ZERO_ERROR;
    calendar.setTime(now, status);
    for (const auto &[field, unit] : units) {
        // Moves the calendar by the whole units found, so the next unit counts the rest.
        const int32_t difference = calendar.fieldDifference(date, field, status);
        if (U_FAILURE(status)) return {0, UDAT_REL_UNIT_SECOND};
        if (difference != 0) return {static_cast<double>(difference), unit};
    }
    return {0, UDAT_REL_UNIT_SECOND};
}

} // namespace

QString relativeDate(const QDateTime &date, const QDateTime &now, const QString &languageTag) {
    if (!date.isValid() || !now.isValid()) return {};
    const Formatting &formatting = formattingFor(languageTag);
    if (!formatting.formatter || !formatting.calendar) return {};
    const auto [value, unit] = largestDifference(*formatting.calendar, static_cast<UDate>(now.toMSecsSinceEpoch()),
                                                 static_cast<UDate>(date.toMSecsSinceEpoch()));
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString text;
    formatting.formatter->format(value, unit, text, status);
    return U_FAILURE(status) ? QString() : fromIcu(text);
}

QString relativeDate(const QDateTime &date, const QDateTime &now) {
    return relativeDate(date, now, StringTables::currentLanguage());
}

} // namespace platform
