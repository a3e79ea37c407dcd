#include "editor_window/EditorToolbar.h"

#include "editor/EditorDocument.h"
#include "editor/EditorPageState.h"
#include "platform/StringTables.h"
#include "support/LaidOutApart.h"
#include "support/TestSupport.h"
#include "widgets/Theme.h"
#include "widgets/ToolbarButton.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

class EditorToolbarTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
        QImage image(400, 300, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::darkCyan);
        document = std::make_unique<EditorDocument>(image, QString(), BeautyStyle{});
        toolbar = std::make_unique<EditorToolbar>(document.get(), &page);
        toolbar->resize(1200, EditorToolbar::height);
        toolbar->show();
    }
    void TearDown() override {
        toolbar.reset();
        document.reset();
        platform::StringTables::setCurrentLanguage({});
    }

    // The options row after the document's changes have reached it.
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
        for (auto *b :
             options()->findChild<QWidget *>(QString::fromLatin1(container))->findChildren<QAbstractButton *>())
            if (b->isChecked()) out << b;
        return out;
    }
    Annotation addMark(Annotation::Kind kind, quint32 color) {
        document->setTool(kind.type == Annotation::Kind::blur ? EditorTool::blur : EditorTool::rectangle);
        const QUuid id = *document->startAnnotation(QPointF(10, 10));
        document->updateAnnotation(id, QPointF(200, 150));
        document->finishAnnotation(id);
        Annotation a = document->annotations().last();
        a.color = color;
        document->replaceAnnotation(a);
        return a;
    }

    // The toolbar needs no render: a document and a page state alone.
    std::unique_ptr<EditorDocument> document;
    EditorPageState page;
    std::unique_ptr<EditorToolbar> toolbar;
};

} // namespace

TEST_F(EditorToolbarTest, ToolButtonsSetAndFollowTheToolWithTheirTooltips) {
    auto *arrow = toolbar->findChild<QAbstractButton *>(QStringLiteral("tool_arrow"));
    auto *crop = toolbar->findChild<QAbstractButton *>(QStringLiteral("tool_crop"));
    EXPECT_EQ(arrow->toolTip(), QStringLiteral("Seta — Arraste para desenhar uma seta · tecla A"));
    QTest::mouseClick(arrow, Qt::LeftButton, {}, QPoint(2, 38));
    EXPECT_EQ(document->tool(), EditorTool::arrow);
    EXPECT_EQ(arrow->accessibleName(), QStringLiteral("Seta, selecionada"));
    // Chosen elsewhere (a key, a command): the highlight moves all the same.
    document->setTool(EditorTool::crop);
    EXPECT_EQ(arrow->accessibleName(), QStringLiteral("Seta"));
    EXPECT_EQ(crop->accessibleName(), QStringLiteral("Recortar, selecionada"));
}

TEST_F(EditorToolbarTest, DotsMarkTheSelectedColorAndThicknessFollowsTheModelAlone) {
    document->setTool(EditorTool::arrow);
    QStringList tips;
    for (auto *b :
         options()->findChild<QWidget *>(QStringLiteral("thicknessPicker"))->findChildren<QAbstractButton *>())
        tips << b->toolTip();
    EXPECT_EQ(tips, (QStringList{QStringLiteral("Traço fino"), QStringLiteral("Traço médio"),
                                 QStringLiteral("Traço grosso")}));
    EXPECT_EQ(checked("colorDots").value(0)->toolTip(), QStringLiteral("Vermelho"));

    Annotation box = addMark(Annotation::Kind::rectangle, 0x4DA3FF);
    document->setTool(EditorTool::arrow);
    document->setSelectedID(box.id);
    ASSERT_EQ(checked("colorDots").size(), 1);
    EXPECT_EQ(checked("colorDots")[0]->toolTip(), QStringLiteral("Azul"));
    box.width = 40; // far thicker than any preset: the picker still shows the document's thickness
    document->replaceAnnotation(box);
    document->setThickness(Annotation::Thickness::thin);
    ASSERT_EQ(checked("thicknessPicker").size(), 1);
    EXPECT_EQ(checked("thicknessPicker")[0]->toolTip(), QStringLiteral("Traço fino"));

    box = document->annotations().last();
    box.color = 0x123456;
    document->replaceAnnotation(box);
    EXPECT_TRUE(checked("colorDots").isEmpty());
    checked("thicknessPicker"); // the row is still there
    options()->findChild<QWidget *>(QStringLiteral("colorDots"))->findChildren<QAbstractButton *>()[2]->click();
    EXPECT_EQ(document->annotations().last().color, 0x3DDC97u);
}

TEST_F(EditorToolbarTest, TheOptionsRowFollowsTheToolSelectionCropAndSearch) {
    EXPECT_EQ(shown(),
              QStringList{QStringLiteral("Escolha uma ferramenta para anotar · as marcas entram no print final")});
    const Annotation blur = addMark(Annotation::Kind::blur, 0xFF5A5F);
    document->setTool(EditorTool::select);
    document->setSelectedID(blur.id);
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Apagar")});
    // Named by the key that deletes it here.
    EXPECT_EQ(options()->findChild<QAbstractButton *>(QStringLiteral("deleteButton"))->toolTip(),
              QStringLiteral("Apaga a anotação selecionada · Delete"));
    EXPECT_FALSE(options()->findChild<QWidget *>(QStringLiteral("colorDots")));

    document->setTool(EditorTool::crop);
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Aplicar")});
    document->setCrop(QRectF(10, 10, 100, 100));
    EXPECT_EQ(shown(), (QStringList{QStringLiteral("Remover recorte"), QStringLiteral("Aplicar")}));
    options()->findChild<QAbstractButton *>(QStringLiteral("removeCropButton"))->click();
    EXPECT_FALSE(document->crop());
    EXPECT_EQ(shown(), QStringList{QStringLiteral("Aplicar")});
    options()->findChild<QAbstractButton *>(QStringLiteral("applyCropButton"))->click();
    EXPECT_EQ(document->tool(), EditorTool::preview);

    document->setTool(EditorTool::blur);
    page.setDetectingSensitive(true);
    auto *search = options()->findChild<ToolbarButton *>(QStringLiteral("sensitiveButton"));
    EXPECT_EQ(search->text(), QStringLiteral("Procurando…"));
    EXPECT_TRUE(search->isBusy());
    EXPECT_FALSE(search->isEnabled());
    page.setDetectingSensitive(false);
    search = options()->findChild<ToolbarButton *>(QStringLiteral("sensitiveButton"));
    EXPECT_EQ(search->text(), QStringLiteral("Esconder dados sensíveis"));
    EXPECT_TRUE(search->isEnabled());
    QSignalSpy requested(toolbar.get(), &EditorToolbar::sensitiveSearchRequested);
    search->click();
    EXPECT_EQ(requested.count(), 1);
}

// The main window at its default and its smallest width gives the toolbar what is left beside the
// expanded sidebar (210) and the side panel (300), each with its hairline.
TEST_F(EditorToolbarTest, EveryToolAndItsOptionsShowWholeAtTheDefaultAndTheSmallestWindow) {
    const Annotation box = addMark(Annotation::Kind::rectangle, 0x4DA3FF);
    const Annotation blur = addMark(Annotation::Kind::blur, 0xFF5A5F);
    struct State {
        const char *name;
        std::function<void()> set;
    };
    const QList<State> states{
        {"preview", [&] { document->setTool(EditorTool::preview); }},
        {"select", [&] { document->setTool(EditorTool::select); }},
        {"select a box", [&] { document->setSelectedID(box.id); }},
        {"select a blur", [&] { document->setSelectedID(blur.id); }},
        {"arrow", [&] { document->setTool(EditorTool::arrow); }},
        {"highlight", [&] { document->setTool(EditorTool::highlight); }},
        {"text", [&] { document->setTool(EditorTool::text); }},
        {"blur", [&] { document->setTool(EditorTool::blur); }},
        {"searching", [&] { page.setDetectingSensitive(true); }},
        {"crop",
         [&] {
             page.setDetectingSensitive(false);
             document->setTool(EditorTool::crop);
         }},
        {"cropped", [&] { document->setCrop(QRectF(10, 10, 100, 100)); }},
    };
    for (const QString &language : {QStringLiteral("pt-BR"), QStringLiteral("en")}) {
        platform::StringTables::setCurrentLanguage(language);
        for (const int window : {1240, 1000}) {
            document->setCrop(std::nullopt);
            document->setTool(EditorTool::preview);
            toolbar = std::make_unique<EditorToolbar>(document.get(), &page);
            toolbar->resize(window - 211 - 301, EditorToolbar::height);
            toolbar->show();
            QList<QRect> places;
            int rows = -1;
            for (const State &state : states) {
                state.set();
                QWidget *row = options();
                const std::string where = language.toStdString() + " " + std::to_string(window) + " " + state.name;
                testsupport::expectLaidOutApart(toolbar.get(), where);
                // The tools keep their place from tool to tool, and the canvas below does not move.
                QList<QRect> now;
                for (EditorTool tool : EditorTools::all) {
                    auto *button = toolbar->findChild<QWidget *>(QStringLiteral("tool_") + EditorTools::rawValue(tool));
                    now.append(button->geometry());
                    EXPECT_GE(button->width(),
                              std::ceil(QFontMetricsF(Theme::font(10)).horizontalAdvance(EditorTools::title(tool))))
                        << where << " " << EditorTools::title(tool).toStdString();
                    if (window == 1240) {
                        EXPECT_EQ(button->width(), EditorToolbar::toolWidth) << where;
                    }
                }
                if (places.isEmpty()) {
                    places = now;
                    rows = toolbar->size().height();
                }
                EXPECT_EQ(now, places) << where;
                EXPECT_EQ(toolbar->size().height(), rows) << where;
                // Hints and buttons show their whole text.
                QList<QLabel *> hints = row->findChildren<QLabel *>();
                if (auto *label = qobject_cast<QLabel *>(row)) hints.append(label);
                for (QLabel *hint : hints)
                    EXPECT_LE(QFontMetricsF(hint->font()).horizontalAdvance(hint->text()), hint->width())
                        << where << " " << hint->text().toStdString();
                for (ToolbarButton *button : row->findChildren<ToolbarButton *>())
                    EXPECT_GE(button->width(), button->sizeHint().width())
                        << where << " " << button->text().toStdString();
            }
            // Where the options cannot all sit beside the tools, they have a row of their own.
            const QRect toolsPlace = testsupport::namedChild<QWidget>(*toolbar, "toolGroup")->geometry();
            const QRect optionsPlace = testsupport::namedChild<QWidget>(*toolbar, "toolbarOptions")->geometry();
            EXPECT_EQ(optionsPlace.top() > toolsPlace.bottom(), rows > EditorToolbar::height);
        }
    }
}
