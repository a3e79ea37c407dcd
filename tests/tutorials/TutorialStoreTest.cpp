#include "core/ShortcutStore.h"
#include "platform/KeyEvent.h"
#include "support/TestSupport.h"
#include "tutorials/TutorialStore.h"
#include "widgets/Toast.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

TEST(TutorialStoreTest, RecordingTurnsCapturesIntoSteps) {
    testsupport::TempFolder temp;
    TutorialStore store(temp.file(QStringLiteral("Tutoriais")));
    QImage capture(40, 30, QImage::Format_ARGB32_Premultiplied);
    capture.fill(QColor(10, 200, 90));

    EXPECT_FALSE(store.addStep(capture)); // nothing open: nothing at all
    EXPECT_TRUE(QDir(store.root()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

    store.toggleRecording();
    ASSERT_TRUE(store.isRecording());
    ASSERT_TRUE(store.currentID());
    EXPECT_EQ(Toast::panel()->windowTitle(),
              QStringLiteral("Gravando “Novo tutorial” — Cada captura vira um passo. ⌥⇧T termina"));

    ASSERT_TRUE(store.addStep(capture));
    ASSERT_TRUE(store.addStep(capture));
    EXPECT_TRUE(Toast::panel()->windowTitle().startsWith(QStringLiteral("Passo 2 adicionado")));
    const QString folder = store.folder(*store.currentID());
    EXPECT_TRUE(QRegularExpression(QStringLiteral("/[0-9A-F-]{36}$")).match(folder).hasMatch());
    QFile file(folder + QStringLiteral("/tutorial.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto saved = Tutorial::fromJson(QJsonDocument::fromJson(file.readAll()).object());
    ASSERT_TRUE(saved);
    ASSERT_EQ(saved->steps.size(), 2);
    EXPECT_NE(saved->steps[0].imageFile, saved->steps[1].imageFile);
    for (const TutorialStep &step : saved->steps) {
        EXPECT_TRUE(QRegularExpression(QStringLiteral("^passo-[0-9A-F]{8}\\.png$")).match(step.imageFile).hasMatch());
        QImageReader reader(folder + QLatin1Char('/') + step.imageFile);
        EXPECT_EQ(reader.format(), "png");
        EXPECT_EQ(reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied), capture);
    }

    // The folder vanished under the recording: it is made again. A folder that cannot be made is reported.
    QDir(folder).removeRecursively();
    EXPECT_TRUE(store.addStep(capture));
    QDir(folder).removeRecursively();
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(store.addStep(capture));
    EXPECT_EQ(Toast::panel()->windowTitle(), QStringLiteral("Não foi possível salvar o passo — O tutorial continua gravando."));
    EXPECT_EQ(store.tutorial().steps.size(), 3);

    // Stopping says the tutorial is there to look at.
    QSignalSpy finished(&store, &TutorialStore::recordingFinished);
    store.toggleRecording();
    EXPECT_FALSE(store.isRecording());
    EXPECT_EQ(finished.size(), 1);
}

TEST(TutorialStoreTest, AStepWhoseTutorialCannotBeSavedIsTakenBack) {
    testsupport::TempFolder temp;
    TutorialStore store(temp.file(QStringLiteral("Tutoriais")));
    QImage capture(20, 20, QImage::Format_ARGB32_Premultiplied);
    capture.fill(Qt::red);
    store.startRecording();
    ASSERT_TRUE(store.addStep(capture));
    const QString folder = store.folder(*store.currentID());

    // tutorial.json cannot be replaced: the PNG goes, the step is not listed, and the toast says so.
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/tutorial.json")));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/tutorial.json")));
    EXPECT_FALSE(store.addStep(capture));
    EXPECT_EQ(Toast::panel()->windowTitle(), QStringLiteral("Não foi possível salvar o passo — O tutorial continua gravando."));
    EXPECT_EQ(store.tutorial().steps.size(), 1);
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files).size(), 1);

    // Saved again: the next step is step 2.
    ASSERT_TRUE(QDir(folder + QStringLiteral("/tutorial.json")).removeRecursively());
    ASSERT_TRUE(store.addStep(capture));
    EXPECT_TRUE(Toast::panel()->windowTitle().startsWith(QStringLiteral("Passo 2 adicionado")));
    store.toggleRecording();
}

TEST(TutorialStoreTest, ALinkedLibraryIsNeverWrittenThrough) {
    // "Tutoriais" made a link to a folder of the user's: nothing is written there, and a step says so.
    testsupport::TempFolder temp;
    ASSERT_TRUE(QDir().mkpath(temp.file(QStringLiteral("elsewhere"))));
    ASSERT_TRUE(QFile::link(temp.file(QStringLiteral("elsewhere")), temp.file(QStringLiteral("Tutoriais"))));
    TutorialStore store(temp.file(QStringLiteral("Tutoriais")));
    QImage capture(20, 20, QImage::Format_ARGB32_Premultiplied);
    capture.fill(Qt::red);
    store.startRecording();
    EXPECT_FALSE(store.addStep(capture));
    EXPECT_TRUE(Toast::panel()->windowTitle().startsWith(QStringLiteral("Não foi possível salvar o passo")));
    EXPECT_TRUE(QDir(temp.file(QStringLiteral("elsewhere"))).isEmpty());
    store.toggleRecording();
}

TEST(TutorialStoreTest, RecordingToastsShowTheUsersOwnToggleKeys) {
    testsupport::TempFolder temp;
    TutorialStore store(temp.file(QStringLiteral("Tutoriais")));
    ShortcutStore &shortcuts = ShortcutStore::shared();
    shortcuts.setShortcut(ShortcutAction::toggleTutorial, Shortcut{15, platform::ModifierFlag::control, QStringLiteral("R")});
    store.startRecording();
    EXPECT_TRUE(Toast::panel()->windowTitle().endsWith(QStringLiteral("⌃R termina")));
    QImage capture(10, 10, QImage::Format_ARGB32_Premultiplied);
    capture.fill(Qt::blue);
    ASSERT_TRUE(store.addStep(capture));
    EXPECT_TRUE(Toast::panel()->windowTitle().endsWith(QStringLiteral("Continue capturando · ⌃R termina")));
    shortcuts.reset(ShortcutAction::toggleTutorial);
    store.toggleRecording();
}
