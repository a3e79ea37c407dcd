#include "capture/CaptureBackend.h"
#include "capture/CaptureService.h"
#include "capture/FakeCaptureBackend.h"
#include "capture/QuickPanelController.h"
#include "core/Beautifier.h"
#include "core/Settings.h"
#include "core/StyleStore.h"
#include "history/RecentsStore.h"
#include "platform/Alert.h"
#include "platform/Pasteboard.h"
#include "platform/ThreadPriority.h"
#include "platform/UserDefaults.h"
#include "support/RecordingNotifier.h"
#include "support/FixedClock.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "tutorials/TutorialStore.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QDir>
#include <QImageReader>
#include <QLocale>
#include <QScreen>
#include <QSignalSpy>
#include <QThreadPool>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <map>
#include <string>

#include <unistd.h>

namespace {

QImage picture(int w, int h, QColor color = QColor(200, 60, 60)) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

class FakeAlerts : public platform::AlertPresenter {
public:
    QList<platform::Alert> shown;
    int answer = 1;
    int run(const platform::Alert &alert) override {
        shown.append(alert);
        return answer;
    }
};

class FakePasteboard : public platform::Pasteboard {
public:
    QList<Item> items;
    int writes = 0;
    std::function<void()> onWrite; // what a test looks at the moment the clipboard is written
    bool setContents(const QList<Item> &list) override {
        items = list;
        ++writes;
        if (onWrite) onWrite();
        return true;
    }
    QList<Item> contents() const override { return items; }
    QImage png() const {
        for (const Item &item : items)
            if (item.first == QLatin1String("image/png")) return QImage::fromData(item.second, "png");
        return {};
    }
};

// Until the work the captures started has ended: a copy's beautifying on the bulk threads, its
// encoding on the shared pool, the hand-overs between them on the main thread and the recents files.
// Each hands the next on, so it is over only once two rounds in a row found nothing running.
void finishCaptureWork() {
    const auto idle = [] {
        return platform::bulkThreads().activeThreadCount() == 0 &&
               QThreadPool::globalInstance()->activeThreadCount() == 0;
    };
    int quietRounds = 0;
    EXPECT_TRUE(testsupport::becomes([&] {
        const bool idleBefore = idle();
        testsupport::settle();
        RecentsStore::shared().writer().waitForPending();
        quietRounds = idleBefore && idle() ? quietRounds + 1 : 0;
        return quietRounds >= 2;
    }));
}

class CaptureServiceTest : public ::testing::Test {
protected:
    FakeCaptureBackend backend;
    FakeAlerts alerts;
    testsupport::RecordingNotifier notices;
    FakePasteboard pasteboard;
    platform::UserDefaults &defaults = platform::UserDefaults::standard();

    void SetUp() override {
        CaptureBackend::setSharedForTesting(&backend);
        platform::AlertPresenter::setSharedForTesting(&alerts);
        platform::Pasteboard::setSharedForTesting(&pasteboard);
        CaptureService::resetForTesting();
        defaults.setString(QStringLiteral("afterCapture"), QStringLiteral("copy"));
        defaults.setBool(Settings::historyCompact.key(), false); // PNG files: quick
        defaults.setInt(Settings::historyKeep.key(), 500);
        StyleStore::shared().setExportSettings(ExportSettings{});
        if (TutorialStore::shared().isRecording()) TutorialStore::shared().toggleRecording();
        RecentsStore::shared().writer().waitForPending(); // files of an earlier test land before the slate is cleaned
        RecentsStore::shared().deleteAll();
    }
    void TearDown() override {
        // A copy still on a worker would land in the next test's clipboard and recents: let it end here.
        finishCaptureWork();
        CaptureBackend::setSharedForTesting(nullptr);
        platform::AlertPresenter::setSharedForTesting(nullptr);
        platform::Pasteboard::setSharedForTesting(nullptr);
    }
    // Starts a capture and lets it run until the road is free again (unless the test holds the grab)
    // and what it delivers has been handed on: the delivery comes on a turn of its own.
    void run(ShortcutAction action) {
        CaptureService::start(action);
        if (!backend.holdGrabs) {
            EXPECT_TRUE(testsupport::becomes([] { return !CaptureService::isBusy(); }));
        }
        testsupport::settle();
    }
    // The copy is made on a worker thread: the PNG of the `count`th write of the clipboard.
    QImage copied(int count) {
        EXPECT_TRUE(testsupport::becomes([&] { return pasteboard.writes >= count; }));
        return pasteboard.png();
    }
    // The notice follows the clipboard on a later turn: its thumbnail is made on the worker meanwhile.
    bool toastSays(const QString &title) {
        return testsupport::becomes([&] { return notices.last() == title; });
    }
    CaptureBackend::OverlayPick area(const QImage &image, QRectF rect) {
        CaptureBackend::OverlayPick pick;
        pick.area = CaptureBackend::OverlayPick::Area{image, rect, 7};
        return pick;
    }
};

} // namespace

TEST_F(CaptureServiceTest, CopyOutcomeCopiesTheBeautifiedPngAndKeepsTheFile) {
    run(ShortcutAction::captureFullScreen);
    EXPECT_FALSE(CaptureService::isBusy());
    EXPECT_EQ(copied(1).size(), QSize(320 + 256, 200 + 256)); // padding 64: 128 of backdrop on each side
    ASSERT_EQ(pasteboard.items.size(), 2);
    EXPECT_EQ(pasteboard.items[0].first, QStringLiteral("image/png"));
    EXPECT_EQ(pasteboard.items[1].first, QStringLiteral("image/tiff"));
    EXPECT_TRUE(toastSays(QStringLiteral("Copiado — Cole com Ctrl+V em qualquer app")));
    // The file is encoded off the main thread and follows shortly.
    EXPECT_TRUE(testsupport::becomes([] { return RecentsStore::shared().fileCount() == 1; }));
    EXPECT_TRUE(alerts.shown.isEmpty());

    // A stored JPEG export at standard scale: still PNG (never flattened), only halved.
    StyleStore::shared().setExportSettings(ExportSettings{ExportFormat::jpeg, 0.5, ExportScale::standard});
    BeautyStyle transparent = StyleStore::shared().defaultStyle();
    transparent.backdrop = Backdrop::defaults().last(); // "none"
    StyleStore::shared().setDefaultStyle(transparent);
    run(ShortcutAction::captureFullScreen);
    const QImage halved = copied(2);
    EXPECT_EQ(halved.size(), QSize((320 + 256) / 2, (200 + 256) / 2));
    EXPECT_EQ(qAlpha(halved.pixel(0, 0)), 0); // the transparent corner stayed transparent
    StyleStore::shared().setDefaultStyle(BeautyStyle{});
    EXPECT_TRUE(testsupport::becomes([] { return RecentsStore::shared().fileCount() == 2; }));
}

// A copy's capture is the writer's before the clipboard has it, so that its file depends neither on the
// clipboard nor on the display, and its road has ended then; its encoding waits until the copy is on the
// clipboard, which the user is waiting for.
TEST_F(CaptureServiceTest, ACopysCaptureIsWithTheWriterFirstAndItsEncodingWaitsForTheClipboard) {
    QSignalSpy settled(&CaptureService::events(), &CaptureService::Events::settled);
    int heldAtCopy = -1, filesAtCopy = -1;
    qsizetype settledAtCopy = -1;
    pasteboard.onWrite = [&] {
        heldAtCopy = RecentsStore::shared().writer().pendingCount();
        filesAtCopy = RecentsStore::shared().fileCount();
        settledAtCopy = settled.size();
    };
    run(ShortcutAction::captureFullScreen);
    EXPECT_FALSE(copied(1).isNull());
    EXPECT_EQ(heldAtCopy, 1);
    EXPECT_EQ(filesAtCopy, 0);
    EXPECT_EQ(settledAtCopy, 1);
    EXPECT_TRUE(testsupport::becomes([] { return RecentsStore::shared().fileCount() == 1; }));
    pasteboard.onWrite = nullptr;
}

// The backdrop is drawn while the screen is read; what lands is still exactly the capture in the style of
// the moment the read ended.
TEST_F(CaptureServiceTest, AFullScreenCopyIsBeautifiedInTheStyleOfItsEnd) {
    const QScreen *display = QGuiApplication::primaryScreen();
    ASSERT_TRUE(display);
    const QSize size = display->geometry().size() * display->devicePixelRatio();
    QImage screen(size, QImage::Format_RGB32); // no uniform border to trim
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x) screen.setPixel(x, y, qRgb((x + y) & 255, (x * 3) & 255, (y * 5) & 255));
    backend.screen = screen;
    auto copiedAfterTheRead = [&](int count, const std::function<void()> &meanwhile) {
        backend.holdGrabs = true;
        run(ShortcutAction::captureFullScreen);
        meanwhile();
        backend.releaseGrab();
        return copied(count).convertToFormat(QImage::Format_RGB32);
    };
    const BeautyStyle style = StyleStore::shared().defaultStyle();
    const QImage same = copiedAfterTheRead(1, [] {});
    EXPECT_EQ(same, Beautifier::render(screen, style, std::nullopt).convertToFormat(QImage::Format_RGB32));

    BeautyStyle narrow = style;
    narrow.padding = 16;
    const QImage changed = copiedAfterTheRead(2, [&] { StyleStore::shared().setDefaultStyle(narrow); });
    EXPECT_EQ(changed.size(), size + QSize(64, 64));
    EXPECT_EQ(changed, Beautifier::render(screen, narrow, std::nullopt).convertToFormat(QImage::Format_RGB32));
    StyleStore::shared().setDefaultStyle(BeautyStyle{});
    EXPECT_TRUE(testsupport::becomes([] { return RecentsStore::shared().fileCount() == 2; }));
}

TEST_F(CaptureServiceTest, EditorOutcomeAsksForTheEditorAndWritesTheFileAfterwards) {
    defaults.setString(QStringLiteral("afterCapture"), QStringLiteral("editor"));
    QObject receiver;
    QList<QPair<QImage, CaptureFile::Ptr>> asked;
    QObject::connect(&CaptureService::events(), &CaptureService::Events::editorRequested, &receiver,
                     [&](const QImage &image, const CaptureFile::Ptr &file, const std::optional<BeautyStyle> &style) {
                         EXPECT_FALSE(style);
                         // Asked for at once: the file is written off the main thread afterwards.
                         EXPECT_EQ(RecentsStore::shared().fileCount(), 0);
                         asked.append({image, file});
                     });
    run(ShortcutAction::captureFullScreen);
    ASSERT_EQ(asked.size(), 1);
    EXPECT_EQ(asked[0].first, backend.screen);
    ASSERT_TRUE(asked[0].second);
    EXPECT_FALSE(asked[0].second->isSettled());
    EXPECT_TRUE(pasteboard.items.isEmpty());
    RecentsStore::shared().writer().waitForPending();
    EXPECT_EQ(RecentsStore::shared().fileCount(), 1);
    EXPECT_EQ(asked[0].second->path(), RecentsStore::shared().sortedFiles().value(0));
}

// The recents file of a capture may be written long after the grab (behind the clipboard's copy, or
// behind earlier captures of a burst); its name and date are still the moment it was taken.
TEST_F(CaptureServiceTest, ACaptureIsNamedAndDatedWhenItWasTakenHoweverLateItsFileIsWritten) {
    RecentsStore &recents = RecentsStore::shared();
    const testsupport::FixedClock late{QDateTime(QDate(2031, 5, 6), QTime(7, 8, 9))}; // when any file is written
    for (const QString &outcome : {QStringLiteral("copy"), QStringLiteral("editor")}) {
        defaults.setString(QStringLiteral("afterCapture"), outcome);
        QDateTime before = QDateTime::currentDateTime();
        before.setTime(QTime(before.time().hour(), before.time().minute(), before.time().second()));
        run(ShortcutAction::captureFullScreen);
        const QDateTime after = QDateTime::currentDateTime();
        finishCaptureWork();
        // The copy's file is handed to the store from the turn that claims the clipboard.
        ASSERT_TRUE(testsupport::becomes([&] { return recents.items().size() == 1; })) << outcome.toStdString();
        const RecentCapture item = recents.items().first();
        const QDateTime named = QLocale::c().toDateTime(QFileInfo(item.path).completeBaseName().mid(10),
                                                        QStringLiteral("yyyy-MM-dd HH.mm.ss"));
        EXPECT_TRUE(named >= before && named <= after) << item.path.toStdString();
        EXPECT_TRUE(item.date >= before && item.date <= after) << item.date.toString().toStdString();
        // Listed again (as after a restart), the file keeps that date.
        const QDateTime listed = recents.allFiles().first().date;
        EXPECT_TRUE(listed >= before && listed <= after) << listed.toString(Qt::ISODateWithMs).toStdString();
        recents.deleteAll();
    }
}

TEST_F(CaptureServiceTest, OverlayGatesNewStartsAndRemembersTheConfirmedArea) {
    run(ShortcutAction::captureArea);
    ASSERT_TRUE(backend.finishOverlay);
    EXPECT_TRUE(CaptureService::overlayIsUp());
    EXPECT_FALSE(CaptureService::isBusy());
    // While the overlay is up, every other start is ignored without a word.
    backend.overlayMode.reset();
    run(ShortcutAction::captureFullScreen);
    run(ShortcutAction::captureWindow);
    EXPECT_EQ(backend.grabs, 0);
    EXPECT_FALSE(backend.overlayMode);
    EXPECT_TRUE(alerts.shown.isEmpty());

    // Cancelled: nothing delivered, and the next start works at once.
    backend.pick(std::nullopt);
    EXPECT_FALSE(CaptureService::overlayIsUp());
    EXPECT_TRUE(pasteboard.items.isEmpty());
    EXPECT_FALSE(CaptureService::lastArea());

    // Repeat with no confirmed area opens the area overlay; confirming delivers the cut image.
    run(ShortcutAction::repeatLastArea);
    ASSERT_EQ(backend.overlayMode, CaptureBackend::OverlayMode::area);
    const QImage cut = picture(90, 60, Qt::green);
    backend.pick(area(cut, QRectF(10, 20, 90, 60)));
    EXPECT_EQ(copied(1).size(), QSize(90 + 256, 60 + 256));
    ASSERT_TRUE(CaptureService::lastArea());
    EXPECT_EQ(CaptureService::lastArea()->displayID, 7u);
    EXPECT_EQ(backend.grabs, 0); // the overlay's own image, no new grab

    // Now repeat grabs that rectangle afresh, without an overlay.
    backend.overlayMode.reset();
    run(ShortcutAction::repeatLastArea);
    EXPECT_FALSE(backend.overlayMode);
    EXPECT_EQ(backend.areaAsked, QRectF(10, 20, 90, 60));
    EXPECT_EQ(backend.grabs, 1);
}

TEST_F(CaptureServiceTest, WindowPicksReturnFocusUnlessTheEditorFollows) {
    CaptureBackend::OverlayPick window;
    window.window = CaptureBackend::PickedWindow{99, QRectF(0, 0, 100, 100), QStringLiteral("App"), 4242};
    for (const auto &[after, expected] :
         {std::pair{"editor", false}, std::pair{"copy", true}, std::pair{"quick", true}}) {
        defaults.setString(QStringLiteral("afterCapture"), QString::fromLatin1(after));
        run(ShortcutAction::captureWindow);
        ASSERT_EQ(backend.overlayMode, CaptureBackend::OverlayMode::window);
        backend.pick(window);
        // The window is read on a turn of its own, and the road is free again once it was.
        EXPECT_TRUE(testsupport::becomes([] { return !CaptureService::isBusy(); })) << after;
        testsupport::settle();
        EXPECT_EQ(backend.returnFocus, expected) << after;
    }
}

TEST_F(CaptureServiceTest, FailuresShowTheirAlertAndLeaveTheRoadUsable) {
    run(ShortcutAction::captureArea);
    backend.pick(area(picture(20, 20), QRectF(1, 2, 20, 20)));
    const auto remembered = CaptureService::lastArea();

    backend.error = QStringLiteral("Não consegui recortar a área escolhida.");
    run(ShortcutAction::repeatLastArea);
    ASSERT_EQ(alerts.shown.size(), 1);
    EXPECT_EQ(alerts.shown[0].messageText, QStringLiteral("Não foi possível capturar"));
    EXPECT_EQ(alerts.shown[0].informativeText, backend.error);
    EXPECT_EQ(alerts.shown[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_FALSE(CaptureService::isBusy());
    EXPECT_EQ(CaptureService::lastArea()->rect, remembered->rect);

    backend.error.clear();
    backend.overlayError = QStringLiteral("Não encontrei a tela para capturar.");
    run(ShortcutAction::captureWindow);
    ASSERT_EQ(alerts.shown.size(), 2);
    EXPECT_EQ(alerts.shown[1].informativeText, backend.overlayError);
    EXPECT_FALSE(CaptureService::isBusy());
    EXPECT_FALSE(CaptureService::overlayIsUp());

    // No access: the permission alert, leading to the system's privacy settings; access is asked for only
    // when the user chose to.
    backend.overlayError.clear();
    backend.access = false;
    run(ShortcutAction::captureFullScreen);
    ASSERT_EQ(alerts.shown.size(), 3);
    EXPECT_EQ(alerts.shown[2].messageText, QStringLiteral("Permita o acesso à tela"));
    EXPECT_EQ(alerts.shown[2].informativeText,
              QStringLiteral("O Pelicarta precisa dessa permissão para capturar. "
                             "Permita o acesso à tela nas configurações de privacidade "
                             "do sistema."));
    EXPECT_EQ(alerts.shown[2].buttons,
              (QStringList{QStringLiteral("Abrir configurações do sistema"), QStringLiteral("Agora não")}));
    EXPECT_EQ(backend.accessRequests, 0);
    alerts.answer = 0;
    run(ShortcutAction::captureFullScreen);
    EXPECT_EQ(backend.accessRequests, 1);
    EXPECT_EQ(backend.grabs, 1);
    EXPECT_FALSE(CaptureService::isBusy());

    backend.access = true;
    run(ShortcutAction::captureFullScreen);
    EXPECT_EQ(backend.grabs, 2);
    EXPECT_EQ(alerts.shown.size(), 4);
}

TEST_F(CaptureServiceTest, WhileRecordingACaptureIsAStepOnly) {
    // The toggle works without access and while the overlay is up.
    backend.access = false;
    run(ShortcutAction::toggleTutorial);
    backend.access = true;
    ASSERT_TRUE(TutorialStore::shared().isRecording());
    run(ShortcutAction::captureArea);
    run(ShortcutAction::toggleTutorial);
    EXPECT_FALSE(TutorialStore::shared().isRecording());
    run(ShortcutAction::toggleTutorial);
    ASSERT_TRUE(TutorialStore::shared().isRecording());
    backend.pick(area(picture(30, 30), QRectF(0, 0, 30, 30)));

    run(ShortcutAction::captureFullScreen);
    EXPECT_EQ(TutorialStore::shared().tutorial().steps.size(), 2);
    EXPECT_EQ(RecentsStore::shared().fileCount(), 0);
    EXPECT_TRUE(pasteboard.items.isEmpty());
    EXPECT_TRUE(alerts.shown.isEmpty());
    TutorialStore::shared().toggleRecording();
}

TEST_F(CaptureServiceTest, AStartWhilePreparingIsIgnored) {
    CaptureService::start(ShortcutAction::captureFullScreen);
    EXPECT_TRUE(CaptureService::isBusy());
    testsupport::LoggedMessages log;
    CaptureService::start(ShortcutAction::captureFullScreen);
    CaptureService::start(ShortcutAction::captureArea);
    testsupport::settle(); // the first start's grab, on a turn of its own
    EXPECT_EQ(backend.grabs, 1);
    EXPECT_FALSE(backend.overlayMode);
    EXPECT_FALSE(CaptureService::isBusy());
    // No alert for a hot key pressed too soon: the log says which start was refused, once each.
    const auto logged = log.in(QStringLiteral("pelicarta.capture"));
    ASSERT_EQ(logged.size(), 2);
    EXPECT_EQ(logged[0].type, QtInfoMsg);
    EXPECT_TRUE(logged[0].text.startsWith(QStringLiteral("captureFullScreen refused"))) << logged[0].text.toStdString();
    EXPECT_TRUE(logged[1].text.startsWith(QStringLiteral("captureArea refused"))) << logged[1].text.toStdString();
}

TEST_F(CaptureServiceTest, AHugeCaptureThatNoEncoderTakesIsStillCopiedAsItIs) {
    // Wider than any HEIC or beautified canvas may be: the file is refused, the copy falls back to the
    // capture itself, and nothing else changes.
    backend.screen = picture(33000, 2);
    defaults.setBool(Settings::historyCompact.key(), true);
    run(ShortcutAction::captureFullScreen);
    EXPECT_EQ(copied(1).size(), QSize(33000, 2));
    RecentsStore::shared().writer().waitForPending();
    EXPECT_TRUE(toastSays(QStringLiteral("Copiado — Cole com Ctrl+V em qualquer app")));
    EXPECT_EQ(RecentsStore::shared().fileCount(), 0);
    EXPECT_TRUE(alerts.shown.isEmpty());
    EXPECT_FALSE(CaptureService::isBusy());
}

// The descriptors of this process by what they lead to ("anon_inode:[eventfd]", "pipe", a path), how many of each.
std::map<std::string, int> openDescriptors() {
    std::map<std::string, int> kinds;
    for (const QString &fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System | QDir::NoDotAndDotDot)) {
        char target[512] = {};
        if (::readlink(qPrintable(QStringLiteral("/proc/self/fd/") + fd), target, sizeof target - 1) <= 0) continue;
        const std::string name(target);
        ++kinds[name.starts_with("anon_inode:") ? name : name.substr(0, name.find(":["))];
    }
    return kinds;
}

int threadCount() {
    return int(QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size());
}

// A resident app takes captures all day: each one's files, encoders and threads are let go, so many
// captures leave no more descriptors open than the first did, and the event descriptors follow the
// threads alive (one each).
TEST_F(CaptureServiceTest, ManyCapturesLeaveNoMoreDescriptorsOpenThanOne) {
    defaults.setBool(Settings::historyCompact.key(), true); // HEIC files: their encoder and its threads too
    const auto capture = [&](int n) {
        run(ShortcutAction::captureFullScreen);
        copied(n);
        EXPECT_TRUE(testsupport::becomes([&] { return RecentsStore::shared().fileCount() == n; }));
        finishCaptureWork();
    };
    capture(1);
    std::map<std::string, int> first = openDescriptors();
    const std::string events = "anon_inode:[eventfd]";
    first.erase(events);
    for (int n = 2; n <= 10; ++n) capture(n);
    std::map<std::string, int> now = openDescriptors();
    EXPECT_LE(now[events], threadCount());
    now.erase(events);
    EXPECT_EQ(now, first);
}

TEST_F(CaptureServiceTest, NoCaptureStartsUnderAModalDialog) {
    // The overlay would grab keyboard and pointer, yet Qt hands no input to windows a modal dialog
    // blocks: Escape and clicks would never arrive.
    QWidget dialog;
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    ASSERT_TRUE(testsupport::becomes([] { return QGuiApplication::modalWindow() != nullptr; }));
    run(ShortcutAction::captureArea);
    run(ShortcutAction::captureFullScreen);
    EXPECT_FALSE(backend.overlayMode);
    EXPECT_EQ(backend.grabs, 0);
    EXPECT_FALSE(CaptureService::isBusy());
    // Nor does a missing permission stack its alert on top.
    backend.access = false;
    run(ShortcutAction::captureFullScreen);
    EXPECT_TRUE(alerts.shown.isEmpty());
    backend.access = true;
    // The tutorial toggle captures nothing and still works.
    run(ShortcutAction::toggleTutorial);
    EXPECT_TRUE(TutorialStore::shared().isRecording());
    TutorialStore::shared().toggleRecording();

    dialog.hide();
    run(ShortcutAction::captureArea);
    EXPECT_EQ(backend.overlayMode, CaptureBackend::OverlayMode::area);
    backend.pick(std::nullopt);
}

// Quitting starts nothing more and waits for what was started: a grab still being read is written to its
// file (no clipboard, no editor for an application that is ending), and an overlay that is up is taken
// down with nothing picked. Only then is the road settled.
TEST_F(CaptureServiceTest, QuittingKeepsEveryStartedCaptureAndStartsNoOther) {
    QSignalSpy settled(&CaptureService::events(), &CaptureService::Events::settled);
    QObject receiver;
    int editorsAsked = 0;
    QObject::connect(&CaptureService::events(), &CaptureService::Events::editorRequested, &receiver,
                     [&] { ++editorsAsked; });
    for (const char *after : {"copy", "editor"}) {
        CaptureService::resetForTesting();
        settled.clear();
        defaults.setString(QStringLiteral("afterCapture"), QString::fromLatin1(after));
        const int filesBefore = RecentsStore::shared().fileCount();
        backend.holdGrabs = true;
        run(ShortcutAction::captureFullScreen);
        ASSERT_TRUE(backend.heldGrab);
        EXPECT_FALSE(CaptureService::isSettled());

        CaptureService::beginQuitting();
        EXPECT_EQ(CaptureService::start(ShortcutAction::captureFullScreen), CaptureService::Start::refusedQuitting);
        EXPECT_EQ(CaptureService::start(ShortcutAction::toggleTutorial), CaptureService::Start::refusedQuitting);
        testsupport::settle();
        EXPECT_FALSE(CaptureService::isSettled()) << after;
        EXPECT_EQ(settled.size(), 0);

        backend.releaseGrab();
        ASSERT_TRUE(testsupport::received(settled)) << after;
        EXPECT_TRUE(CaptureService::isSettled());
        // Settled means held by the recents store, which finishes its writes as the application ends.
        EXPECT_TRUE(RecentsStore::shared().writer().waitForPending());
        EXPECT_EQ(RecentsStore::shared().fileCount(), filesBefore + 1) << after;
        EXPECT_EQ(backend.grabs, 1 + filesBefore);
    }
    EXPECT_EQ(pasteboard.writes, 0);
    EXPECT_EQ(editorsAsked, 0);
    EXPECT_FALSE(TutorialStore::shared().isRecording());

    CaptureService::resetForTesting();
    settled.clear();
    run(ShortcutAction::captureArea);
    ASSERT_TRUE(CaptureService::overlayIsUp());
    EXPECT_FALSE(CaptureService::isSettled());
    CaptureService::beginQuitting();
    EXPECT_FALSE(CaptureService::overlayIsUp());
    EXPECT_FALSE(backend.finishOverlay);
    EXPECT_TRUE(CaptureService::isSettled());
    EXPECT_EQ(settled.size(), 1);
    EXPECT_TRUE(alerts.shown.isEmpty());
}
