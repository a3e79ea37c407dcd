#include "brand/SelfContainedSvg.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace SelfContainedSvg {

namespace {

bool isEmbeddedPicture(QStringView uri) {
    if (!uri.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) return false;
    // What the renderer decodes: the text after the last "base64,".
    const qsizetype at = uri.lastIndexOf(QLatin1String("base64,"));
    if (at < 0) return false;
    const QByteArray picture = QByteArray::fromBase64(uri.mid(at + 7).toLatin1());
    return picture.startsWith("\x89PNG\r\n\x1a\n") || picture.startsWith("\xFF\xD8\xFF");
}

bool isInside(QStringView reference) {
    const QStringView trimmed = reference.trimmed();
    return trimmed.startsWith(QLatin1Char('#')) || isEmbeddedPicture(trimmed);
}

// Whether every url(…) in `text` names something in this document, and nothing is imported.
bool urlsStayInside(QStringView text) {
    if (text.contains(QLatin1String("@import"), Qt::CaseInsensitive)) return false;
    for (qsizetype at = text.indexOf(QLatin1String("url("), 0, Qt::CaseInsensitive); at >= 0;
         at = text.indexOf(QLatin1String("url("), at + 4, Qt::CaseInsensitive)) {
        QStringView target = text.mid(at + 4).trimmed();
        if (target.startsWith(QLatin1Char('"')) || target.startsWith(QLatin1Char('\''))) target = target.mid(1);
        if (!target.startsWith(QLatin1Char('#'))) return false;
    }
    // Escapes could spell "url(" in a way the search above does not see.
    return !text.contains(QLatin1Char('\\'));
}

bool keepAttribute(const QXmlStreamAttribute &attribute) {
    if (attribute.name().compare(QLatin1String("href"), Qt::CaseInsensitive) == 0) return isInside(attribute.value());
    return urlsStayInside(attribute.value());
}

} // namespace

std::optional<QByteArray> from(const QByteArray &svg) {
    if (svg.startsWith("\x1f\x8b")) return std::nullopt;
    QXmlStreamReader reader(svg);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    bool inStyleSheet = false;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartDocument: writer.writeStartDocument(); break;
        case QXmlStreamReader::EndDocument: writer.writeEndDocument(); break;
        case QXmlStreamReader::StartElement: {
            writer.writeStartElement(reader.qualifiedName().toString());
            for (const QXmlStreamNamespaceDeclaration &ns : reader.namespaceDeclarations()) {
                const QString name =
                    ns.prefix().isEmpty() ? QStringLiteral("xmlns") : QStringLiteral("xmlns:") + ns.prefix().toString();
                writer.writeAttribute(name, ns.namespaceUri().toString());
            }
            for (const QXmlStreamAttribute &attribute : reader.attributes())
                if (keepAttribute(attribute))
                    writer.writeAttribute(attribute.qualifiedName().toString(), attribute.value().toString());
            inStyleSheet = reader.name() == QLatin1String("style");
            break;
        }
        case QXmlStreamReader::EndElement:
            writer.writeEndElement();
            inStyleSheet = false;
            break;
        case QXmlStreamReader::Characters:
            if (inStyleSheet && !urlsStayInside(reader.text())) break;
            if (reader.isCDATA()) writer.writeCDATA(reader.text().toString());
            else writer.writeCharacters(reader.text().toString());
            break;
        default: break; // the DTD, comments, processing instructions, unresolved entities
        }
    }
    if (reader.hasError()) return std::nullopt;
    return out;
}

} // namespace SelfContainedSvg
