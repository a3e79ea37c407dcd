#include "GuideFixtures.h"
#include "support/TestSupport.h"
#include "core/FontFamily.h"
#include "core/SystemFont.h"
#include "tutorials/GuideLayout.h"
#include "tutorials/TutorialRenderer.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QFontInfo>
#include <QRegularExpression>

#include <poppler-qt6.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace TutorialRenderer;
using guidefixtures::StepSpec;

namespace {

const QString dejaVu = QStringLiteral("DejaVu Sans");

TutorialPalette dejaVuPalette() {
    TutorialPalette palette = TutorialPalette::of(TutorialTheme::light);
    palette.fontFamily = dejaVu;
    return palette;
}

bool near(QRgb pixel, const QColor &expected, int tolerance = 6) {
    return std::abs(qRed(pixel) - expected.red()) <= tolerance &&
           std::abs(qGreen(pixel) - expected.green()) <= tolerance &&
           std::abs(qBlue(pixel) - expected.blue()) <= tolerance;
}

// The top of step `index`'s screenshot, as the guide image stacks header and steps.
double pictureTop(const Input &input, const TutorialPalette &palette, int index) {
    double y = GuideLayout::margin + GuideLayout::header(input, palette).block() + 72;
    for (int i = 0; i < index; ++i)
        y += GuideLayout::step(input.steps[i].step, input.steps[i].size, i + 1, palette).height();
    const auto layout = GuideLayout::step(input.steps[index].step, input.steps[index].size, index + 1, palette);
    return y + std::max(64.0, layout.textHeight) + 32;
}

} // namespace

TEST(TutorialRendererTest, LayoutsTextsAndFonts) {
    const TutorialPalette palette = dejaVuPalette();
    EXPECT_EQ(QFontInfo(guideFont(dejaVu, 38, QFont::DemiBold)).family(), dejaVu);
    EXPECT_EQ(QFontInfo(guideFont(QStringLiteral("dejavu sans"), 38, QFont::DemiBold)).family(), dejaVu);
    // A family that is not installed gives the system font, never a look-alike the font system picked.
    EXPECT_EQ(guideFont(QStringLiteral("Nenhuma Fonte"), 20, QFont::Medium), SystemFont::font(20, QFont::Medium));
    // A family the font database lists only with its foundries is found by its name alone.
    for (const QString &listed : QFontDatabase::families()) {
        const QString name = FontFamily::withoutFoundry(listed);
        if (name == listed || QFontDatabase::families().contains(name)) continue;
        EXPECT_TRUE(FontFamily::same(QFontInfo(guideFont(name, 20, QFont::Normal)).family(), name))
            << listed.toStdString();
        EXPECT_TRUE(FontFamily::same(QFontInfo(guideFont(listed, 20, QFont::Normal)).family(), name));
        break;
    }

    TutorialStep step;
    auto sizeOf = [&](QSize picture) { return GuideLayout::step(step, picture, 1, palette).imageSize; };
    EXPECT_EQ(sizeOf({700, 400}), QSizeF(1400, 800));
    EXPECT_NEAR(sizeOf({3000, 1000}).width(), 1408, 1e-9);
    EXPECT_NEAR(sizeOf({3000, 1000}).height(), 469.333, 1e-3);
    EXPECT_EQ(sizeOf({400, 2000}), QSizeF(300, 1500));

    // A blank title is "Passo n"; a one-line step stands as tall as its badge.
    step.title = QStringLiteral("  ");
    step.detail = QStringLiteral(" \n ");
    const GuideLayout::Step untitled = GuideLayout::step(step, {1408, 880}, 2, palette);
    EXPECT_EQ(untitled.title.text(), QStringLiteral("Passo 2"));
    EXPECT_FALSE(untitled.detail);
    EXPECT_LT(untitled.textHeight, 64);
    EXPECT_EQ(untitled.height(), 64 + 32 + 880 + 96);
    step.detail = QStringLiteral("Clique em Salvar.\nDepois confirme.");
    const GuideLayout::Step described = GuideLayout::step(step, {1408, 880}, 2, palette);
    ASSERT_TRUE(described.detail);
    EXPECT_EQ(described.textHeight, untitled.textHeight + 10 + described.detail->height());
    EXPECT_GT(described.detail->height(), 2 * 26); // two lines and the spacing between them

    Input in = guidefixtures::input(QString(), TutorialTheme::light, {{{100, 80}, {}, {}, {}}});
    EXPECT_EQ(GuideLayout::header(in, palette).kicker.text(), QStringLiteral("GUIA · 1 PASSO"));
    EXPECT_EQ(GuideLayout::header(in, palette).title.text(), QStringLiteral("Tutorial"));
    in = guidefixtures::input(QStringLiteral("  "), TutorialTheme::light,
                              {{{100, 80}, {}, {}, {}}, {{100, 80}, {}, {}, {}}, {{100, 80}, {}, {}, {}}});
    EXPECT_EQ(GuideLayout::header(in, palette).kicker.text(), QStringLiteral("GUIA · 3 PASSOS"));
    EXPECT_EQ(GuideLayout::header(in, palette).title.text(), QStringLiteral("  "));
    EXPECT_EQ(GuideLayout::header(in, palette).date.text(), QStringLiteral("7 de dezembro de 2026"));
}

TEST(TutorialRendererTest, GuideImageStacksHeaderStepsAndFooter) {
    for (TutorialTheme theme : {TutorialTheme::light, TutorialTheme::dark, TutorialTheme::brand}) {
        const Input in =
            guidefixtures::input(QStringLiteral("Como exportar um relatório"), theme,
                                 {{{3000, 1000}, QStringLiteral("Abra o menu"), {}, QPointF(0, 0)},
                                  {{400, 2000},
                                   QString(),
                                   QStringLiteral("Escolha o formato e confirme.\nO arquivo aparece na pasta."),
                                   QPointF(0.5, 0.25)},
                                  {{1440, 900}, QStringLiteral("Pronto"), {}, QPointF(2, -1)}});
        const TutorialPalette palette = paletteOf(in);
        const GuideLayout::Header header = GuideLayout::header(in, palette);
        double expected = 96 + header.block() + 72 + 120;
        for (int i = 0; i < in.steps.size(); ++i) {
            const auto layout = GuideLayout::step(in.steps[i].step, in.steps[i].size, i + 1, palette);
            expected += std::max(64.0, layout.textHeight) + 32 + layout.imageSize.height() + 96;
        }
        EXPECT_DOUBLE_EQ(guideHeight(in), expected);

        Result result;
        const QImage guide = renderImage(in, &result);
        ASSERT_TRUE(result.ok());
        ASSERT_EQ(guide.size(), QSize(1600, static_cast<int>(std::round(expected))));
        guide.save(testsupport::outputPath(QStringLiteral("guide-%1.png").arg(rawValue(theme))));
        EXPECT_TRUE(near(guide.pixel(5, 5), palette.background, 1));
        EXPECT_TRUE(near(guide.pixel(5, guide.height() - 5), palette.background, 1));

        // The marker at (0, 0) is centred on the screenshot's top-left corner: accent inside, white ring.
        const QPointF corner(96, std::round(pictureTop(in, palette, 0)));
        for (QPointF d : {QPointF(16, 16), QPointF(-16, 16), QPointF(16, -16), QPointF(-16, -16)}) {
            EXPECT_TRUE(near(guide.pixel((corner + d).toPoint()), palette.accent)) << d.x() << "," << d.y();
            EXPECT_TRUE(near(guide.pixel((corner + 1.45 * d).toPoint()), Qt::white)) << d.x() << "," << d.y();
        }
        // A marker outside 0…1 is drawn clamped: on the third screenshot's top-right corner.
        const QPointF topRight(96 + 1408, std::round(pictureTop(in, palette, 2)));
        EXPECT_TRUE(near(guide.pixel((topRight + QPointF(-16, 16)).toPoint()), palette.accent));

        // The brand's logo heads its guide, white on the dark brand, in a 480 × 72 box; the footer is its own.
        EXPECT_EQ(header.logoSize, theme == TutorialTheme::brand ? QSizeF(216, 72) : QSizeF());
        if (theme == TutorialTheme::brand) {
            EXPECT_TRUE(near(guide.pixel(96 + 36, 96 + 36), Qt::white));
            EXPECT_TRUE(near(guide.pixel(96 + 150, 96 + 36), Qt::white));
            EXPECT_TRUE(near(guide.pixel(96 + 78, 96 + 10), palette.background, 2));
            EXPECT_EQ(GuideLayout::footerText(in), QStringLiteral("Acme · guias internos"));
        }
    }
}

TEST(TutorialRendererTest, GuidesTallerThanTheLimitRenderNone) {
    QList<StepSpec> steps(100, StepSpec{{400, 2000}, {}, {}, {}});
    const Input in = guidefixtures::input(QStringLiteral("Longo"), TutorialTheme::light, steps);
    ASSERT_GT(guideHeight(in), maxGuideHeight);
    Result result;
    EXPECT_TRUE(renderImage(in, &result).isNull());
    EXPECT_EQ(result.failure, Result::Failure::tooLarge);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_EQ(writeImage(in, &buffer).failure, Result::Failure::tooLarge);
}

TEST(TutorialRendererTest, PdfHasACoverAndOnePagePerStep) {
    for (TutorialTheme theme : {TutorialTheme::light, TutorialTheme::dark, TutorialTheme::brand}) {
        const Input in = guidefixtures::input(QStringLiteral("Título"), theme,
                                              {{{1408, 880}, QStringLiteral("Abra o painel"), {}, QPointF(0.5, 0.5)},
                                               {{3000, 1000}, {}, QStringLiteral("Depois confirme."), {}}});
        QByteArray pdf;
        QBuffer buffer(&pdf);
        buffer.open(QIODevice::WriteOnly);
        ASSERT_TRUE(writePDF(in, &buffer).ok());
        QFile out(testsupport::outputPath(QStringLiteral("guide-%1.pdf").arg(rawValue(theme))));
        if (out.open(QIODevice::WriteOnly)) out.write(pdf);

        // Screenshots are embedded lossless, never as JPEG.
        EXPECT_TRUE(pdf.contains("/FlateDecode"));
        EXPECT_FALSE(pdf.contains("/DCTDecode"));

        const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(pdf);
        ASSERT_TRUE(document);
        ASSERT_EQ(document->numPages(), 3);
        const auto text = [&](int i) { return document->page(i)->text({}); };
        EXPECT_EQ(document->page(0)->pageSizeF(), QSizeF(1600, 900));
        EXPECT_EQ(document->page(1)->pageSizeF(), QSizeF(1600, 152 + 64 + 32 + 880 + 96));
        EXPECT_TRUE(text(0).contains(QStringLiteral("Título")));
        EXPECT_TRUE(text(0).contains(QStringLiteral("GUIA")));
        EXPECT_TRUE(text(1).contains(QStringLiteral("TÍTULO · PASSO 1 DE 2")));
        EXPECT_TRUE(text(2).contains(QStringLiteral("TÍTULO · PASSO 2 DE 2")));
        for (int i = 0; i < 3; ++i)
            EXPECT_FALSE(text(i).contains(QStringLiteral("Feito com")) || text(i).contains(QStringLiteral("Acme")))
                << i;

        // The screenshot shows pixel for pixel where the page puts it (at scale 1 here).
        const QImage page = document->page(1)->renderToImage(72, 72);
        for (QPoint at : {QPoint(300, 600), QPoint(1200, 100), QPoint(40, 800)})
            EXPECT_TRUE(near(page.pixel(at + QPoint(96, 152 + 64 + 32)), in.steps[0].image.pixelColor(at), 3))
                << at.x();
    }
}

TEST(TutorialRendererTest, StepImagesAndMarkdown) {
    const TutorialPalette palette = TutorialPalette::of(TutorialTheme::light);
    const QImage shot = guidefixtures::screenshot({3000, 2000});
    TutorialStep step;
    EXPECT_EQ(stepImage(step, shot, 1, palette).cacheKey(), shot.cacheKey()); // no marker: the very image

    // The radius follows the screenshot: 0.035 of its shorter side, at least 20.
    step.marker = QPointF(0.5, 0.5);
    const QImage marked = stepImage(step, shot, 3, palette);
    ASSERT_EQ(marked.size(), shot.size());
    EXPECT_TRUE(near(marked.pixel(1500 + 66, 1000), palette.accent));
    EXPECT_TRUE(near(marked.pixel(1500 + 74, 1000), Qt::white));
    const QImage small = stepImage(step, guidefixtures::screenshot({300, 200}), 3, palette);
    EXPECT_TRUE(near(small.pixel(150 + 17, 100), palette.accent));
    EXPECT_TRUE(near(small.pixel(150 + 22, 100), Qt::white));
    EXPECT_EQ(marked.pixel(10, 10), shot.pixel(10, 10));

    EXPECT_EQ(stepImageName(7), QStringLiteral("passo-07.png"));
    EXPECT_EQ(stepImageName(100), QStringLiteral("passo-100.png"));
    Input in =
        guidefixtures::input(QStringLiteral("Guia"), TutorialTheme::light, {{{10, 10}, {}, QStringLiteral("  "), {}}});
    EXPECT_EQ(markdown(in),
              QStringLiteral("# Guia\n\n## 1. Passo 1\n\n![Passo 1](passo-01.png)\n\n---\n_Feito com Pelicarta_"));
    in = guidefixtures::input(QString(), TutorialTheme::dark,
                              {{{10, 10}, QStringLiteral(" Abrir "), QStringLiteral(" Clique *aqui*.\nPronto. "), {}},
                               {{10, 10}, {}, {}, {}}});
    EXPECT_EQ(markdown(in),
              QStringLiteral("# \n\n## 1. Abrir\n\nClique *aqui*.\nPronto.\n\n![Passo 1](passo-01.png)\n\n"
                             "## 2. Passo 2\n\n![Passo 2](passo-02.png)\n\n---\n_Feito com Pelicarta_"));
    // Titles pasted with line breaks stay headings.
    in = guidefixtures::input(QStringLiteral("Linha 1\nLinha 2"), TutorialTheme::light,
                              {{{10, 10}, QStringLiteral("Abrir\n\no menu"), {}, {}}});
    EXPECT_TRUE(markdown(in).startsWith(QStringLiteral("# Linha 1 Linha 2\n\n## 1. Abrir o menu\n\n")));
}
