#include "PrefRowDetail.h"
#include "app/PrefRow.h"
#include "app/ShortcutsSection.h"
#include "capture/FakeHotkeys.h"
#include "capture/HotkeyManager.h"
#include "capture/ShortcutRecorder.h"
#include "core/ShortcutStore.h"
#include "platform/KeyEvent.h"
#include "platform/StringTables.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

TEST(ShortcutsSectionTest, ResetButtonsAndRefusalLines) {
    testsupport::TempFolder folder;
    platform::UserDefaults defaults(folder.file(QStringLiteral("defaults.json")));
    // A label of its own on the default key and modifiers counts as changed.
    defaults.setData("shortcut.repeatLastArea", R"({"keyCode":15,"modifiers":655360,"key":"X"})");
    ShortcutStore store(defaults);
    auto fake = std::make_unique<FakeHotkeys>();
    fake->heldElsewhere << FakeHotkeys::Combo{17, platform::ModifierFlag::option | platform::ModifierFlag::shift};
    HotkeyManager manager(store, std::move(fake));
    manager.start();
    QCoreApplication::processEvents();

    ShortcutsSection section(store, manager);
    section.resize(640, 900);
    section.show();
    const auto resetShown = [&](ShortcutAction action) { return section.resetButton(action)->isEnabled(); };
    EXPECT_FALSE(resetShown(ShortcutAction::captureArea));
    EXPECT_TRUE(resetShown(ShortcutAction::repeatLastArea));
    EXPECT_EQ(section.resetButton(ShortcutAction::captureWindow)->toolTip(),
              QStringLiteral("Voltar ao padrão (Alt+Shift+W)"));
    EXPECT_EQ(detailOf(section.row(ShortcutAction::toggleTutorial)),
              QStringLiteral("⚠︎ O sistema recusou — outro app pode estar usando. Grave outro."));
    EXPECT_EQ(detailOf(section.row(ShortcutAction::captureArea)), QString());
    // No keyboard settings program here (the test's PATH has none): no link to one.
    const auto *link = section.findChild<QWidget *>(QStringLiteral("keyboardSettingsLink"));
    ASSERT_NE(link, nullptr);
    EXPECT_FALSE(link->isVisible());

    // Recording Alt+Shift+Q for the window action shows only that row's reset button.
    QTest::mouseClick(
        testsupport::namedChild<QAbstractButton>(*section.recorder(ShortcutAction::captureWindow), "shortcutField"),
        Qt::LeftButton);
    QTest::keyClick(&section, Qt::Key_Q, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_TRUE(resetShown(ShortcutAction::captureWindow));
    EXPECT_TRUE(defaults.contains("shortcut.captureWindow"));

    // While "Capturar área" holds Alt+Shift+W the window reset is refused: Alt+Shift+Q stays and the row says why.
    store.setShortcut(ShortcutAction::captureArea, Shortcut::defaultFor(ShortcutAction::captureWindow));
    QTest::mouseClick(section.resetButton(ShortcutAction::captureWindow), Qt::LeftButton);
    EXPECT_EQ(store.shortcut(ShortcutAction::captureWindow).key, QStringLiteral("Q"));
    EXPECT_EQ(detailOf(section.row(ShortcutAction::captureWindow)),
              ShortcutProblem::usedByOtherAction(ShortcutActions::title(ShortcutAction::captureArea)).message());
    EXPECT_EQ(detailOf(section.row(ShortcutAction::captureArea)), QString());
    store.reset(ShortcutAction::captureArea);
    EXPECT_EQ(detailOf(section.row(ShortcutAction::captureWindow)), QString());

    // Reset: the default again, the stored value removed, the button hidden.
    QTest::mouseClick(section.resetButton(ShortcutAction::captureWindow), Qt::LeftButton);
    EXPECT_EQ(store.shortcut(ShortcutAction::captureWindow), Shortcut::defaultFor(ShortcutAction::captureWindow));
    EXPECT_FALSE(defaults.contains("shortcut.captureWindow"));
    EXPECT_FALSE(resetShown(ShortcutAction::captureWindow));

    // Freeing Alt+Shift+T elsewhere and re-registering clears the refusal line.
    store.setShortcut(ShortcutAction::toggleTutorial,
                      Shortcut{17, platform::ModifierFlag::option | platform::ModifierFlag::command, "T"});
    EXPECT_EQ(detailOf(section.row(ShortcutAction::toggleTutorial)), QString());
}

// Each row is as tall as its field with the row's margins, the field centred on the title's line and
// its reset right beside it, at the row's trailing edge.
TEST(ShortcutsSectionTest, RowsAreCompactWithTheFieldOnTheTitlesLine) {
    testsupport::TempFolder folder;
    platform::UserDefaults defaults(folder.file(QStringLiteral("defaults.json")));
    ShortcutStore store(defaults);
    HotkeyManager manager(store, std::make_unique<FakeHotkeys>());
    ShortcutsSection section(store, manager);
    section.resize(656, 900);
    section.show();
    const auto middle = [&section](const QWidget *widget) {
        return widget->mapTo(&section, QPoint()).y() + widget->height() / 2.0;
    };
    for (ShortcutAction action : ShortcutActions::all()) {
        const PrefRow *row = section.row(action);
        const QWidget *field = testsupport::namedChild<QWidget>(*section.recorder(action), "shortcutField");
        const QWidget *reset = section.resetButton(action);
        const QLabel *title = nullptr;
        for (const QLabel *label : row->findChildren<QLabel *>())
            if (label->text() == row->title()) title = label;
        ASSERT_NE(title, nullptr);
        EXPECT_LE(row->height(), field->height() + 21) << qPrintable(row->title());
        EXPECT_LE(std::abs(middle(field) - middle(title)), 1.5) << qPrintable(row->title());
        EXPECT_LE(std::abs(middle(reset) - middle(field)), 1.0);
        const int gap = reset->mapTo(&section, QPoint()).x() - field->mapTo(&section, QPoint(field->width(), 0)).x();
        EXPECT_GE(gap, 2);
        EXPECT_LE(gap, 10);
        EXPECT_LE(row->width() - reset->mapTo(row, QPoint(reset->width(), 0)).x(), 2);
    }
}

// The print-key guide speaks of this desktop: it takes the Print key itself, so only the keys it leaves
// alone work at once, and the link leads to its keyboard shortcuts.
TEST(ShortcutsSectionTest, ThePrintKeyGuideNamesThisDesktopsKeysAndSettings) {
    testsupport::TempFolder folder;
    platform::UserDefaults defaults(folder.file(QStringLiteral("defaults.json")));
    ShortcutStore store(defaults);
    HotkeyManager manager(store, std::make_unique<FakeHotkeys>());
    const auto shownTexts = [&] {
        ShortcutsSection section(store, manager);
        QStringList texts;
        for (const QLabel *label : section.findChildren<QLabel *>()) texts << label->text();
        texts << section.findChild<QAbstractButton *>(QStringLiteral("keyboardSettingsLink"))->text();
        return texts;
    };
    platform::StringTables::setCurrentLanguage(QStringLiteral("pt-BR"));
    QStringList texts = shownTexts();
    EXPECT_TRUE(texts.contains(QStringLiteral("Clique num atalho acima e aperte a tecla de print. Teclas que o sistema "
                                              "não usa (como F13–F20) funcionam direto.")));
    EXPECT_TRUE(texts.contains(QStringLiteral("Outra opção: no app do teclado, faça a tecla enviar Alt+Shift+A.")));
    EXPECT_EQ(texts.last(), QStringLiteral("Abrir os atalhos de teclado do sistema"));
    platform::StringTables::setCurrentLanguage(QStringLiteral("en"));
    texts = shownTexts();
    EXPECT_TRUE(texts.contains(QStringLiteral("Click a shortcut above and press the print key. Keys the system does "
                                              "not use (such as F13–F20) work directly.")));
    EXPECT_EQ(texts.last(), QStringLiteral("Open the system's keyboard shortcuts"));
    platform::StringTables::setCurrentLanguage({});
}
