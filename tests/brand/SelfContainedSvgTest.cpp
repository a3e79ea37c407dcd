#include "brand/SelfContainedSvg.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

namespace {

// The text the renderer reads as style sheets: everything inside a <style> element, at any depth.
QString styleSheetsOf(const QByteArray &svg) {
    QXmlStreamReader reader(svg);
    QString sheets;
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (depth > 0 || reader.name() == QLatin1String("style")) ++depth;
            break;
        case QXmlStreamReader::EndElement:
            if (depth > 0) --depth;
            break;
        case QXmlStreamReader::Characters:
            if (depth > 0) sheets += reader.text();
            break;
        default: break;
        }
    }
    return sheets;
}

QByteArray svgWith(const QByteArray &inside) {
    return R"(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">)" + inside +
           R"(<rect class="a" width="10" height="10"/></svg>)";
}

} // namespace

TEST(SelfContainedSvgTest, StyleSheetsThatReachOutsideAreDroppedWhole) {
    // Each spells an import once what stands between its pieces is gone, or hides it behind an element.
    const QByteArray hostile[] = {
        "<style><a/>@import url(evil.css);</style>",
        "<style><style/>@import url(evil.css);</style>",
        "<style><g><a>.a{}</a></g>@import 'evil.css';</style>",
        "<style>@imp<!-- -->ort 'evil.css';</style>",
        "<style>@imp<?x?>ort 'evil.css';</style>",
        "<style>@imp<![CDATA[ort 'evil.css';]]></style>",
        "<style>.a { fill: u<b/>rl(evil.svg) }</style>",
    };
    for (const QByteArray &inside : hostile) {
        const std::optional<QByteArray> alone = SelfContainedSvg::from(svgWith(inside));
        ASSERT_TRUE(alone) << inside.constData();
        const QString sheets = styleSheetsOf(*alone);
        EXPECT_FALSE(sheets.contains(QLatin1String("evil"))) << inside.constData() << " gave " << alone->constData();
        EXPECT_TRUE(alone->contains("<rect")) << inside.constData();
    }
}

TEST(SelfContainedSvgTest, StyleSheetsOfTheDocumentItselfStillApply) {
    for (const QByteArray &inside : {QByteArray("<style>.a { fill: #0000ff }</style>"),
                                     QByteArray("<style><![CDATA[.a { fill: #0000ff }]]></style>")}) {
        const std::optional<QByteArray> alone = SelfContainedSvg::from(svgWith(inside));
        ASSERT_TRUE(alone);
        QSvgRenderer renderer(*alone);
        QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        renderer.render(&painter);
        painter.end();
        EXPECT_EQ(image.pixelColor(5, 5), QColor(Qt::blue)) << inside.constData();
    }
    EXPECT_FALSE(SelfContainedSvg::from(svgWith("<style>.a { fill: blue }")));
}
