#include "editor/EditorFixture.h"

#include "core/TextRecognizer.h"
#include "support/FixedClock.h"
#include "support/PlatformFakes.h"
#include "support/TestSupport.h"

#include <QFileInfo>
#include <QMimeData>
#include <QRegularExpression>
#include <QUrl>

using editortest::clearToast;
using editortest::EditorTest;
using editortest::toastKind;
using editortest::toastText;

namespace {

class OutputTest : public EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        clearToast();
    }

    // A model over the renderers shared now: the real ones, where the test put a standard substitute
    // in place of the fake ones for as long as the model lives.
    std::unique_ptr<EditorModel> realModel(QSize size, const BeautyStyle &style) {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(40, 120, 200));
        auto made = std::make_unique<EditorModel>(image, QString(), style, StyleStore::shared());
        editortest::settle();
        return made;
    }

    // Lets the model see what its readers delivered.
    static void deliver() {
        for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
    }

    template <typename T>
    static void finish(const std::shared_ptr<QPromise<T>> &promise, const T &value) {
        promise->addResult(value);
        promise->finish();
        deliver();
    }

    template <typename T>
    static void fail(const std::shared_ptr<QPromise<T>> &promise) {
        promise->setException(TextRecognizerError(TextRecognizerError::Code::timeout));
        promise->finish();
        deliver();
    }

    testsupport::PlatformFakes fakes;
};

} // namespace

TEST_F(OutputTest, CopyPutsATransparentPngAtTheStoredScaleThenCloses) {
    StyleStore::shared().setExportSettings({ExportFormat::jpeg, 0.5, ExportScale::standard});
    BeautyStyle style;
    style.backdrop = Backdrop::transparent();
    style.padding = 40;
    const testsupport::SubstituteRenderers<> standard;
    auto model = realModel({240, 160}, style);
    int closed = 0;
    model->onClose = [&] {
        // The clipboard holds the picture and the toast is up before the window goes.
        EXPECT_FALSE(fakes.pasteboard.png().isNull());
        EXPECT_EQ(toastText(), QStringLiteral("Copiado / Cole com Ctrl+V em qualquer app"));
        ++closed;
    };
    const QSize full = model->finalImage(ExportSettings{}).size();
    model->copy();
    EXPECT_EQ(closed, 1);
    const QImage png = fakes.pasteboard.png();
    EXPECT_TRUE(png.hasAlphaChannel());
    EXPECT_EQ(qAlpha(png.pixel(0, 0)), 0); // the margin stays see-through, never flattened on white
    EXPECT_NEAR(png.width(), full.width() / 2, 1);
    EXPECT_NEAR(png.height(), full.height() / 2, 1);

    // A clipboard that refuses: a notice, and the editor stays.
    fakes.pasteboard.refuse = true;
    model->copy();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(toastText().section(QStringLiteral(" / "), 0, 0), QStringLiteral("Não foi possível copiar"));
    EXPECT_EQ(toastKind(), ToastKind::failure); // a failure, never the checkmark of something done
}

// Saving says so and offers another format; a copy, always PNG, does nothing at all.
TEST_F(OutputTest, AResultBeyondThePixelBudgetIsReportedWhenSavedAndNotCopied) {
    const testsupport::SubstituteRenderers<> standard;
    auto model = realModel({32800, 2}, BeautyStyle{});
    int closed = 0;
    model->onClose = [&] { ++closed; };
    model->save();
    EXPECT_EQ(toastText(), QStringLiteral("Não consegui gerar o PNG / Tente outro formato em Exportar"));
    EXPECT_EQ(toastKind(), ToastKind::failure);
    EXPECT_TRUE(fakes.savePanel.asked.isEmpty());
    clearToast();
    model->copy();
    EXPECT_EQ(toastText(), QString());
    EXPECT_EQ(fakes.pasteboard.writes, 0);
    EXPECT_EQ(closed, 0);
}

TEST_F(OutputTest, SaveProposesTheCaptureNameAndWritesOrExplains) {
    StyleStore::shared().setExportSettings({ExportFormat::jpeg, 0.85, ExportScale::retina});
    auto model = makeModel();
    testsupport::TempFolder folder;
    fakes.savePanel.answer = folder.file(QStringLiteral("shot.jpg"));
    model->save();
    ASSERT_EQ(fakes.savePanel.asked.size(), 1);
    const platform::SaveRequest asked = fakes.savePanel.asked[0];
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^Pelicarta \\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d\\.jpg$"))
                    .match(asked.proposedName)
                    .hasMatch())
        << asked.proposedName.toStdString();
    EXPECT_EQ(asked.typeName, QStringLiteral("Imagem JPEG"));
    EXPECT_EQ(asked.extension, QStringLiteral("jpg"));
    // The fake encoder writes a byte per pixel of the 10 × 65 result: shown in kilobytes all the same.
    EXPECT_EQ(folder.read(QStringLiteral("shot.jpg")).size(), 650);
    EXPECT_EQ(toastText(), QStringLiteral("Salvo · 1 KB / shot.jpg"));

    // A write that fails midway (the disk fills up) leaves the file there as it was.
    clearToast();
    ASSERT_TRUE(folder.write(QStringLiteral("old.jpg"), "old"));
    fakes.savePanel.answer = folder.file(QStringLiteral("old.jpg"));
    {
        testsupport::FileSizeLimit diskFillsUp(100);
        model->save();
    }
    EXPECT_EQ(folder.read(QStringLiteral("old.jpg")), QByteArray("old"));
    ASSERT_EQ(fakes.alerts.shown.size(), 1);
    EXPECT_EQ(fakes.alerts.shown[0].messageText, QStringLiteral("Não foi possível salvar"));
    EXPECT_EQ(toastText(), QString());

    // A folder that takes no files: the system's reason, no toast.
    testsupport::LockedFolder locked(folder.path());
    if (!locked.locked()) GTEST_SKIP() << "cannot lock a folder here";
    fakes.savePanel.answer = folder.file(QStringLiteral("new.jpg"));
    model->save();
    ASSERT_EQ(fakes.alerts.shown.size(), 2);
    EXPECT_FALSE(fakes.alerts.shown[1].informativeText.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(folder.file(QStringLiteral("new.jpg"))));
    EXPECT_EQ(toastText(), QString());
}

// "Salvar como…" proposes the moment the capture was taken, not the moment it is saved: a capture opened
// from the history by the name of its file, one just taken by when the editor opened it.
TEST_F(OutputTest, SaveProposesTheTimeTheCaptureWasTaken) {
    StyleStore::shared().setExportSettings({ExportFormat::png, 0.85, ExportScale::retina});
    testsupport::FixedClock clock(QDateTime(QDate(2026, 5, 6), QTime(14, 44, 0)));
    QImage image(80, 60, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::darkCyan);
    EditorModel fromHistory(image, QStringLiteral("/home/ana/Recentes/Pelicarta 2026-05-06 14.44.31 (2).heic"),
                            std::nullopt, StyleStore::shared());
    EditorModel justTaken(image, QString(), std::nullopt, StyleStore::shared());
    editortest::settle();
    clock.at = clock.at.addSecs(5 * 60); // saved five minutes later
    fromHistory.save();
    justTaken.save();
    ASSERT_EQ(fakes.savePanel.asked.size(), 2);
    EXPECT_EQ(fakes.savePanel.asked[0].proposedName, QStringLiteral("Pelicarta 2026-05-06 14.44.31.png"));
    EXPECT_EQ(fakes.savePanel.asked[1].proposedName, QStringLiteral("Pelicarta 2026-05-06 14.44.00.png"));
}

TEST_F(OutputTest, ADragCarriesTheExportAsAFileAndAsBytes) {
    auto model = makeModel();
    std::unique_ptr<QMimeData> drag(model->dragProvider());
    ASSERT_EQ(drag->urls().size(), 1);
    const QString path = drag->urls()[0].toLocalFile();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), drag->data(QStringLiteral("image/png")));
    EXPECT_EQ(drag->data(QStringLiteral("image/png")).size(), 650);
    QDir(QFileInfo(path).absolutePath()).removeRecursively();

    renderers.state->failEncoding = true;
    std::unique_ptr<QMimeData> nothing(model->dragProvider());
    EXPECT_TRUE(nothing->formats().isEmpty());
}

TEST_F(OutputTest, TextIsCopiedAsItWasReadWithItsLinesCounted) {
    auto model = makeModel();
    auto &reads = renderers.state->reads;
    model->copyText();
    ASSERT_EQ(reads.size(), 1);
    EXPECT_TRUE(model->page().isReadingText());
    finish(reads[0], QStringLiteral("a\n\nb"));
    EXPECT_FALSE(model->page().isReadingText());
    ASSERT_EQ(fakes.pasteboard.items.size(), 1); // plain text only
    EXPECT_EQ(fakes.pasteboard.items[0].first, QStringLiteral("text/plain"));
    EXPECT_EQ(fakes.pasteboard.items[0].second, QByteArray("a\n\nb"));
    EXPECT_EQ(toastText(), QStringLiteral("Texto copiado / 2 linhas"));

    // Pressed twice: the second press stops the reading, whose text never reaches the clipboard.
    clearToast();
    model->copyText();
    model->copyText();
    EXPECT_FALSE(model->page().isReadingText());
    EXPECT_TRUE(reads[1]->future().isCanceled());
    finish(reads[1], QStringLiteral("late"));
    EXPECT_EQ(fakes.pasteboard.writes, 1);
    EXPECT_EQ(toastText(), QString());

    // Nothing readable, and a reading past its limit: told so, the clipboard untouched.
    model->copyText();
    finish(reads[2], QString());
    EXPECT_EQ(toastText(), QStringLiteral("Nenhum texto encontrado / Este print não tem texto legível"));
    EXPECT_EQ(toastKind(), ToastKind::notice); // a notice, not something done
    model->copyText();
    fail(reads[3]);
    EXPECT_EQ(toastText(),
              QStringLiteral("Não consegui ler o texto / A leitura demorou demais. Tente capturar um trecho menor."));
    EXPECT_EQ(toastKind(), ToastKind::failure);
    EXPECT_FALSE(model->page().isReadingText());
    EXPECT_EQ(fakes.pasteboard.writes, 1);
}

TEST_F(OutputTest, SensitiveDataIsCoveredInOneUndoStep) {
    auto model = makeModel();
    model->document().setTool(EditorTool::arrow);
    const QUuid arrow = *model->document().startAnnotation({10, 10});
    model->document().updateAnnotation(arrow, {200, 10});
    model->document().finishAnnotation(arrow);
    auto &searches = renderers.state->searches;

    model->hideSensitiveData();
    model->hideSensitiveData(); // a second search while one runs does nothing
    ASSERT_EQ(searches.size(), 1);
    EXPECT_TRUE(model->page().isDetectingSensitive());
    const QList<QRectF> found{{20, 30, 100, 12}, {20, 60, 80, 12}, {300, 40, 50, 14}};
    finish(searches[0], found);
    EXPECT_FALSE(model->page().isDetectingSensitive());
    ASSERT_EQ(model->document().annotations().size(), 4);
    EXPECT_EQ(model->document().annotations()[0].id, arrow);
    for (int i = 0; i < 3; ++i) {
        const Annotation &blur = model->document().annotations()[i + 1];
        EXPECT_EQ(blur.kind.type, Annotation::Kind::blur);
        EXPECT_EQ(blur.color, 0x000000u);
        EXPECT_EQ(blur.box(), found[i]);
        EXPECT_EQ(blur.width, model->document().strokeWidth(model->document().thickness()));
    }
    EXPECT_EQ(model->document().tool(), EditorTool::preview);
    EXPECT_EQ(toastText(),
              QStringLiteral("3 dados escondidos / E-mails, telefones, documentos e chaves. Ctrl+Z desfaz"));
    EXPECT_EQ(toastKind(), ToastKind::done);
    model->document().undo();
    ASSERT_EQ(model->document().annotations().size(), 1);
    EXPECT_EQ(model->document().annotations()[0].id, arrow);

    // Nothing found, or a failed search: told so, the marks and the tool as they were.
    model->document().setTool(EditorTool::arrow);
    model->hideSensitiveData();
    finish(searches[1], QList<QRectF>());
    EXPECT_EQ(toastText(), QStringLiteral("Nada sensível encontrado / Use a ferramenta Ocultar para esconder à mão"));
    EXPECT_EQ(toastKind(), ToastKind::notice); // a neutral notice, without the checkmark of something done
    model->hideSensitiveData();
    fail(searches[2]);
    EXPECT_EQ(toastText().section(QStringLiteral(" / "), 0, 0), QStringLiteral("Não consegui analisar o print"));
    EXPECT_EQ(toastKind(), ToastKind::failure);
    EXPECT_FALSE(model->page().isDetectingSensitive());
    EXPECT_EQ(model->document().annotations().size(), 1);
    EXPECT_EQ(model->document().tool(), EditorTool::arrow);
}

TEST_F(OutputTest, TheSensitiveResultEndsATextEntryAndWaitsForADrag) {
    auto model = makeModel();
    model->document().setTool(EditorTool::text);
    const QUuid label = *model->document().startAnnotation({10, 10});
    model->document().setText(label, QStringLiteral("nota"));
    model->hideSensitiveData();
    finish(renderers.state->searches[0], QList<QRectF>{{20, 30, 100, 12}});
    EXPECT_FALSE(model->document().editingTextID());
    ASSERT_EQ(model->document().annotations().size(), 2);
    EXPECT_EQ(model->document().annotations()[0].id, label);

    // Mid-drag the blurs wait; the tool change that follows ends the drag and they come after it.
    model->document().setTool(EditorTool::arrow);
    const QUuid arrow = *model->document().startAnnotation({10, 100});
    model->document().updateAnnotation(arrow, {300, 100});
    model->hideSensitiveData();
    finish(renderers.state->searches[1], QList<QRectF>{{20, 60, 80, 12}});
    ASSERT_EQ(model->document().annotations().size(), 4);
    EXPECT_EQ(model->document().annotations()[2].id, arrow);
    EXPECT_EQ(model->document().annotations()[3].kind.type, Annotation::Kind::blur);
    model->document().undo();
    EXPECT_EQ(model->document().annotations().size(), 3); // the blurs were a step of their own
}
