#include "X11Fixture.h"

#include "app/ShortcutsSection.h"
#include "capture/HotkeyManager.h"
#include "capture/ShortcutRecorder.h"
#include "core/ShortcutStore.h"
#include "platform/GlobalHotkeys.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QProcess>
#include <QTest>

namespace {

// Its failures are left to show in what the recorder got.
void tryXdotool(const QStringList &arguments) { QProcess::execute(QStringLiteral("xdotool"), arguments); }
void key(const QString &keys) { tryXdotool({QStringLiteral("key"), QStringLiteral("--clearmodifiers"), keys}); }

class X11RecorderTest : public x11test::X11Test {
protected:
    testsupport::TempFolder folder;
    platform::UserDefaults defaults{folder.file(QStringLiteral("defaults.json"))};
    ShortcutStore store{defaults};
    std::unique_ptr<HotkeyManager> manager;
    QList<ShortcutAction> started;

    void SetUp() override {
        X11Test::SetUp();
        if (IsSkipped()) return;
        manager = std::make_unique<HotkeyManager>(store, platform::GlobalHotkeys::createForPlatform());
        manager->setHandler([this](ShortcutAction action) { started << action; });
        manager->start();
        ASSERT_TRUE(x11test::caughtUp()); // registered, and the server holds the grabs
    }
    void TearDown() override {
        manager.reset();
        X11Test::TearDown();
    }
    // Presses the keys and reports which actions they started.
    QList<ShortcutAction> startedBy(const QString &keys) {
        started.clear();
        key(keys);
        EXPECT_TRUE(x11test::caughtUp());
        return started;
    }
};

} // namespace

TEST_F(X11RecorderTest, RecordingSuspendsHotKeysAndTheNewCombinationWorksAtOnce) {
    ASSERT_TRUE(manager->failed().isEmpty());
    EXPECT_EQ(startedBy(QStringLiteral("alt+shift+a")), QList<ShortcutAction>{ShortcutAction::captureArea});

    QWidget window;
    window.setWindowTitle(QStringLiteral("Atalhos"));
    auto *section = new ShortcutsSection(store, *manager, &window);
    section->setGeometry(20, 20, 600, 700);
    window.resize(640, 760);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window, testsupport::patienceMs));
    ShortcutRecorder *recorder = section->recorder(ShortcutAction::captureArea);

    // A real click on the field starts recording; the hot keys are gone meanwhile.
    const auto *field = testsupport::namedChild<QAbstractButton>(*recorder, "shortcutField");
    const QPoint centre = field->mapToGlobal(field->rect().center());
    tryXdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(centre.x()),
                QString::number(centre.y()), QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(testsupport::becomes([&] { return recorder->isRecording(); }));
    EXPECT_TRUE(manager->isSuspended());

    // During recording Alt+Shift+F captures nothing: the recorder takes it, and it belongs to another action.
    EXPECT_TRUE(startedBy(QStringLiteral("alt+shift+f")).isEmpty());
    EXPECT_EQ(recorder->problem(), ShortcutProblem::usedByOtherAction(QStringLiteral("Capturar tela inteira")));
    // ⌘Q (Ctrl+Q): the reserved message, still recording; ⇧A alone: the missing-modifier message.
    EXPECT_TRUE(startedBy(QStringLiteral("ctrl+q")).isEmpty());
    EXPECT_EQ(recorder->problem(), ShortcutProblem::reservedBySystem(QStringLiteral("Sair do app")));
    EXPECT_TRUE(startedBy(QStringLiteral("shift+a")).isEmpty());
    EXPECT_EQ(recorder->problem(), ShortcutProblem::needsModifier());
    EXPECT_TRUE(recorder->isRecording());

    // Alt+Shift+P is stored and registered at once; Alt+Shift+A no longer captures.
    key(QStringLiteral("alt+shift+p"));
    ASSERT_TRUE(testsupport::becomes([&] { return !recorder->isRecording(); }));
    EXPECT_EQ(defaults.dataValue(QStringLiteral("shortcut.captureArea")),
              QByteArray(R"({"keyCode":35,"modifiers":655360,"key":"P"})"));
    EXPECT_FALSE(manager->isSuspended());
    EXPECT_EQ(startedBy(QStringLiteral("alt+shift+p")), QList<ShortcutAction>{ShortcutAction::captureArea});
    EXPECT_TRUE(startedBy(QStringLiteral("alt+shift+a")).isEmpty());
    EXPECT_EQ(startedBy(QStringLiteral("alt+shift+f")), QList<ShortcutAction>{ShortcutAction::captureFullScreen});

    // Escape leaves the value as it was and brings the hot keys back.
    tryXdotool({QStringLiteral("click"), QStringLiteral("1")});
    ASSERT_TRUE(testsupport::becomes([&] { return recorder->isRecording(); }));
    key(QStringLiteral("Escape"));
    ASSERT_TRUE(testsupport::becomes([&] { return !recorder->isRecording(); }));
    EXPECT_EQ(store.shortcut(ShortcutAction::captureArea).key, QStringLiteral("P"));
    EXPECT_EQ(startedBy(QStringLiteral("alt+shift+p")), QList<ShortcutAction>{ShortcutAction::captureArea});
}

TEST_F(X11RecorderTest, RefusedAndDuplicateCombinationsAreReported) {
    // A stored duplicate: the later action is refused, the others still work.
    store.setShortcut(ShortcutAction::toggleTutorial, Shortcut::defaultFor(ShortcutAction::captureFullScreen));
    EXPECT_EQ(manager->failed(), QList<ShortcutAction>{ShortcutAction::toggleTutorial});
    EXPECT_EQ(startedBy(QStringLiteral("alt+shift+f")), QList<ShortcutAction>{ShortcutAction::captureFullScreen});
    EXPECT_EQ(startedBy(QStringLiteral("alt+shift+r")), QList<ShortcutAction>{ShortcutAction::repeatLastArea});
}
