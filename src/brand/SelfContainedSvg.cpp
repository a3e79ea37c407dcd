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
    // A style sheet is its <style> element's text at every depth below it, read as one: pieces that are
    // harmless alone spell an import once a comment or an element between them is gone. It is gathered
    // whole and written as one text, or not at all; elements inside it are not written.
    int styleDepth = 0; // elements open from a <style> down; 0 outside one
    QString styleSheet;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (styleDepth > 0) {
            if (token == QXmlStreamReader::StartElement) ++styleDepth;
            else if (token == QXmlStreamReader::Characters) styleSheet += reader.text();
            else if (token == QXmlStreamReader::EndElement && --styleDepth == 0) {
                if (urlsStayInside(styleSheet)) writer.writeCharacters(styleSheet);
                styleSheet.clear();
                writer.writeEndElement();
            }
            continue;
        }
        switch (token) {
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
            if (reader.name() == QLatin1String("style")) styleDepth = 1;
            break;
        }
        case QXmlStreamReader::EndElement: writer.writeEndElement(); break;
        case QXmlStreamReader::Characters:
            if (reader.isCDATA()) writer.writeCDATA(reader.text().toString());
            else writer.writeCharacters(reader.text().toString());
            break;
        default: break; // the DTD, comments, processing instructions, unresolved entities
        }
    }
    // Half a document is none: what the writer could not write may be what made the rest harmless.
    if (reader.hasError() || writer.hasError()) return std::nullopt;
    return out;
}

} // namespace SelfContainedSvg
