#include "core/Settings.h"
#include "platform/Alert.h"
#include "platform/FileReveal.h"
#include "platform/FolderPanel.h"
#include "platform/Pasteboard.h"
#include "platform/SavePanel.h"
#include "platform/StringTables.h"
#include "support/RecordingNotifier.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "tutorials/TutorialExporter.h"
#include "tutorials/TutorialStore.h"

#include <QDir>
#include <QRegularExpression>
#include <QImageReader>
#include <QTest>

#include <gtest/gtest.h>

using TutorialExporter::fileBaseName;

namespace {

struct Answers : platform::SavePanel,
                 platform::FolderPanel,
                 platform::AlertPresenter,
                 platform::Pasteboard,
                 platform::FileReveal {
    std::optional<QString> path;
    QList<platform::SaveRequest> saves;
    QList<platform::Alert> alerts;
    bool refuse = false;
    QList<Item> held;
    QStringList revealed;

    std::optional<QString> run(const platform::SaveRequest &request) override {
        saves.append(request);
        return path;
    }
    std::optional<QString> run(const platform::FolderRequest &) override { return path; }
    int run(const platform::Alert &alert) override {
        alerts.append(alert);
        return 0;
    }
    bool setContents(const QList<Item> &items) override {
        if (!refuse) held = items;
        return !refuse;
    }
    QList<Item> contents() const override { return held; }
    bool reveal(const QString &file) override {
        revealed.append(file);
        return true;
    }
};

// Every panel, alert, clipboard and file manager of the exporter answered by the test.
class TutorialExporterTest : public testing::Test {
protected:
    void SetUp() override {
        platform::SavePanel::setSharedForTesting(&answers);
        platform::FolderPanel::setSharedForTesting(&answers);
        platform::AlertPresenter::setSharedForTesting(&answers);
        platform::Pasteboard::setSharedForTesting(&answers);
        platform::FileReveal::setSharedForTesting(&answers);
    }
    void TearDown() override {
        platform::SavePanel::setSharedForTesting(nullptr);
        platform::FolderPanel::setSharedForTesting(nullptr);
        platform::AlertPresenter::setSharedForTesting(nullptr);
        platform::Pasteboard::setSharedForTesting(nullptr);
        platform::FileReveal::setSharedForTesting(nullptr);
    }
    static void finish(QFuture<void> future) {
        ASSERT_TRUE(testsupport::becomes([&] { return future.isFinished(); }));
    }
    QString toast() const { return notices.last(); }

    // An open tutorial titled `title` with two recorded steps.
    void record(const QString &title) {
        store.newTutorial();
        QImage capture(1280, 800, QImage::Format_RGB32);
        capture.fill(QColor(40, 120, 200));
        store.addStep(capture);
        store.addStep(capture);
        Tutorial tutorial = store.tutorial();
        tutorial.title = title;
        store.setTutorial(tutorial);
    }

    Answers answers;
    testsupport::RecordingNotifier notices;
    testsupport::TempFolder temp;
    TutorialStore store{temp.file(QStringLiteral("Tutoriais"))};
};

} // namespace

TEST(TutorialExporterNames, FileBaseNames) {
    EXPECT_EQ(fileBaseName(QStringLiteral("Aula 1: rede/wifi")), QStringLiteral("Aula 1- rede-wifi"));
    EXPECT_EQ(fileBaseName(QStringLiteral("/")), QStringLiteral("-"));
    EXPECT_EQ(fileBaseName(QStringLiteral("   ")), QStringLiteral("Tutorial"));
    EXPECT_EQ(fileBaseName(QStringLiteral("..")), QStringLiteral("Tutorial"));
    EXPECT_EQ(fileBaseName(QStringLiteral(".oculto")), QStringLiteral("oculto"));
    EXPECT_EQ(fileBaseName(QStringLiteral(". .")), QStringLiteral("Tutorial"));
    EXPECT_EQ(fileBaseName(QStringLiteral(" . . oculto")), QStringLiteral("oculto"));
    EXPECT_EQ(fileBaseName(QStringLiteral("a\tb\nc\x7f*?")), QStringLiteral("abc--"));
    // Cut to 200 bytes without splitting a character: 150 two-byte letters keep 100.
    const QString cut = fileBaseName(QString(150, QChar(0xE9)));
    EXPECT_EQ(cut, QString(100, QChar(0xE9)));
    EXPECT_EQ(fileBaseName(QStringLiteral("x") + QString(100, QChar(0xE9))).toUtf8().size(), 199);
}

TEST_F(TutorialExporterTest, StepsWithoutPicturesAreLeftOutAndNamed) {
    finish(TutorialExporter::exportImage(store)); // no tutorial open: nothing at all
    store.newTutorial();
    finish(TutorialExporter::copyImage(store)); // no steps: nothing at all
    EXPECT_TRUE(answers.alerts.isEmpty());

    record(QStringLiteral("Sem imagens"));
    const QString folder = store.folder(store.tutorial().id) + QLatin1Char('/');
    const QUuid id = store.tutorial().id;
    // Removed from disk and the store's cache: closed and opened again.
    auto removePicture = [&](int index) {
        QFile::remove(folder + store.tutorial().steps[index].imageFile);
        store.closeTutorial();
        store.open(id);
    };
    removePicture(0);
    answers.path = temp.path();
    finish(TutorialExporter::exportMarkdown(store));
    EXPECT_TRUE(QFileInfo::exists(temp.file(QStringLiteral("Sem imagens/passo-01.png"))));
    EXPECT_FALSE(QFileInfo::exists(temp.file(QStringLiteral("Sem imagens/passo-02.png"))));
    EXPECT_EQ(toast(), QStringLiteral("Markdown exportado — Passo 1 ficou de fora: imagem indisponível"));

    // Not one picture left: the alert says so, and no place is asked for.
    const QString before = toast();
    removePicture(1);
    answers.path = temp.file(QStringLiteral("guia.pdf"));
    finish(TutorialExporter::exportPDF(store));
    finish(TutorialExporter::copyImage(store));
    EXPECT_TRUE(answers.saves.isEmpty());
    ASSERT_EQ(answers.alerts.size(), 2);
    EXPECT_EQ(answers.alerts[0].messageText, QStringLiteral("Não foi possível exportar o guia"));
    EXPECT_EQ(answers.alerts[0].informativeText, QStringLiteral("As imagens dos passos não puderam ser lidas."));
    EXPECT_EQ(toast(), before);
    EXPECT_FALSE(QFileInfo::exists(*answers.path));
}

TEST_F(TutorialExporterTest, FilesAreWrittenShownAndAnnounced) {
    Settings::saveFolder.reset();
    record(QStringLiteral("Aula 1: rede/wifi"));
    answers.path = temp.file(QStringLiteral("guia.png"));
    finish(TutorialExporter::exportImage(store));
    ASSERT_EQ(answers.saves.size(), 1);
    EXPECT_EQ(answers.saves[0].proposedName, QStringLiteral("Aula 1- rede-wifi.png"));
    EXPECT_EQ(QImageReader(*answers.path).size().width(), 1600);
    EXPECT_EQ(answers.revealed, QStringList{*answers.path});
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Guia exportado · \\d+ KB — guia.png$")).match(toast()).hasMatch())
        << toast().toStdString();

    answers.path = temp.file(QStringLiteral("guia.pdf"));
    finish(TutorialExporter::exportPDF(store));
    EXPECT_EQ(answers.saves[1].proposedName, QStringLiteral("Aula 1- rede-wifi.pdf"));
    // Each panel names its type, and opens where the last export was written.
    EXPECT_EQ(answers.saves[0].typeName, QStringLiteral("Imagem PNG"));
    EXPECT_EQ(answers.saves[1].typeName, QStringLiteral("Documento PDF"));
    EXPECT_EQ(answers.saves[1].folder, temp.path());
    EXPECT_TRUE(QFile(*answers.path).open(QIODevice::ReadOnly));
    EXPECT_TRUE(toast().endsWith(QStringLiteral(" — guia.pdf")));

    answers.path = temp.path();
    finish(TutorialExporter::exportMarkdown(store));
    finish(TutorialExporter::exportMarkdown(store));
    EXPECT_TRUE(QFileInfo::exists(temp.file(QStringLiteral("Aula 1- rede-wifi/passo-02.png"))));
    EXPECT_EQ(answers.revealed.last(), temp.file(QStringLiteral("Aula 1- rede-wifi 2/README.md")));
    EXPECT_EQ(toast(), QStringLiteral("Markdown exportado — Aula 1- rede-wifi 2"));

    // A place that cannot be written: the alert with the system's words, and no toast.
    const QString shown = toast();
    answers.path = temp.file(QStringLiteral("guia.pdf/dentro.png"));
    finish(TutorialExporter::exportImage(store));
    ASSERT_EQ(answers.alerts.size(), 1);
    EXPECT_EQ(answers.alerts[0].messageText, QStringLiteral("Não foi possível salvar o arquivo."));
    EXPECT_FALSE(answers.alerts[0].informativeText.isEmpty());
    EXPECT_EQ(toast(), shown);
    EXPECT_EQ(answers.revealed.size(), 4);
    Settings::saveFolder.reset();
}

TEST_F(TutorialExporterTest, CopyingSaysSoOnlyWhenTheClipboardTookTheGuide) {
    record(QStringLiteral("Cópia"));
    answers.refuse = true;
    finish(TutorialExporter::copyImage(store));
    EXPECT_TRUE(toast().startsWith(QStringLiteral("Não foi possível copiar")));
    EXPECT_EQ(notices.lastKind(), ToastKind::failure);
    answers.refuse = false;
    finish(TutorialExporter::copyImage(store));
    EXPECT_EQ(toast(), QStringLiteral("Guia copiado — 2 passos · cole com Ctrl+V"));
    ASSERT_FALSE(answers.held.isEmpty());
    EXPECT_EQ(answers.held[0].first, QStringLiteral("image/png"));
    EXPECT_EQ(QImage::fromData(answers.held[0].second).width(), 1600);

    // A guide of one step says so in the singular, in both languages.
    store.remove(store.tutorial().steps.last());
    finish(TutorialExporter::copyImage(store));
    EXPECT_EQ(toast(), QStringLiteral("Guia copiado — 1 passo · cole com Ctrl+V"));
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    finish(TutorialExporter::copyImage(store));
    EXPECT_EQ(toast(), QStringLiteral("Guide copied — 1 step · paste with Ctrl+V"));
    platform::StringTables::setCurrentLanguage({});
}

TEST_F(TutorialExporterTest, ACopyWhosePicturesStoppedDecodingSaysSo) {
    record(QStringLiteral("Danificado"));
    const QUuid id = store.tutorial().id;
    // Each picture's header still reads, so the copy begins; its pixels are gone.
    for (const TutorialStep &step : store.tutorial().steps) {
        QFile file(store.folder(id) + QLatin1Char('/') + step.imageFile);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.resize(120);
    }
    store.closeTutorial();
    store.open(id);
    const QString before = toast();
    finish(TutorialExporter::copyImage(store));
    ASSERT_EQ(answers.alerts.size(), 1);
    EXPECT_EQ(answers.alerts[0].messageText, QStringLiteral("Não foi possível copiar o guia"));
    EXPECT_EQ(answers.alerts[0].informativeText, QStringLiteral("As imagens dos passos não puderam ser lidas."));
    EXPECT_EQ(toast(), before);
    EXPECT_TRUE(answers.held.isEmpty());
}
