#include "editor_window/EditorToolbar.h"

#include "editor/EditorModel.h"
#include "platform/StringTables.h"
#include "widgets/ToolbarButton.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class EditorToolbarTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
        QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::darkCyan);
        model = std::make_unique<EditorModel>(image, QString(), std::nullopt);
        toolbar = std::make_unique<EditorToolbar>(model.get());
        toolbar->resize(1200, EditorToolbar::height);
        toolbar->show();
    }
    void TearDown() override {
        toolbar.reset();
        model.reset();
        platform::StringTables::setCurrentLanguage({});
    }

    // The options row after the model's changes have reached it.
    QWidget *options() {
        QCoreApplication::processEvents();
        QCoreApplication::processEvents(); // the replaced row is deleted later
        return toolbar->findChild<QWidget *>(QStringLiteral("toolbarOptions"));
    }
    QStringList shown() {
        QStringList out;
        for (QLabel *label : options()->findChildren<QLabel *>()) out << label->text();
        for (auto *button : options()->findChildren<ToolbarButton *>()) out << button->text();
        if (auto *label = qobject_cast<QLabel *>(options())) out << label->text();
        return out;
    }
    QList<QAbstractButton *> checked(const char *container) {
        QList<QAbstractButton *> out;
        for (auto *b : options()->findChild<QWidget *>(QString::fromLatin1(container))->findChildren<QAbstractButton *>())
            if (b->isChecked()) out << b;
        return out;
    }
    Annotation addMark(Annotation::Kind kind, quint32 color) {
        model->setTool(kind.type == Annotation::Kind::blur ? EditorTool::blur : EditorTool::rectangle);
        const QUuid id = *model->startAnnotation(QPointF(10, 10));
        model->updateAnnotation(id, QPointF(200, 150));
        model->finishAnnotation(id);
        Annotation a = model->annotations().last();
        a.color = color;
        model->replaceAnnotation(a);
        return a;
    }

    std::unique_ptr<EditorModel> model;
    std::unique_ptr<EditorToolbar> toolbar;
};

} // namespace

TEST_F(EditorToolbarTest, ToolButtonsSetAndFollowTheToolWithTheirTooltips) {
    auto *arrow = toolbar->findChild<QAbstractButton *>(QStringLiteral("tool_arrow"));
    auto *crop = toolbar->findChild<QAbstractButton *>(QStringLiteral("tool_crop"));
    EXPECT_EQ(arrow->toolTip(), QStringLiteral("Seta — Arraste para desenhar uma seta · tecla A"));
    QTest::mouseClick(arrow, Qt::LeftButton, {}, QPoint(2, 38));
    EXPECT_EQ(model->tool(), EditorTool::arrow);
    EXPECT_EQ(arrow->accessibleName(), QStringLiteral("Seta, selecionada"));
    // Chosen elsewhere (a key, a command): the highlight moves all the same.
    model->setTool(EditorTool::crop);
    EXPECT_EQ(arrow->accessibleName(), QStringLiteral("Seta"));
    EXPECT_EQ(crop->accessibleName(), QStringLiteral("Recortar, selecionada"));
}

TEST_F(EditorToolbarTest, DotsMarkTheSelectedColourAndThicknessFollowsTheModelAlone) {
    model->setTool(EditorTool::arrow);
    QStringList tips;
    for (auto *b : options()->findChild<QWidget *>(QStringLiteral("thicknessPicker"))->findChildren<QAbstractButton *>())
        tips << b->toolTip();
    EXPECT_EQ(tips, (QStringList{QStringLiteral("Traço fino"), QStringLiteral("Traço médio"), QStringLiteral("Traço grosso")}));
    EXPECT_EQ(checked("colorDots").value(0)->toolTip(), QStringLiteral("Vermelho"));

    Annotation box = addMark(Annotation::Kind::rectangle, 0x4DA3FF);
    model->setTool(EditorTool::arrow);
    model->setSelectedID(box.id);
    ASSERT_EQ(checked("colorDots").size(), 1);
    EXPECT_EQ(checked("colorDots")[0]->toolTip(), QStringLiteral("Azul"));
    box.width = 40; // far thicker than any preset: the picker still shows the model's thickness
    model->replaceAnnotation(box);
    model->setThickness(Annotation::Thickness::thin);
    ASSERT_EQ(checked("thicknessPicker").size(), 1);
    EXPECT_EQ(checked("thicknessPicker")[0]->toolTip(), QStringLiteral("Traço fino"));

    box = model->annotations().last();
    box.color = 0x123456;
    model->replaceAnnotation(box);
    EXPECT_TRUE(checked("colorDots").isEmpty());
    checked("thicknessPicker"); // the row is still there
    options()->findChild<QWidget *>(QStringLiteral("colorDots"))->findChildren<QAbstractButton *>()[2]->click();
    EXPECT_EQ(model->annotations().last().color, 0x3DDC97u);
}

TEST_F(EditorToolbarTest, TheOptionsRowFollowsTheToolSelectionCropAndSearch) {
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Escolha uma ferramenta para anotar · as marcas entram no print final")});
    const Annotation blur = addMark(Annotation::Kind::blur, 0xFF5A5F);
    model->setTool(EditorTool::select);
    model->setSelectedID(blur.id);
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Apagar")});
    // Named by the key that deletes it here.
    EXPECT_EQ(options()->findChild<QAbstractButton *>(QStringLiteral("deleteButton"))->toolTip(),
              QStringLiteral("Apaga a anotação selecionada · Delete"));
    EXPECT_FALSE(options()->findChild<QWidget *>(QStringLiteral("colorDots")));

    model->setTool(EditorTool::crop);
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Aplicar")});
    model->setCrop(QRectF(10, 10, 100, 100));
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("Remover recorte"), QStringLiteral("Aplicar")}));
    options()->findChild<QAbstractButton *>(QStringLiteral("removeCropButton"))->click();
    EXPECT_FALSE(model->crop());
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Aplicar")});
    options()->findChild<QAbstractButton *>(QStringLiteral("applyCropButton"))->click();
    EXPECT_EQ(model->tool(), EditorTool::preview);

    model->setTool(EditorTool::blur);
    model->setDetectingSensitive(true);
    auto *search = options()->findChild<ToolbarButton *>(QStringLiteral("sensitiveButton"));
    EXPECT_EQ(search->text(), QStringLiteral("Procurando…"));
    EXPECT_TRUE(search->isBusy());
    EXPECT_FALSE(search->isEnabled());
    model->setDetectingSensitive(false);
    search = options()->findChild<ToolbarButton *>(QStringLiteral("sensitiveButton"));
    EXPECT_EQ(search->text(), QStringLiteral("Esconder dados sensíveis"));
    EXPECT_TRUE(search->isEnabled());
}
