#include "editor/EditorFixture.h"

#include "support/PlatformFakes.h"

using editortest::EditorTest;

namespace {

QStringList ids(const QList<EditorCommand> &rows) {
    QStringList out;
    for (const EditorCommand &row : rows) out.append(row.id);
    return out;
}

const EditorCommand &row(const QList<EditorCommand> &rows, const QString &id) {
    static const EditorCommand none;
    for (const EditorCommand &r : rows)
        if (r.id == id) return r;
    ADD_FAILURE() << "no row " << id.toStdString();
    return none;
}

class CommandsTest : public EditorTest {
protected:
    QStringList matches(const QString &query) {
        model->page().setCommandQuery(query);
        return ids(model->filteredCommands());
    }

    void SetUp() override {
        EditorTest::SetUp();
        model = makeModel();
    }

    std::unique_ptr<EditorModel> model;
};

} // namespace

TEST_F(CommandsTest, BackdropAndPresetRowsFollowTheBackdropEditRow) {
    StyleStore &store = StyleStore::shared();
    for (const QString &name : {QStringLiteral("Um"), QStringLiteral("Dois"), QStringLiteral("Três")})
        store.addPreset(name, BeautyStyle{});
    ASSERT_EQ(store.backdrops().size(), 9);
    const QStringList table = ids(model->commands());
    ASSERT_EQ(table.size(), 35 + 9 + 3);
    const qsizetype edit = table.indexOf(QStringLiteral("bg-edit"));
    EXPECT_EQ(edit, 13);
    for (qsizetype i = 0; i < 9; ++i) EXPECT_EQ(table[edit + 1 + i], QStringLiteral("bg-") + store.backdrops()[i].id);
    for (qsizetype i = 0; i < 3; ++i)
        EXPECT_EQ(table[edit + 10 + i],
                  QStringLiteral("preset-") + store.presets()[i].id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(table[edit + 13], QStringLiteral("pad-up"));
    EXPECT_EQ(table.last(), QStringLiteral("close"));

    // A preset row applies its preset and shows its digit.
    const EditorCommand second = row(model->commands(), table[edit + 11]);
    EXPECT_EQ(second.shortcut, QStringLiteral("2"));
    EXPECT_EQ(second.title, QStringLiteral("Preset: Dois"));
}

TEST_F(CommandsTest, QueriesMatchGroupAndTitleWithoutCaseOrAccents) {
    EXPECT_EQ(matches(QStringLiteral("sombra")), QStringList{QStringLiteral("shadow")});
    EXPECT_EQ(matches(QStringLiteral("AJUSTES")),
              (QStringList{QStringLiteral("pad-up"), QStringLiteral("pad-down"), QStringLiteral("corners"),
                           QStringLiteral("shadow"), QStringLiteral("balance")}));
    EXPECT_EQ(matches(QStringLiteral(" proporcao\t")),
              (QStringList{QStringLiteral("aspect-auto"), QStringLiteral("aspect-wide"),
                           QStringLiteral("aspect-classic"), QStringLiteral("aspect-square")}));
    EXPECT_EQ(matches(QStringLiteral("   ")).size(), model->commands().size());
    EXPECT_TRUE(matches(QStringLiteral("tool-arrow")).isEmpty()); // identifiers are not searched
}

TEST_F(CommandsTest, TitlesAndMarksFollowTheState) {
    model->page().setCommandQuery(QStringLiteral("sombra"));
    model->runSelectedCommand();
    EXPECT_FALSE(model->document().style().shadow);
    QList<EditorCommand> rows = model->commands();
    EXPECT_EQ(row(rows, QStringLiteral("shadow")).title, QStringLiteral("Ligar sombra"));
    EXPECT_EQ(row(rows, QStringLiteral("save")).title, QStringLiteral("Salvar como PNG…"));

    row(rows, QStringLiteral("format-jpeg")).run();
    EXPECT_EQ(StyleStore::shared().exportSettings().format, ExportFormat::jpeg);
    rows = model->commands();
    EXPECT_EQ(row(rows, QStringLiteral("save")).title, QStringLiteral("Salvar como JPEG…"));
    EXPECT_EQ(row(rows, QStringLiteral("format-jpeg")).shortcut, QStringLiteral("atual"));
    EXPECT_EQ(row(rows, QStringLiteral("format-png")).shortcut, QString());
    EXPECT_EQ(row(rows, QStringLiteral("bg-") + model->document().style().backdrop.id).shortcut,
              QStringLiteral("atual"));

    // The sizes and "Auto" are texts of the tables; "16:9" is written as it is.
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    rows = model->commands();
    EXPECT_EQ(row(rows, QStringLiteral("scale-standard")).title, QStringLiteral("Size: 1× Light"));
    EXPECT_EQ(row(rows, QStringLiteral("scale-retina")).title, QStringLiteral("Size: 2× Sharp"));
    EXPECT_EQ(row(rows, QStringLiteral("aspect-auto")).title, QStringLiteral("Aspect ratio: Auto"));
    EXPECT_EQ(row(rows, QStringLiteral("aspect-wide")).title, QStringLiteral("Aspect ratio: 16:9"));
    EXPECT_EQ(row(rows, QStringLiteral("aspect-auto")).shortcut, QStringLiteral("current"));

    // A row kept after its model went does nothing.
    const EditorCommand close = row(rows, QStringLiteral("close"));
    int closed = 0;
    model->onClose = [&] { ++closed; };
    model.reset();
    close.run();
    EXPECT_EQ(closed, 0);
}

TEST_F(CommandsTest, TheSelectionWrapsAndRunningClosesTheBarFirst) {
    model->page().setCommandBarOpen(true);
    model->page().setCommandQuery(QStringLiteral("fundo:"));
    ASSERT_EQ(model->filteredCommands().size(), 9);
    model->moveCommandSelection(-1);
    EXPECT_EQ(model->page().commandSelection(), 8);
    model->moveCommandSelection(1);
    EXPECT_EQ(model->page().commandSelection(), 0);

    // Nothing matches: running does nothing and the bar stays.
    model->page().setCommandQuery(QStringLiteral("xyzzy"));
    model->moveCommandSelection(1);
    model->runSelectedCommand();
    EXPECT_TRUE(model->page().isCommandBarOpen());

    model->page().setCommandQuery(QStringLiteral("atalhos"));
    bool barOpenWhenRun = true;
    QObject::connect(&model->page(), &EditorPageState::isShortcutsOpenChanged, model.get(),
                     [&] { barOpenWhenRun = model->page().isCommandBarOpen(); });
    model->runSelectedCommand();
    EXPECT_FALSE(model->page().isCommandBarOpen());
    EXPECT_TRUE(model->page().isShortcutsOpen());
    EXPECT_FALSE(barOpenWhenRun);

    // "Fechar sem salvar" closes the window and copies nothing.
    testsupport::PlatformFakes fakes;
    int closed = 0;
    model->onClose = [&] { ++closed; };
    model->page().setCommandBarOpen(true);
    model->page().setCommandQuery(QStringLiteral("fechar"));
    model->runSelectedCommand();
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(fakes.pasteboard.writes, 0);
}
