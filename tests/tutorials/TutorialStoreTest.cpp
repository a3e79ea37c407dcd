#include "app/AppRouter.h"
#include "app/MainWindowController.h"
#include "capture/ShortcutStore.h"
#include "capture/Toast.h"
#include "platform/KeyEvent.h"
#include "tutorials/TutorialStore.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

QJsonObject parse(const char *json) { return QJsonDocument::fromJson(json).object(); }

} // namespace

TEST(TutorialJsonTest, LenientTutorialStrictSteps) {
    const auto minimal = Tutorial::fromJson(parse(R"({"steps": []})"));
    ASSERT_TRUE(minimal);
    EXPECT_EQ(minimal->title, QStringLiteral("Novo tutorial"));
    EXPECT_EQ(minimal->theme, TutorialTheme::light);
    EXPECT_EQ(minimal->updatedAt, minimal->createdAt);
    EXPECT_LE(qAbs(minimal->createdAt.secsTo(QDateTime::currentDateTimeUtc())), 5);

    const auto dated = Tutorial::fromJson(parse(R"({"createdAt": 100.5, "title": null})"));
    ASSERT_TRUE(dated);
    EXPECT_EQ(dated->createdAt, QDateTime(QDate(2001, 1, 1), QTime(0, 1, 40, 500), Qt::UTC));
    EXPECT_EQ(dated->updatedAt, dated->createdAt);

    const char *step = R"({"id": "1A2B3C4D-0000-4000-8000-000000000001", "title": "", "detail": "d",
                          "imageFile": "passo-1A2B3C4D.png"%1})";
    const auto withMarker = TutorialStep::fromJson(
        QJsonDocument::fromJson(QString::fromUtf8(step).arg(QStringLiteral(", \"marker\": [0.25, 0.5]")).toUtf8()).object());
    ASSERT_TRUE(withMarker);
    EXPECT_EQ(withMarker->marker, QPointF(0.25, 0.5));
    const auto noMarker = TutorialStep::fromJson(QJsonDocument::fromJson(QString::fromUtf8(step).arg(QString()).toUtf8()).object());
    ASSERT_TRUE(noMarker);
    EXPECT_FALSE(noMarker->toJson().contains(QStringLiteral("marker")));
    EXPECT_EQ(noMarker->toJson().value(QStringLiteral("id")).toString(), QStringLiteral("1A2B3C4D-0000-4000-8000-000000000001"));

    // Unreadable: a step missing a key, a path for an image, a wrong theme, a marker of the wrong kind.
    for (const char *bad : {R"({"steps": [{"id": "1A2B3C4D-0000-4000-8000-000000000001", "title": "", "detail": ""}]})",
                            R"({"steps": [{"id": "1A2B3C4D-0000-4000-8000-000000000001", "title": "", "detail": "", "imageFile": "../x.png"}]})",
                            R"({"steps": [{"id": "1A2B3C4D-0000-4000-8000-000000000001", "title": "", "detail": "", "imageFile": "/etc/passwd"}]})",
                            R"({"steps": [{"id": "1A2B3C4D-0000-4000-8000-000000000001", "title": "", "detail": "", "imageFile": "a.png", "marker": [1]}]})",
                            R"({"theme": "sepia"})", R"({"id": "not-a-uuid"})", R"({"createdAt": "yesterday"})",
                            R"({"createdAt": 1e300})", R"({"steps": {}})"})
        EXPECT_FALSE(Tutorial::fromJson(parse(bad))) << bad;

    Tutorial tutorial = Tutorial::blank();
    tutorial.steps.append(*withMarker);
    tutorial.theme = TutorialTheme::brand;
    const auto back = Tutorial::fromJson(tutorial.toJson());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->steps, tutorial.steps);
    EXPECT_EQ(back->theme, TutorialTheme::brand);
    EXPECT_EQ(back->id, tutorial.id);
    EXPECT_LE(qAbs(back->createdAt.msecsTo(tutorial.createdAt)), 1);
}

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

    // Stopping shows the tutorial page.
    store.toggleRecording();
    EXPECT_FALSE(store.isRecording());
    EXPECT_EQ(AppRouter::shared().page(), AppRouter::Page::tutorial);
    EXPECT_TRUE(MainWindowController::shared().isOpen());
    MainWindowController::shared().window()->close();
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
    if (QWidget *window = MainWindowController::shared().window()) window->close();
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
    if (QWidget *window = MainWindowController::shared().window()) window->close();
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
    if (QWidget *window = MainWindowController::shared().window()) window->close();
}
