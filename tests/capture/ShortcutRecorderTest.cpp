#include "capture/FakeHotkeys.h"
#include "capture/HotkeyManager.h"
#include "capture/ShortcutRecorder.h"
#include "core/ShortcutStore.h"
#include "core/SystemShortcuts.h"
#include "platform/KeyEvent.h"
#include "platform/SystemSettings.h"
#include "platform/UserDefaults.h"
#include "support/TestSupport.h"
#include "widgets/Theme.h"

#include <QFile>
#include <QLabel>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace platform::ModifierFlag;

namespace {

struct ShortcutRecorderTest : testing::Test {
    testsupport::TempFolder folder;
    platform::UserDefaults defaults{folder.file(QStringLiteral("defaults.json"))};
    ShortcutStore store{defaults};
    FakeHotkeys *hotkeys = nullptr;
    std::unique_ptr<HotkeyManager> manager;

    void SetUp() override {
        auto fake = std::make_unique<FakeHotkeys>();
        hotkeys = fake.get();
        manager = std::make_unique<HotkeyManager>(store, std::move(fake));
        manager->start();
        QCoreApplication::processEvents();
    }

    // Keys go to whatever widget; the recorder takes them application-wide.
    // What the message row says; nothing while it is hidden.
    static QString statusText(const ShortcutRecorder &recorder) {
        return testsupport::namedChild<QWidget>(recorder, "statusRow")->isHidden()
                   ? QString()
                   : testsupport::namedChild<QLabel>(recorder, "statusText")->text();
    }

    static QAbstractButton *field(const ShortcutRecorder &recorder) {
        return testsupport::namedChild<QAbstractButton>(recorder, "shortcutField");
    }

    static bool showsKeyboardSettingsLink(const ShortcutRecorder &recorder) {
        return !testsupport::namedChild<QWidget>(recorder, "keyboardSettingsLink")->isHidden();
    }

    static void press(QWidget *target, Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(target, key, modifiers);
    }
};

} // namespace

TEST_F(ShortcutRecorderTest, RecordsAcceptsAndRejects) {
    QWidget window;
    auto *recorder = new ShortcutRecorder(store, *manager, ShortcutAction::captureArea, Keycap::Size::large, &window);
    auto *elsewhere = new QLabel(QStringLiteral("outro"), &window);
    window.show();
    EXPECT_EQ(statusText(*recorder), QStringLiteral("Pronto — teste agora em qualquer app"));
    EXPECT_EQ(field(*recorder)->accessibleName(),
              QStringLiteral("Atalho de Capturar área: Alt+Shift+A. Clique para gravar outro."));

    QTest::mouseClick(field(*recorder), Qt::LeftButton);
    ASSERT_TRUE(recorder->isRecording());
    EXPECT_TRUE(hotkeys->registered.isEmpty()); // suspended
    EXPECT_EQ(statusText(*recorder), QStringLiteral("Esc cancela · atalhos do sistema não podem ser gravados"));
    EXPECT_EQ(field(*recorder)->accessibleName(),
              QStringLiteral("Gravando atalho para Capturar área. Pressione a combinação."));

    // Rejected: shown, not stored, still recording.
    press(elsewhere, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(recorder->problem(), ShortcutProblem::needsModifier());
    EXPECT_EQ(statusText(*recorder), ShortcutProblem::needsModifier().message());
    press(elsewhere, Qt::Key_Q, Qt::ControlModifier); // ⌘Q
    EXPECT_EQ(recorder->problem(), ShortcutProblem::reservedBySystem("Sair do app"));
    press(elsewhere, Qt::Key_W, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(recorder->problem(), ShortcutProblem::usedByOtherAction("Capturar janela"));
    press(elsewhere, Qt::Key_Shift, Qt::ShiftModifier); // a lone modifier has no label: ignored
    EXPECT_EQ(recorder->problem(), ShortcutProblem::usedByOtherAction("Capturar janela"));
    EXPECT_TRUE(recorder->isRecording());
    EXPECT_FALSE(defaults.contains("shortcut.captureArea"));

    // Accepted: stored as JSON, recording stops, hot keys back with the new combination.
    press(elsewhere, Qt::Key_P, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(recorder->problem(), std::nullopt);
    EXPECT_EQ(defaults.dataValue("shortcut.captureArea"), QByteArray(R"({"keyCode":35,"modifiers":655360,"key":"P"})"));
    EXPECT_EQ(hotkeys->registered.value(1).keyCode, 35);
    EXPECT_EQ(hotkeys->registered.size(), 5);
    EXPECT_EQ(statusText(*recorder), QStringLiteral("Pronto — teste agora em qualquer app"));
    EXPECT_EQ(field(*recorder)->accessibleName(),
              QStringLiteral("Atalho de Capturar área: Alt+Shift+P. Clique para gravar outro."));

    // Keys reach other widgets again once recording stopped.
    press(elsewhere, Qt::Key_A, Qt::ShiftModifier);
    EXPECT_EQ(recorder->problem(), std::nullopt);
}

// The prompt fits its field, and a message appearing moves neither the field nor the recorder's edges.
TEST_F(ShortcutRecorderTest, ThePromptFitsAndMessagesDoNotMoveTheField) {
    for (const Keycap::Size size : {Keycap::Size::small, Keycap::Size::large}) {
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *recorder = new ShortcutRecorder(store, *manager, ShortcutAction::captureArea, size, &window);
        layout->addWidget(recorder, 0, Qt::AlignLeft | Qt::AlignTop);
        window.show();
        const QFont font = Theme::font(size == Keycap::Size::large ? 16 : 13);
        EXPECT_GT(field(*recorder)->width(),
                  QFontMetrics(font).horizontalAdvance(QStringLiteral("Pressione a combinação…")) + 8);
        QTest::mouseClick(field(*recorder), Qt::LeftButton);
        QCoreApplication::processEvents();
        const QRect before = field(*recorder)->geometry();
        const int width = recorder->width();
        press(recorder, Qt::Key_W, Qt::AltModifier | Qt::ShiftModifier); // another action's: a long message
        ASSERT_FALSE(statusText(*recorder).isEmpty());
        QCoreApplication::processEvents();
        EXPECT_EQ(field(*recorder)->geometry(), before);
        EXPECT_EQ(recorder->width(), width);
        press(recorder, Qt::Key_Escape);
    }
}

TEST_F(ShortcutRecorderTest, EscapeSecondClickHidingAndScreenshotWarning) {
    QWidget window;
    auto *recorder = new ShortcutRecorder(store, *manager, ShortcutAction::captureWindow, Keycap::Size::small, &window);
    window.show();
    EXPECT_EQ(statusText(*recorder), QString()); // the small one says nothing without a problem

    // Escape keeps the old value and the last message; hot keys come back.
    QTest::mouseClick(field(*recorder), Qt::LeftButton);
    press(recorder, Qt::Key_B);
    press(recorder, Qt::Key_Escape);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(recorder->problem(), ShortcutProblem::needsModifier());
    EXPECT_EQ(store.shortcut(ShortcutAction::captureWindow), Shortcut::defaultFor(ShortcutAction::captureWindow));
    EXPECT_EQ(hotkeys->registered.size(), 5);

    // A new recording clears the message; a second click stops without saving.
    QTest::mouseClick(field(*recorder), Qt::LeftButton);
    EXPECT_EQ(recorder->problem(), std::nullopt);
    QTest::mouseClick(field(*recorder), Qt::LeftButton);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(hotkeys->registered.size(), 5);

    // A screenshot combination is stored with its warning and the keyboard-settings link, which shows
    // only when there is a keyboard settings program to open.
    testsupport::TempFolder bin;
    bin.write("xfce4-keyboard-settings", "#!/bin/sh\n");
    QFile::setPermissions(bin.file("xfce4-keyboard-settings"), QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    QTest::mouseClick(field(*recorder), Qt::LeftButton);
    press(recorder, Qt::Key_Print, Qt::ShiftModifier);
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_EQ(recorder->problem(), ShortcutProblem::systemScreenshot("Captura de uma área"));
    EXPECT_EQ(store.shortcut(ShortcutAction::captureWindow).keyCode, 105);
    EXPECT_EQ(store.shortcut(ShortcutAction::captureWindow).modifiers, shift);
    EXPECT_TRUE(showsKeyboardSettingsLink(*recorder));
    qputenv("PATH", "/nonexistent");
    QTest::mouseClick(field(*recorder), Qt::LeftButton);
    press(recorder, Qt::Key_Print, Qt::ShiftModifier);
    EXPECT_EQ(recorder->problem(), ShortcutProblem::systemScreenshot("Captura de uma área"));
    EXPECT_FALSE(showsKeyboardSettingsLink(*recorder));
    qputenv("PATH", path);

    // With Caps Lock on (the X lock bit in the event's state) the letter comes in upper case and the
    // lock never reaches the stored modifiers.
    QTest::mouseClick(field(*recorder), Qt::LeftButton);
    QKeyEvent locked(QEvent::KeyPress, Qt::Key_K, Qt::AltModifier | Qt::ShiftModifier, 0, 'K',
                     0x1 /* Shift */ | 0x2 /* Lock */ | 0x8 /* Mod1 */, QStringLiteral("K"));
    QCoreApplication::sendEvent(recorder, &locked);
    EXPECT_EQ(store.shortcut(ShortcutAction::captureWindow), (Shortcut{40, option | shift, QStringLiteral("K")}));

    // Leaving the page while recording resumes the hot keys.
    QTest::mouseClick(field(*recorder), Qt::LeftButton);
    ASSERT_TRUE(manager->isSuspended());
    window.hide();
    EXPECT_FALSE(recorder->isRecording());
    EXPECT_FALSE(manager->isSuspended());
    EXPECT_EQ(hotkeys->registered.size(), 5);
}

TEST_F(ShortcutRecorderTest, StartingASecondRecorderStopsTheFirst) {
    // Two listening recorders would both swallow keys, and Escape on one would bring the hot keys back
    // while the other still records.
    QWidget window;
    auto *a = new ShortcutRecorder(store, *manager, ShortcutAction::captureArea, Keycap::Size::small, &window);
    auto *b = new ShortcutRecorder(store, *manager, ShortcutAction::captureWindow, Keycap::Size::small, &window);
    auto *elsewhere = new QLabel(QStringLiteral("outro"), &window);
    window.show();
    QTest::mouseClick(field(*a), Qt::LeftButton);
    QTest::mouseClick(field(*b), Qt::LeftButton);
    EXPECT_FALSE(a->isRecording());
    ASSERT_TRUE(b->isRecording());
    EXPECT_TRUE(manager->isSuspended());
    EXPECT_TRUE(hotkeys->registered.isEmpty());

    // The combination goes to the one that listens.
    press(elsewhere, Qt::Key_P, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_FALSE(b->isRecording());
    EXPECT_EQ(store.shortcut(ShortcutAction::captureWindow).key, QStringLiteral("P"));
    EXPECT_EQ(store.shortcut(ShortcutAction::captureArea), Shortcut::defaultFor(ShortcutAction::captureArea));
    EXPECT_FALSE(manager->isSuspended());
    EXPECT_EQ(hotkeys->registered.size(), 5);

    // A recorder that goes away while listening lets the next one start cleanly.
    QTest::mouseClick(field(*a), Qt::LeftButton);
    delete a;
    EXPECT_FALSE(manager->isSuspended());
    QTest::mouseClick(field(*b), Qt::LeftButton);
    press(elsewhere, Qt::Key_Escape);
    EXPECT_FALSE(b->isRecording());
    EXPECT_FALSE(manager->isSuspended());
    EXPECT_EQ(hotkeys->registered.size(), 5);
}
