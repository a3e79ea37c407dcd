#include "editor_window/InspectorView.h"

#include "brand/BrandStore.h"
#include "core/Localization.h"
#include "editor/EditorFixture.h"
#include "editor_window/EditorView.h"
#include "editor_window/InspectorBackdrops.h"
#include "editor_window/InspectorExport.h"
#include "editor_window/InspectorPresets.h"
#include "editor_window/InspectorStyle.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "widgets/Segmented.h"
#include "widgets/Theme.h"
#include "widgets/TintedSlider.h"
#include "widgets/ToggleRow.h"
#include "widgets/ToggleSwitch.h"

#include <QAction>
#include <QFile>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QMenu>
#include <QTest>

using editortest::clearToast;
using editortest::settle;
using editortest::toastText;

namespace {

Backdrop custom(int n) {
    Backdrop b = Backdrop::builtIn(QStringLiteral("ocean"));
    b.id = QStringLiteral("custom-%1").arg(n);
    b.name = QStringLiteral("Meu %1").arg(n);
    return b;
}

QStringList actionStates(QMenu *menu) {
    QStringList out;
    for (QAction *a : menu->actions())
        if (!a->isSeparator()) out << a->text() + (a->isEnabled() ? QString() : QStringLiteral(" (off)"));
    return out;
}

// The panel over a real model and the shared stores (in the tests' temporary configuration), wired
// as the editor page wires it: export changes ask for a new estimate.
class InspectorViewTest : public editortest::EditorTest {
protected:
    void SetUp() override {
        EditorTest::SetUp();
        BrandStore::shared().removeLogo();
        BrandStore::shared().setKit(BrandKit{});
    }
    void TearDown() override {
        panel.reset();
        model.reset();
        BrandStore::shared().removeLogo();
        EditorTest::TearDown();
    }

    void open(bool settled = true) {
        model = settled ? makeModel()
                        : std::unique_ptr<EditorModel>(new EditorModel(testsupport::filledImage(800, 600, Qt::darkCyan),
                                                                       QString(), std::nullopt, StyleStore::shared()));
        panel = std::make_unique<InspectorView>(model.get(), StyleStore::shared(), BrandStore::shared());
        QObject::connect(&StyleStore::shared(), &StyleStore::exportSettingsChanged, &model->render(),
                         &EditorRenderJob::updateEstimate);
        panel->resize(EditorView::panelWidth, 1400);
        panel->show();
        QCoreApplication::processEvents();
    }
    // A section of the panel, and a control of a section, by name.
    template <typename T>
    T *section(const char *name) const {
        return testsupport::namedChild<T>(*panel, name);
    }
    template <typename T>
    static T *child(const QWidget *parent, const char *name) {
        return testsupport::namedChild<T>(*parent, name);
    }
    void click(QWidget *w) { QTest::mouseClick(w, Qt::LeftButton, {}, w->rect().center()); }
    // A double click as the window system delivers it: a click, then a second press that is a double one.
    void doubleClick(QWidget *w) {
        click(w);
        QTest::mouseDClick(w, Qt::LeftButton, {}, w->rect().center());
    }
    // A section's tiles shown, in order ("<prefix>0", "<prefix>1", …).
    template <typename Tile>
    static QList<Tile *> tilesOf(const QWidget *section, const QString &prefix) {
        QList<Tile *> tiles;
        while (auto *tile = section->findChild<Tile *>(prefix + QString::number(tiles.size()))) {
            if (tile->isHidden()) break;
            tiles.append(tile);
        }
        return tiles;
    }
    static QList<BackdropSwatchTile *> backdropTiles(const BackdropsSection *section) {
        return tilesOf<BackdropSwatchTile>(section, QStringLiteral("backdrop"));
    }
    static QList<PresetTile *> presetTiles(const PresetsSection *section) {
        return tilesOf<PresetTile>(section, QStringLiteral("preset"));
    }
    static QString backdropNameOf(const BackdropsSection *section) {
        return child<QLabel>(section, "backdropName")->text();
    }
    // A segmented row's items, in order.
    static QList<QAbstractButton *> segments(const SegmentedRow *row) {
        QList<QAbstractButton *> items;
        while (auto *item = row->findChild<QAbstractButton *>(QStringLiteral("segment%1").arg(items.size())))
            items.append(item);
        return items;
    }
    QAbstractButton *segment(SegmentedRow *row, const QString &label) {
        const QList<QAbstractButton *> items = segments(row);
        for (QAbstractButton *item : items)
            if (item->text() == label) return item;
        ADD_FAILURE() << "no segment " << label.toStdString();
        return items.first();
    }
    void setPadding(double padding) {
        BeautyStyle style = model->document().style();
        style.padding = padding;
        model->document().setStyle(style);
    }

    std::unique_ptr<EditorModel> model;
    std::unique_ptr<InspectorView> panel;
};

} // namespace

TEST_F(InspectorViewTest, PresetGridFollowsTheStore) {
    open();
    PresetsSection *presets = section<PresetsSection>("presetsSection");
    QAbstractButton *newTile = child<QAbstractButton>(presets, "newTile");
    EXPECT_TRUE(presetTiles(presets).isEmpty());
    EXPECT_TRUE(newTile->isVisible());

    QList<PresetTile *> firstTiles;
    for (int i = 0; i < 9; ++i) {
        StyleStore::shared().addPreset(QStringLiteral("P%1").arg(i), BeautyStyle{});
        if (i == 0) firstTiles = presetTiles(presets);
    }
    QStringList caps;
    for (PresetTile *tile : presetTiles(presets)) caps << tile->keyLabel();
    EXPECT_EQ(caps, QStringList({"1", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_FALSE(newTile->isVisible());
    EXPECT_EQ(presetTiles(presets).first(), firstTiles.first()); // updated in place

    // Deleting one brings "+ Novo" back and renumbers the caps.
    std::unique_ptr<QMenu>(presets->createMenu(0, nullptr))->actions().last()->trigger();
    EXPECT_EQ(presetTiles(presets).size(), 8);
    EXPECT_EQ(presetTiles(presets).first()->preset().name, QStringLiteral("P1"));
    EXPECT_TRUE(newTile->isVisible());
}

TEST_F(InspectorViewTest, PresetsWithTheCurrentStyleAreActive) {
    BeautyStyle style;
    style.padding = 32;
    style.shadow = false;
    StyleStore::shared().addPreset(QStringLiteral("A"), style);
    StyleStore::shared().addPreset(QStringLiteral("B"), style);
    StyleStore::shared().addPreset(QStringLiteral("C"), BeautyStyle{});
    open();
    QList<PresetTile *> tiles = presetTiles(section<PresetsSection>("presetsSection"));
    // The opening style is the default one: "C".
    EXPECT_FALSE(tiles[0]->isActive());
    EXPECT_TRUE(tiles[2]->isActive());

    click(tiles[0]);
    EXPECT_EQ(model->document().style(), style);
    EXPECT_TRUE(tiles[0]->isActive());
    EXPECT_TRUE(tiles[1]->isActive());
    EXPECT_FALSE(tiles[2]->isActive());

    click(child<QAbstractButton>(section<PaddingSection>("paddingSection"), "plusButton"));
    EXPECT_FALSE(tiles[0]->isActive());
    EXPECT_FALSE(tiles[1]->isActive());
}

TEST_F(InspectorViewTest, RenamingAPreset) {
    StyleStore::shared().addPreset(QStringLiteral("Docs"), BeautyStyle{});
    open();
    PresetsSection *presets = section<PresetsSection>("presetsSection");
    const auto rename = [&](std::optional<QString> answer) {
        prompt.answer = std::move(answer);
        std::unique_ptr<QMenu> menu(presets->createMenu(0, nullptr));
        EXPECT_EQ(actionStates(menu.get()),
                  QStringList({"Atualizar com o estilo atual", "Renomear…", "Excluir preset"}));
        menu->actions()[1]->trigger();
    };
    clearToast();
    rename(std::nullopt);
    rename(QStringLiteral("   \n"));
    EXPECT_EQ(StyleStore::shared().presets().first().name, QStringLiteral("Docs"));
    ASSERT_EQ(prompt.asked.size(), 2);
    EXPECT_EQ(prompt.asked[0].title, QStringLiteral("Renomear preset"));
    EXPECT_EQ(prompt.asked[0].initial, QStringLiteral("Docs"));
    EXPECT_EQ(prompt.asked[0].confirm, QStringLiteral("Renomear"));

    rename(QStringLiteral("  Slides novos "));
    EXPECT_EQ(StyleStore::shared().presets().first().name, QStringLiteral("Slides novos"));
    EXPECT_EQ(presetTiles(presets).first()->preset().name, QStringLiteral("Slides novos"));
    EXPECT_FALSE(model->document().canUndo());
    EXPECT_EQ(toastText(), QString());
}

TEST_F(InspectorViewTest, BackdropTilesAndTheirMenus) {
    open();
    BackdropsSection *backdrops = section<BackdropsSection>("backdropsSection");
    QAbstractButton *newTile = child<QAbstractButton>(backdrops, "newTile");
    QAbstractButton *editRow = child<QAbstractButton>(backdrops, "editRow");
    QList<BackdropSwatchTile *> tiles = backdropTiles(backdrops);
    ASSERT_EQ(tiles.last()->backdrop().id, QStringLiteral("none"));
    EXPECT_TRUE(tiles.first()->isSelected());
    EXPECT_TRUE(newTile->isVisible());

    // The transparent one: a double click only selects it, and its menu offers nothing.
    doubleClick(tiles.last());
    EXPECT_EQ(model->document().style().backdrop.id, QStringLiteral("none"));
    EXPECT_FALSE(model->page().backdropDraft());
    EXPECT_TRUE(tiles.last()->isSelected());
    EXPECT_FALSE(tiles.first()->isSelected());
    EXPECT_EQ(editRow->text(), QStringLiteral("Criar fundo com minhas cores"));
    std::unique_ptr<QMenu> none(backdrops->createMenu(int(tiles.size() - 1), nullptr));
    EXPECT_EQ(actionStates(none.get()), QStringList({"Editar cores… (off)", "Duplicar (off)", "Excluir fundo (off)"}));

    // Any other: a double click edits it.
    doubleClick(tiles[1]);
    EXPECT_EQ(model->document().style().backdrop, tiles[1]->backdrop());
    ASSERT_TRUE(model->page().backdropDraft());
    EXPECT_EQ(model->page().backdropDraft()->backdrop.id, tiles[1]->backdrop().id);
    EXPECT_EQ(editRow->text(), QStringLiteral("Mudar as cores deste fundo"));

    // Twenty stored: no "+" and nothing to duplicate anywhere.
    for (int n = 0; StyleStore::shared().backdrops().size() < StyleStore::maxBackdrops; ++n)
        StyleStore::shared().saveBackdrop(custom(n));
    tiles = backdropTiles(backdrops);
    EXPECT_EQ(tiles.size(), StyleStore::maxBackdrops);
    EXPECT_FALSE(newTile->isVisible());
    for (int i = 0; i < tiles.size(); ++i) {
        std::unique_ptr<QMenu> menu(backdrops->createMenu(i, nullptr));
        EXPECT_FALSE(menu->actions()[1]->isEnabled()) << i;
    }
}

TEST_F(InspectorViewTest, DeletingTheBackdropInUseKeepsItsName) {
    StyleStore::shared().saveBackdrop(custom(1));
    open();
    BackdropsSection *backdrops = section<BackdropsSection>("backdropsSection");
    BackdropSwatchTile *tile = backdropTiles(backdrops)[StyleStore::shared().backdrops().size() - 2];
    ASSERT_EQ(tile->backdrop().id, QStringLiteral("custom-1"));
    click(tile);
    EXPECT_EQ(backdropNameOf(backdrops), QStringLiteral("Meu 1"));
    std::unique_ptr<QMenu> menu(backdrops->createMenu(int(backdropTiles(backdrops).indexOf(tile)), nullptr));
    menu->actions().last()->trigger();

    EXPECT_EQ(model->document().style().backdrop.id, QStringLiteral("custom-1"));
    EXPECT_EQ(backdropNameOf(backdrops), QStringLiteral("Meu 1"));
    for (BackdropSwatchTile *t : backdropTiles(backdrops))
        EXPECT_FALSE(t->isSelected()) << t->backdrop().id.toStdString();
}

TEST_F(InspectorViewTest, MarginReadoutButtonsAndSlider) {
    open();
    PaddingSection *padding = section<PaddingSection>("paddingSection");
    QAbstractButton *plus = child<QAbstractButton>(padding, "plusButton");
    QAbstractButton *minus = child<QAbstractButton>(padding, "minusButton");
    QLabel *readout = child<QLabel>(padding, "readout");
    TintedSlider *slider = child<TintedSlider>(padding, "slider");
    setPadding(160);
    click(plus);
    EXPECT_EQ(readout->text(), QStringLiteral("160 pt"));
    setPadding(0);
    click(minus);
    EXPECT_EQ(readout->text(), QStringLiteral("0 pt"));

    setPadding(64.5);
    EXPECT_EQ(readout->text(), QStringLiteral("64 pt"));
    click(minus);
    EXPECT_EQ(model->document().style().padding, 56.5);
    click(plus);
    click(plus);
    EXPECT_EQ(model->document().style().padding, 72.5);
    EXPECT_EQ(slider->value(), 9);

    // A drag writes every step it passes, each its own undo step.
    setPadding(0);
    while (model->document().canUndo()) model->document().undo();
    setPadding(0);
    slider->setSliderDown(true);
    for (int step = 1; step <= 3; ++step) slider->setSliderPosition(step);
    slider->setSliderDown(false);
    EXPECT_EQ(model->document().style().padding, 24);
    model->document().undo();
    EXPECT_EQ(model->document().style().padding, 16);
    EXPECT_EQ(slider->value(), 2);
}

TEST_F(InspectorViewTest, OpeningOverAStoredStyleWritesNothing) {
    BeautyStyle stored;
    stored.padding = 64.5;
    StyleStore::shared().setDefaultStyle(stored);
    ExportSettings settings{ExportFormat::jpeg, 0.3, ExportScale::retina};
    StyleStore::shared().setExportSettings(settings);
    QFile file(platform::UserDefaults::standard().filePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();

    open();
    settle();
    EXPECT_FALSE(model->document().canUndo());
    EXPECT_EQ(model->document().style().padding, 64.5);
    EXPECT_EQ(child<QLabel>(section<PaddingSection>("paddingSection"), "readout")->text(), QStringLiteral("64 pt"));
    // A stored quality below the slider's range stays as it is; the slider shows its low end.
    auto *exports = section<ExportSection>("exportSection");
    const TintedSlider *quality = child<TintedSlider>(exports, "qualitySlider");
    EXPECT_EQ(quality->value(), quality->minimum());
    EXPECT_EQ(child<QLabel>(exports, "qualityReadout")->text(), QStringLiteral("30%"));
    EXPECT_EQ(StyleStore::shared().exportSettings(), settings);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

TEST_F(InspectorViewTest, ExportControls) {
    StyleStore::shared().setPresets(StylePreset::factoryPresets());
    StyleStore::shared().setExportSettings({ExportFormat::jpeg, 0.625, ExportScale::retina});
    open(false);
    ExportSection *exports = section<ExportSection>("exportSection");
    QLabel *estimate = child<QLabel>(exports, "estimate");
    QWidget *qualityRow = child<QWidget>(exports, "qualityRow");
    QLabel *qualityReadout = child<QLabel>(exports, "qualityReadout");
    QLabel *formatTip = child<QLabel>(exports, "formatTip");
    auto *formats = child<Segmented<ExportFormat>>(exports, "formatSwitch");
    auto *scales = child<Segmented<ExportScale>>(exports, "scaleSwitch");
    EXPECT_EQ(estimate->text(), QStringLiteral("Calculando tamanho…"));
    EXPECT_TRUE(qualityRow->isVisible());
    EXPECT_EQ(qualityReadout->text(), QStringLiteral("63%"));
    EXPECT_EQ(formatTip->text(), QStringLiteral("Leve, abre em qualquer lugar"));
    settle();
    const QSize full = model->render().exportPixelSize();
    ASSERT_FALSE(full.isEmpty());
    EXPECT_TRUE(estimate->text().startsWith(QStringLiteral("≈ ")));
    EXPECT_TRUE(estimate->text().endsWith(QStringLiteral(" · %1 × %2 px").arg(full.width()).arg(full.height())));

    click(segment(formats, QStringLiteral("PNG")));
    EXPECT_FALSE(qualityRow->isVisible());
    EXPECT_EQ(formatTip->text(), QStringLiteral("Sem perdas, aceita transparência"));
    EXPECT_EQ(StyleStore::shared().exportSettings().quality, 0.625);
    click(segment(formats, QStringLiteral("HEIC")));
    EXPECT_TRUE(qualityRow->isVisible());
    EXPECT_EQ(qualityReadout->text(), QStringLiteral("63%"));
    EXPECT_EQ(formatTip->text(), QStringLiteral("O mais leve; cabe mais prints no disco"));

    click(segment(scales, QStringLiteral("1× Leve")));
    settle();
    const QSize half = full / 2;
    EXPECT_EQ(model->render().exportPixelSize(), half);
    EXPECT_TRUE(estimate->text().endsWith(QStringLiteral(" · %1 × %2 px").arg(half.width()).arg(half.height())));

    child<TintedSlider>(exports, "qualitySlider")->setValue(20);
    EXPECT_EQ(StyleStore::shared().exportSettings().quality, 1.0);
    EXPECT_EQ(qualityReadout->text(), QStringLiteral("100%"));

    // For a person to look at: the whole panel on the page's colour.
    QImage picture(panel->size() * 2, QImage::Format_ARGB32_Premultiplied);
    picture.setDevicePixelRatio(2);
    picture.fill(Theme::panel());
    panel->render(&picture, {}, {}, QWidget::DrawChildren);
    picture.save(testsupport::outputPath(QStringLiteral("inspector.png")));
}

TEST_F(InspectorViewTest, SwitchesAndTheLogo) {
    open();
    TogglesSection *toggles = section<TogglesSection>("togglesSection");
    ToggleRow *shadow = child<ToggleRow>(toggles, "shadowRow");
    EXPECT_EQ(shadow->toolTip(), QStringLiteral("Sombra"));
    click(child<ToggleSwitch>(shadow, "toggle"));
    EXPECT_FALSE(model->document().style().shadow);
    EXPECT_FALSE(shadow->isOn());
    model->document().undo();
    EXPECT_TRUE(shadow->isOn());

    // Without a logo the row is dimmed, says where to add one and ignores clicks.
    ToggleRow *logo = child<ToggleRow>(toggles, "logoRow");
    EXPECT_FALSE(logo->isAvailable());
    const auto titleOpacity = [logo] {
        return logo->findChild<QLabel *>()->palette().color(QPalette::WindowText).alphaF();
    };
    EXPECT_LT(titleOpacity(), 0.6);
    EXPECT_EQ(logo->toolTip(), QStringLiteral("Adicione um logo na página Marca (Ctrl+5)"));
    click(child<ToggleSwitch>(logo, "toggle"));
    EXPECT_FALSE(BrandStore::shared().kit().logoOnScreenshots);

    // A logo loaded meanwhile makes it available; a click writes the brand kit, not the style.
    ASSERT_TRUE(BrandStore::shared().saveLogo(testsupport::filledImage(64, 32, Qt::red)));
    EXPECT_TRUE(logo->isAvailable());
    EXPECT_GT(titleOpacity(), 0.9);
    EXPECT_TRUE(logo->toolTip().startsWith(QStringLiteral("Logo na margem dos prints.")));
    click(child<ToggleSwitch>(logo, "toggle"));
    EXPECT_TRUE(BrandStore::shared().kit().logoOnScreenshots);
    EXPECT_FALSE(model->document().canUndo());
}

TEST_F(InspectorViewTest, AspectAndLabelsInEnglish) {
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    open();
    auto *aspect = child<Segmented<AspectRatio>>(section<AspectSection>("aspectSection"), "aspectSwitch");
    auto *scaleSwitch = child<Segmented<ExportScale>>(section<ExportSection>("exportSection"), "scaleSwitch");
    auto *formatSwitch = child<Segmented<ExportFormat>>(section<ExportSection>("exportSection"), "formatSwitch");
    QStringList aspects, scales, formats;
    for (QAbstractButton *b : segments(aspect)) aspects << b->text();
    for (QAbstractButton *b : segments(scaleSwitch)) scales << b->text();
    for (QAbstractButton *b : segments(formatSwitch)) formats << b->text();
    EXPECT_EQ(aspects, QStringList({"Auto", "16:9", "4:3", "1:1"}));
    EXPECT_EQ(scales, QStringList({"2× Sharp", "1× Light"}));
    EXPECT_EQ(formats, QStringList({"PNG", "JPEG", "HEIC"}));

    // Choosing the aspect already chosen writes an equal style: nothing to undo.
    click(segment(aspect, QStringLiteral("Auto")));
    EXPECT_FALSE(model->document().canUndo());
    click(segment(aspect, QStringLiteral("16:9")));
    EXPECT_EQ(model->document().style().aspect, AspectRatio::wide);
    model->document().undo();
    EXPECT_EQ(aspect->value(), AspectRatio::auto_);
}
