#include "platform/LongDate.h"

#include "platform/StringTables.h"

#include <QHash>
#include <QLocale>
#include <QMutex>

#include <unicode/datefmt.h>
#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>

namespace platform {

namespace {

icu::Locale localeOf(const QString &languageTag) {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale locale = icu::Locale::forLanguageTag(languageTag.toStdString(), status);
    return U_FAILURE(status) ? icu::Locale::getRoot() : locale;
}

QString toQString(const icu::UnicodeString &text) {
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}

// The language of the application's texts, with the system's region when the system speaks it.
QString formattingLanguage() {
    const QString language = StringTables::currentLanguage();
    const QString system = QLocale::system().bcp47Name();
    const auto base = [](const QString &tag) { return tag.section(QLatin1Char('-'), 0, 0).toLower(); };
    return base(system) == base(language) && system.contains(QLatin1Char('-')) ? system : language;
}

// Formats wall-clock fields: the caller hands in local fields as if they were UTC, and the format
// reads them in UTC, so ICU's idea of the time zone never meets Qt's.
//
// Making a pattern generator costs about a millisecond, and headings are drawn at every scroll: one
// format per language and skeleton is kept.
QString formatFields(const QDateTime &fieldsAsUtc, const QString &languageTag, const char *skeleton) {
    static QMutex mutex;
    static QHash<QString, std::shared_ptr<icu::SimpleDateFormat>> formats;
    const QString cacheKey = languageTag + QLatin1Char('|') + QLatin1String(skeleton);
    std::shared_ptr<icu::SimpleDateFormat> format;
    {
        QMutexLocker lock(&mutex);
        format = formats.value(cacheKey);
        if (!format) {
            const icu::Locale locale = localeOf(languageTag);
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<icu::DateTimePatternGenerator> generator(
                icu::DateTimePatternGenerator::createInstance(locale, status));
            if (U_FAILURE(status) || !generator) return {};
            const icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString(skeleton), status);
            if (U_FAILURE(status)) return {};
            format = std::make_shared<icu::SimpleDateFormat>(pattern, locale, status);
            if (U_FAILURE(status)) return {};
            format->adoptTimeZone(icu::TimeZone::getGMT()->clone());
            formats.insert(cacheKey, format);
        }
    }
    icu::UnicodeString text;
    {
        QMutexLocker lock(&mutex); // an ICU format is not safe to share between threads
        format->format(static_cast<UDate>(fieldsAsUtc.toMSecsSinceEpoch()), text);
    }
    return toQString(text);
}

} // namespace

QString longDate(const QDateTime &date, const QString &languageTag) {
    if (!date.isValid()) return {};
    const std::unique_ptr<icu::DateFormat> format(
        icu::DateFormat::createDateInstance(icu::DateFormat::kLong, localeOf(languageTag)));
    // Qt's long format would add the weekday; it is only the fallback when ICU has no data at all.
    if (!format) return QLocale(languageTag).toString(date.toLocalTime().date(), QLocale::LongFormat);
    icu::UnicodeString text;
    format->format(static_cast<UDate>(date.toMSecsSinceEpoch()), text);
    return toQString(text);
}

QString longDate(const QDateTime &date) { return longDate(date, formattingLanguage()); }

QString dayHeading(QDate day, bool withYear, const QString &languageTag) {
    if (!day.isValid()) return {};
    const QString text =
        formatFields(QDateTime(day, QTime(12, 0), Qt::UTC), languageTag, withYear ? "yMMMMEEEEd" : "MMMMEEEEd");
    return text.isEmpty() ? QLocale(languageTag).toString(day, QLocale::LongFormat) : text;
}

QString dayHeading(QDate day, bool withYear) { return dayHeading(day, withYear, formattingLanguage()); }

QString shortTime(const QDateTime &moment, const QString &languageTag) {
    if (!moment.isValid()) return {};
    const QDateTime local = moment.toLocalTime();
    const QString text = formatFields(QDateTime(local.date(), local.time(), Qt::UTC), languageTag, "jmm");
    return text.isEmpty() ? QLocale(languageTag).toString(local.time(), QLocale::ShortFormat) : text;
}

QString shortTime(const QDateTime &moment) { return shortTime(moment, formattingLanguage()); }

QString abbreviatedDateTime(const QDateTime &moment) {
    if (!moment.isValid()) return {};
    const QDateTime local = moment.toLocalTime();
    const QString text = formatFields(QDateTime(local.date(), local.time(), Qt::UTC), formattingLanguage(), "yMMMdjmm");
    return text.isEmpty() ? QLocale().toString(local, QLocale::ShortFormat) : text;
}

} // namespace platform
