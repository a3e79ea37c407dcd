// SVG logos cut off from everything outside them (SelfContainedSvg), before the renderer sees them.
// What is handed on must be well-formed, hold no DTD, comment or processing instruction, name only
// itself or embedded pictures, and carry style sheets that import nothing, read as the renderer reads
// them: a <style> element's text at every depth below it, as one.

#include "brand/SelfContainedSvg.h"

#include "FuzzSupport.h"

#include <QXmlStreamReader>

namespace {

// Whether `text` could name something outside the document: an import, a url() to anything but
// "#id", or an escape that could spell either.
bool reachesOutside(QStringView text) {
    if (text.contains(QLatin1String("@import"), Qt::CaseInsensitive) || text.contains(QLatin1Char('\\'))) return true;
    for (qsizetype at = text.indexOf(QLatin1String("url("), 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(QLatin1String("url("), at + 1, Qt::CaseInsensitive)) {
        QStringView target = text.mid(at + 4).trimmed();
        if (target.startsWith(QLatin1Char('"')) || target.startsWith(QLatin1Char('\''))) target = target.mid(1);
        if (!target.startsWith(QLatin1Char('#'))) return true;
    }
    return false;
}

bool namesOutside(const QXmlStreamAttribute &attribute) {
    if (attribute.name().compare(QLatin1String("href"), Qt::CaseInsensitive) != 0)
        return reachesOutside(attribute.value());
    const QStringView target = attribute.value().trimmed();
    return !target.startsWith(QLatin1Char('#')) && !target.startsWith(QLatin1String("data:"), Qt::CaseInsensitive);
}

// Whether `svg`, as written for the renderer, keeps to itself.
bool keepsToItself(const QByteArray &svg) {
    QXmlStreamReader reader(svg);
    int styleDepth = 0;
    QString styleSheet;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (styleDepth > 0 || reader.name() == QLatin1String("style")) ++styleDepth;
            for (const QXmlStreamAttribute &attribute : reader.attributes())
                if (namesOutside(attribute)) return false;
            break;
        case QXmlStreamReader::EndElement:
            if (styleDepth > 0 && --styleDepth == 0) {
                if (reachesOutside(styleSheet)) return false;
                styleSheet.clear();
            }
            break;
        case QXmlStreamReader::Characters:
            if (styleDepth > 0) styleSheet += reader.text();
            break;
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
        case QXmlStreamReader::EntityReference: return false;
        default: break;
        }
    }
    return !reader.hasError();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::optional<QByteArray> alone = SelfContainedSvg::from(fuzz::bytes(data, size));
    // What was written anew is read again the same way: nothing in it is refused the second time.
    if (alone && (!keepsToItself(*alone) || !SelfContainedSvg::from(*alone))) std::abort();
    return 0;
}
