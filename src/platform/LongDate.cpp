#include "platform/LongDate.h"

#include "platform/StringTables.h"

#include <QLocale>

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>

namespace platform {

QString longDate(const QDateTime &date, const QString &languageTag) {
    if (!date.isValid()) return {};
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale locale = icu::Locale::forLanguageTag(languageTag.toStdString(), status);
    if (U_FAILURE(status)) locale = icu::Locale::getRoot();
    const std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateInstance(icu::DateFormat::kLong, locale));
    // Qt's long format would add the weekday; it is only the fallback when ICU has no data at all.
    if (!format) return QLocale(languageTag).toString(date.toLocalTime().date(), QLocale::LongFormat);
    icu::UnicodeString text;
    format->format(static_cast<UDate>(date.toMSecsSinceEpoch()), text);
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

QString longDate(const QDateTime &date) {
    const QString language = StringTables::currentLanguage();
    const QString system = QLocale::system().bcp47Name();
    const auto base = [](const QString &tag) { return tag.section(QLatin1Char('-'), 0, 0).toLower(); };
    return longDate(date, base(system) == base(language) && system.contains(QLatin1Char('-')) ? system : language);
}

} // namespace platform
