#include "GuideFixtures.h"
#include "support/TestSupport.h"
#include "tutorials/GuideFiles.h"

#include <QDir>
#include <QImageReader>

#include <poppler-qt6.h>

#include <gtest/gtest.h>

using guidefixtures::StepSpec;
using Kind = GuideFiles::Outcome::Kind;

namespace {

// Three steps whose second picture was damaged on disk after the export began: its header still reads.
TutorialRenderer::Input withDamagedSecondStep(const testsupport::TempFolder &temp) {
    TutorialRenderer::Input in = guidefixtures::input(QStringLiteral("Aula 1"), TutorialTheme::light,
                                                      {{{300, 200}, QStringLiteral("Sem marca"), {}, {}},
                                                       {{300, 200}, {}, {}, {}},
                                                       {{3000, 2000}, {}, {}, QPointF(0.5, 0.5)}});
    const QString damaged = temp.file(QStringLiteral("danificado.png"));
    in.steps[1].image.save(damaged);
    QFile file(damaged);
    file.open(QIODevice::ReadWrite);
    file.resize(120); // the header stays, the pixels are gone
    file.close();
    in.steps[1] = *StepPicture::probe(in.steps[1].step, damaged);
    in.steps[1].image = QImage();
    return in;
}

// The /Title of a PDF's information dictionary, read from the file's bytes: a literal string, in
// UTF-16 after its byte order mark or else in PDF's own Latin encoding.
QString pdfTitle(const QByteArray &pdf) {
    const qsizetype start = pdf.indexOf("/Title (");
    if (start < 0) return {};
    QByteArray bytes;
    for (qsizetype i = start + 8; i < pdf.size() && pdf[i] != ')'; ++i) {
        if (pdf[i] == '\\' && i + 1 < pdf.size()) ++i; // an escaped byte stands for itself
        bytes += pdf[i];
    }
    if (!bytes.startsWith("\xFE\xFF")) return QString::fromLatin1(bytes);
    QString title;
    for (qsizetype i = 2; i + 1 < bytes.size(); i += 2)
        title += QChar(char16_t((uchar(bytes[i]) << 8) | uchar(bytes[i + 1])));
    return title;
}

} // namespace

TEST(GuideFilesTest, ThePdfCarriesTheTitleAndTheReadmeEndsItsLastLine) {
    testsupport::TempFolder temp;
    const QString title = QStringLiteral("Configurar a impressão (rede)");
    const TutorialRenderer::Input in = guidefixtures::input(title, TutorialTheme::light, {{{300, 200}, {}, {}, {}}});
    const GuideFiles::Outcome pdf = GuideFiles::writePDF(in, temp.file(QStringLiteral("guia.pdf")));
    ASSERT_EQ(pdf.kind, Kind::written);
    EXPECT_EQ(pdfTitle(temp.read(QStringLiteral("guia.pdf"))), title);

    const GuideFiles::Outcome markdown = GuideFiles::writeMarkdown(in, temp.path(), QStringLiteral("Guia"));
    ASSERT_EQ(markdown.kind, Kind::written);
    const QByteArray readme = temp.read(QStringLiteral("Guia/README.md"));
    EXPECT_TRUE(readme.startsWith("# " + title.toUtf8() + "\n"));
    EXPECT_TRUE(readme.endsWith("_\n")) << readme.right(20).toStdString();
}

TEST(GuideFilesTest, MarkdownFoldersAreNewAndNumberedWithoutGaps) {
    testsupport::TempFolder temp;
    const TutorialRenderer::Input in = withDamagedSecondStep(temp);
    const GuideFiles::Outcome first = GuideFiles::writeMarkdown(in, temp.path(), QStringLiteral("Aula 1"));
    ASSERT_EQ(first.kind, Kind::written);
    EXPECT_EQ(first.path, temp.file(QStringLiteral("Aula 1/README.md")));
    EXPECT_EQ(first.steps, 2);
    EXPECT_EQ(first.leftOut, QList<QUuid>{in.steps[1].step.id});
    EXPECT_EQ(
        QDir(temp.file(QStringLiteral("Aula 1"))).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase),
        (QStringList{QStringLiteral("passo-01.png"), QStringLiteral("passo-02.png"), QStringLiteral("README.md")}));
    const QString readme = QString::fromUtf8(temp.read(QStringLiteral("Aula 1/README.md")));
    EXPECT_TRUE(readme.contains(QStringLiteral("## 2. Passo 2\n\n![Passo 2](passo-02.png)")));

    // The unmarked step goes out pixel for pixel; the marked one carries its marker at its own size.
    const QImage unmarked = QImageReader(temp.file(QStringLiteral("Aula 1/passo-01.png"))).read();
    EXPECT_EQ(unmarked.convertToFormat(QImage::Format_RGB32), in.steps[0].image.convertToFormat(QImage::Format_RGB32));
    const QImage marked = QImageReader(temp.file(QStringLiteral("Aula 1/passo-02.png"))).read();
    EXPECT_EQ(marked.size(), QSize(3000, 2000));
    EXPECT_NE(marked.pixel(1500, 1040), in.steps[2].image.pixel(1500, 1040));

    // An existing folder is never written into: the next name is taken.
    EXPECT_EQ(GuideFiles::writeMarkdown(in, temp.path(), QStringLiteral("Aula 1")).path,
              temp.file(QStringLiteral("Aula 1 2/README.md")));
    EXPECT_EQ(GuideFiles::writeMarkdown(in, temp.path(), QStringLiteral("Aula 1")).path,
              temp.file(QStringLiteral("Aula 1 3/README.md")));
}

TEST(GuideFilesTest, ImageAndPdfLeaveOutAStepThatNoLongerDecodes) {
    testsupport::TempFolder temp;
    TutorialRenderer::Input in = withDamagedSecondStep(temp);
    const GuideFiles::Outcome image = GuideFiles::writeImage(in, temp.file(QStringLiteral("guia.png")));
    ASSERT_EQ(image.kind, Kind::written);
    EXPECT_EQ(image.steps, 2);
    EXPECT_EQ(image.leftOut, QList<QUuid>{in.steps[1].step.id});
    EXPECT_EQ(image.bytes, QFileInfo(image.path).size());
    const GuideFiles::Outcome pdf = GuideFiles::writePDF(in, temp.file(QStringLiteral("guia.pdf")));
    ASSERT_EQ(pdf.kind, Kind::written);
    const auto document = Poppler::Document::load(pdf.path);
    ASSERT_TRUE(document);
    EXPECT_EQ(document->numPages(), 3);
    EXPECT_TRUE(document->page(2)->text({}).contains(QStringLiteral("PASSO 2 DE 2")));

    in.steps.removeAt(1);
    EXPECT_EQ(QImageReader(image.path).size().height(), std::lround(TutorialRenderer::guideHeight(in)));
    EXPECT_FALSE(GuideFiles::renderForCopy(withDamagedSecondStep(temp)).image.isNull());
}

TEST(GuideFilesTest, AFailedWriteLeavesNothingBehind) {
    testsupport::TempFolder temp;
    const TutorialRenderer::Input in =
        guidefixtures::input(QStringLiteral("Cheio"), TutorialTheme::dark, {{{1920, 1080}, {}, {}, {}}});
    ASSERT_TRUE(temp.write(QStringLiteral("guia.png"), "anterior"));
    GuideFiles::Outcome outcome;
    {
        guidefixtures::FileSizeLimit diskFillsUp(4096);
        outcome = GuideFiles::writeImage(in, temp.file(QStringLiteral("guia.png")));
    }
    EXPECT_EQ(outcome.kind, Kind::failed);
    EXPECT_FALSE(outcome.error.isEmpty());
    EXPECT_EQ(temp.read(QStringLiteral("guia.png")), "anterior");
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("guia.png")});

    // Only the last few bytes do not fit: refused all the same, the earlier file untouched.
    const GuideFiles::Outcome whole = GuideFiles::writeImage(in, temp.file(QStringLiteral("inteiro.png")));
    ASSERT_EQ(whole.kind, Kind::written);
    ASSERT_TRUE(QFile::remove(whole.path));
    {
        guidefixtures::FileSizeLimit lastBytesDoNotFit(static_cast<unsigned long>(whole.bytes - 100));
        outcome = GuideFiles::writeImage(in, temp.file(QStringLiteral("guia.png")));
    }
    EXPECT_EQ(outcome.kind, Kind::failed);
    EXPECT_EQ(temp.read(QStringLiteral("guia.png")), "anterior");
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("guia.png")});

    const GuideFiles::Outcome nowhere = GuideFiles::writePDF(in, temp.file(QStringLiteral("guia.png/dentro.pdf")));
    EXPECT_EQ(nowhere.kind, Kind::failed);
    EXPECT_FALSE(nowhere.error.isEmpty());

    // A Markdown folder that cannot be filled is taken back, with the step pictures already written;
    // one that something else has moved into meanwhile stays, with that.
    const TutorialRenderer::Input two = guidefixtures::input(QStringLiteral("Cheio"), TutorialTheme::dark,
                                                             {{{64, 40}, {}, {}, {}}, {{1920, 1080}, {}, {}, {}}});
    for (const QString &limitedFrom : {QStringLiteral("first"), QStringLiteral("second")}) {
        GuideFiles::Outcome markdown;
        {
            guidefixtures::FileSizeLimit diskFillsUp(limitedFrom == QLatin1String("first") ? 16 : 4096);
            markdown = GuideFiles::writeMarkdown(two, temp.path(), QStringLiteral("Guia"));
        }
        EXPECT_EQ(markdown.kind, Kind::failed);
        EXPECT_EQ(markdown.error, QStringLiteral("File too large")) << markdown.error.toStdString();
        EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  QStringList{QStringLiteral("guia.png")})
            << limitedFrom.toStdString();
    }
}
