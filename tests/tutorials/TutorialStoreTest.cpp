#include "GuideFixtures.h"
#include "core/ShortcutStore.h"
#include "platform/KeyEvent.h"
#include "support/RecordingNotifier.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"
#include "tutorials/TutorialStore.h"

#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

// A library of its own, with a runtime folder of its own, and one small capture to add as steps.
struct RecordingLibrary {
    testsupport::RecordingNotifier notices;
    testsupport::TempFolder temp;
    testsupport::TempFolder run;
    testsupport::ScopedEnvironment runtime{"XDG_RUNTIME_DIR", run.path()};
    TutorialStore store{temp.file(QStringLiteral("Tutoriais"))};
    QImage capture = testsupport::filledImage(20, 20, Qt::red);
};

} // namespace

TEST(TutorialStoreTest, RecordingTurnsCapturesIntoSteps) {
    testsupport::RecordingNotifier notices;
    testsupport::TempFolder temp;
    testsupport::ScopedEnvironment runtime("XDG_RUNTIME_DIR", temp.file(QStringLiteral("run")));
    TutorialStore store(temp.file(QStringLiteral("Tutoriais")));
    QImage capture(40, 30, QImage::Format_ARGB32_Premultiplied);
    capture.fill(QColor(10, 200, 90));

    EXPECT_FALSE(store.addStep(capture)); // nothing open: nothing at all
    EXPECT_TRUE(QDir(store.root()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());

    store.toggleRecording();
    ASSERT_TRUE(store.isRecording());
    ASSERT_TRUE(store.currentID());
    EXPECT_EQ(notices.last(),
              QStringLiteral("Gravando “Novo tutorial” — Cada captura vira um passo. Alt+Shift+T termina"));

    ASSERT_TRUE(store.addStep(capture));
    ASSERT_TRUE(store.addStep(capture));
    EXPECT_TRUE(notices.last().startsWith(QStringLiteral("Passo 2 adicionado")));
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
    EXPECT_EQ(notices.last(), QStringLiteral("Não foi possível salvar o passo — O tutorial continua gravando."));
    EXPECT_EQ(store.tutorial().steps.size(), 3);

    // Stopping says the tutorial is there to look at.
    QSignalSpy finished(&store, &TutorialStore::recordingFinished);
    store.toggleRecording();
    EXPECT_FALSE(store.isRecording());
    EXPECT_EQ(finished.size(), 1);
}

TEST(TutorialStoreTest, AStepWhoseTutorialCannotBeSavedIsTakenBack) {
    RecordingLibrary library;
    auto &[notices, temp, run, runtime, store, capture] = library;
    store.startRecording();
    ASSERT_TRUE(store.addStep(capture));
    const QString folder = store.folder(*store.currentID());

    // tutorial.json cannot be replaced: the PNG goes, the step is not listed, and the toast says so.
    ASSERT_TRUE(QFile::remove(folder + QStringLiteral("/tutorial.json")));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/tutorial.json")));
    testsupport::LoggedMessages log;
    EXPECT_FALSE(store.addStep(capture));
    const auto logged = log.in(QStringLiteral("pelicarta.tutorials"));
    ASSERT_EQ(logged.size(), 1);
    EXPECT_EQ(logged[0].type, QtWarningMsg);
    EXPECT_TRUE(logged[0].text.contains(folder)) << logged[0].text.toStdString();
    EXPECT_EQ(notices.last(), QStringLiteral("Não foi possível salvar o passo — O tutorial continua gravando."));
    EXPECT_EQ(store.tutorial().steps.size(), 1);
    EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files).size(), 1);

    // Saved again: the step kept meanwhile is step 2, the next one step 3.
    ASSERT_TRUE(QDir(folder + QStringLiteral("/tutorial.json")).removeRecursively());
    ASSERT_TRUE(store.addStep(capture));
    EXPECT_TRUE(notices.last().startsWith(QStringLiteral("Passo 3 adicionado")));
    store.toggleRecording();
}

TEST(TutorialStoreTest, AChangeThatCannotBeSavedIsSaidOnceAndLosesNoPicture) {
    RecordingLibrary library;
    auto &[notices, temp, run, runtime, store, capture] = library;
    store.startRecording();
    ASSERT_TRUE(store.addStep(capture));
    ASSERT_TRUE(store.addStep(capture));
    store.toggleRecording();
    ASSERT_TRUE(store.currentID());
    const QUuid id = *store.currentID();
    const QString folder = store.folder(id);
    const QList<TutorialStep> steps = store.tutorial().steps;
    QSignalSpy told(&store, &TutorialStore::tutorialNotSaved);
    const QString document = folder + QStringLiteral("/tutorial.json");
    const auto refuse = [&] {
        ASSERT_TRUE(QFile::remove(document));
        ASSERT_TRUE(QDir().mkpath(document));
    };

    // tutorial.json cannot be replaced: the user is told once, naming the folder and why. The step
    // removed on the screen is still in the saved document, and so is its picture.
    refuse();
    store.remove(steps[0]);
    store.rename(id, QStringLiteral("Outro nome"));
    ASSERT_EQ(told.size(), 1);
    EXPECT_EQ(told[0][0].toString(), folder);
    EXPECT_FALSE(told[0][1].toString().isEmpty());
    EXPECT_EQ(store.tutorial().steps.size(), 1);
    EXPECT_TRUE(QFileInfo::exists(folder + QLatin1Char('/') + steps[0].imageFile));

    // Saved again; then notes of megabytes, more than a launch reads back: refused and said again, and
    // the saved tutorial stays as it was.
    ASSERT_TRUE(QDir(document).removeRecursively());
    const auto withNote = [&](const QString &note) {
        Tutorial edited = store.tutorial();
        edited.steps.first().detail = note;
        return edited;
    };
    EXPECT_TRUE(store.setTutorial(withNote(QStringLiteral("Clique aqui."))));
    EXPECT_FALSE(store.setTutorial(withNote(QString(17 << 20, QLatin1Char('x')))));
    EXPECT_EQ(told.size(), 2);
    const TutorialStore relaunched(store.root());
    ASSERT_EQ(relaunched.library().size(), 1);
    EXPECT_EQ(relaunched.library().first().steps.first().detail, QStringLiteral("Clique aqui."));
}

TEST(TutorialStoreTest, ALinkedLibraryIsNeverWrittenThrough) {
    // "Tutoriais" made a link to a folder of the user's: nothing is written there, and a step says so.
    testsupport::RecordingNotifier notices;
    testsupport::TempFolder temp;
    testsupport::ScopedEnvironment runtime("XDG_RUNTIME_DIR", temp.file(QStringLiteral("run")));
    ASSERT_TRUE(QDir().mkpath(temp.file(QStringLiteral("elsewhere"))));
    ASSERT_TRUE(QFile::link(temp.file(QStringLiteral("elsewhere")), temp.file(QStringLiteral("Tutoriais"))));
    TutorialStore store(temp.file(QStringLiteral("Tutoriais")));
    QImage capture(20, 20, QImage::Format_ARGB32_Premultiplied);
    capture.fill(Qt::red);
    store.startRecording();
    EXPECT_FALSE(store.addStep(capture));
    EXPECT_TRUE(notices.last().startsWith(QStringLiteral("Não foi possível salvar o passo")));
    EXPECT_EQ(notices.lastKind(), ToastKind::failure);
    EXPECT_TRUE(QDir(temp.file(QStringLiteral("elsewhere"))).isEmpty());
    store.toggleRecording();
}

TEST(TutorialStoreTest, RecordingToastsShowTheUsersOwnToggleKeys) {
    testsupport::RecordingNotifier notices;
    testsupport::TempFolder temp;
    TutorialStore store(temp.file(QStringLiteral("Tutoriais")));
    ShortcutStore &shortcuts = ShortcutStore::shared();
    shortcuts.setShortcut(ShortcutAction::toggleTutorial,
                          Shortcut{15, platform::ModifierFlag::control, QStringLiteral("R")});
    store.startRecording();
    EXPECT_TRUE(notices.last().endsWith(QStringLiteral("Super+R termina")));
    QImage capture(10, 10, QImage::Format_ARGB32_Premultiplied);
    capture.fill(Qt::blue);
    ASSERT_TRUE(store.addStep(capture));
    EXPECT_TRUE(notices.last().endsWith(QStringLiteral("Continue capturando · Super+R termina")));
    shortcuts.reset(ShortcutAction::toggleTutorial);
    store.toggleRecording();
}

namespace {

QImage picture(QSize size, QColor color) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    return image;
}

// A tutorial folder written by hand: its document and, for each named file, a small PNG.
void writeFolder(const QString &folder, const QByteArray &json, const QStringList &pngs = {}) {
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile document(folder + QStringLiteral("/tutorial.json"));
    ASSERT_TRUE(document.open(QIODevice::WriteOnly));
    document.write(json);
    for (const QString &png : pngs) ASSERT_TRUE(picture({64, 48}, Qt::darkCyan).save(folder + QLatin1Char('/') + png));
}

QByteArray stepJson(const char *id, const char *file) {
    return QStringLiteral(R"({"id":"%1","title":"","detail":"","imageFile":"%2"})")
        .arg(QLatin1String(id), QLatin1String(file))
        .toUtf8();
}

} // namespace

TEST(TutorialStoreTest, LibraryIsReadFromTheFoldersOnDisk) {
    testsupport::TempFolder temp;
    const QString root = temp.file(QStringLiteral("Tutoriais"));
    const char *s1 = "5A1F0000-0000-4000-8000-000000000001";
    // Abandoned: removed when no picture would go with it, kept (but not listed) otherwise.
    writeFolder(root + QStringLiteral("/AAAAAAAA-0000-4000-8000-000000000001"), R"({"steps":[]})");
    writeFolder(root + QStringLiteral("/AAAAAAAA-0000-4000-8000-000000000002"), "{}", {QStringLiteral("solto.png")});
    // A lower-case folder name wins over the stored identifier.
    const QString lower = root + QStringLiteral("/0aaaaaaa-0000-4000-8000-000000000003");
    writeFolder(lower,
                R"({"id":"CCCCCCCC-0000-4000-8000-000000000009","title":"Aula","updatedAt":200,"steps":[)" +
                    stepJson(s1, "passo-1.png") + "]}",
                {QStringLiteral("passo-1.png")});
    // The same identifier again, in a later folder: dropped.
    writeFolder(root + QStringLiteral("/outra"),
                R"({"id":"0AAAAAAA-0000-4000-8000-000000000003","title":"Cópia","updatedAt":900})");
    // A path for an image: that step is left out, and nothing outside the folder is touched.
    ASSERT_TRUE(temp.write(QStringLiteral("x"), "do usuário"));
    writeFolder(root + QStringLiteral("/BBBBBBBB-0000-4000-8000-000000000004"),
                R"({"title":"Caminho","updatedAt":50,"steps":[)" + stepJson(s1, "../../x") + "]}");
    writeFolder(root + QStringLiteral("/BBBBBBBB-0000-4000-8000-000000000005"), R"({"title":"","updatedAt":100})");
    // A linked folder is not ours to read or delete.
    writeFolder(temp.file(QStringLiteral("alheia")), R"({"steps":[]})");
    ASSERT_TRUE(QFile::link(temp.file(QStringLiteral("alheia")),
                            root + QStringLiteral("/DDDDDDDD-0000-4000-8000-000000000006")));
    // The older single tutorial moves in under a new identifier.
    writeFolder(temp.file(QStringLiteral("Tutorial")),
                R"({"id":"EEEEEEEE-0000-4000-8000-000000000007","title":"Antigo","updatedAt":300,"steps":[)" +
                    stepJson(s1, "passo-1.png") + "]}",
                {QStringLiteral("passo-1.png")});

    TutorialStore store(root);
    QStringList titles;
    for (const Tutorial &t : store.library()) titles << t.title;
    EXPECT_EQ(titles,
              (QStringList{QStringLiteral("Antigo"), QStringLiteral("Aula"), QString(), QStringLiteral("Caminho")}));
    EXPECT_FALSE(QFileInfo::exists(root + QStringLiteral("/AAAAAAAA-0000-4000-8000-000000000001")));
    EXPECT_TRUE(QFileInfo::exists(root + QStringLiteral("/AAAAAAAA-0000-4000-8000-000000000002/solto.png")));
    EXPECT_EQ(temp.read(QStringLiteral("x")), "do usuário");
    EXPECT_TRUE(QFileInfo::exists(temp.file(QStringLiteral("alheia/tutorial.json"))));
    EXPECT_FALSE(QFileInfo::exists(temp.file(QStringLiteral("Tutorial"))));
    const Tutorial legacy = store.library().at(0);
    EXPECT_NE(legacy.id, QUuid(QStringLiteral("EEEEEEEE-0000-4000-8000-000000000007")));
    EXPECT_TRUE(QFileInfo::exists(store.folder(legacy.id) + QStringLiteral("/passo-1.png")));

    // The lower-case folder is edited in place; its pictures stay.
    const Tutorial aula = store.library().at(1);
    EXPECT_EQ(uuidString(aula.id), QStringLiteral("0AAAAAAA-0000-4000-8000-000000000003"));
    ASSERT_EQ(aula.steps.size(), 1);
    store.open(aula.id);
    TutorialStep edited = aula.steps.first();
    edited.title = QStringLiteral("Abra o painel");
    edited.marker = QPointF(0.25, 0.5);
    store.update(edited);
    EXPECT_EQ(store.folder(aula.id), lower);
    EXPECT_EQ(QDir(root).entryList({QStringLiteral("0AAAAAAA*")}, QDir::Dirs | QDir::CaseSensitive).size(), 0);
    QFile saved(lower + QStringLiteral("/tutorial.json"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const auto reread = Tutorial::fromJson(QJsonDocument::fromJson(saved.readAll()).object());
    ASSERT_TRUE(reread);
    EXPECT_EQ(reread->steps, QList<TutorialStep>{edited});
    EXPECT_TRUE(QFileInfo::exists(lower + QStringLiteral("/passo-1.png")));
    EXPECT_EQ(store.image(QStringLiteral("passo-1.png"), aula.id).size(), QSize(64, 48));
    EXPECT_EQ(store.exportableSteps().size(), 1);
}

TEST(TutorialStoreTest, LibraryOperations) {
    testsupport::TempFolder temp;
    TutorialStore store(temp.file(QStringLiteral("Tutoriais")));

    // An untouched new tutorial is deleted on closing.
    const QUuid untouched = store.newTutorial();
    store.closeTutorial();
    EXPECT_TRUE(store.library().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(store.folder(untouched)));

    // One with steps and a blank title is named on closing, keeping its update date.
    const QUuid first = store.newTutorial();
    ASSERT_TRUE(store.addStep(picture({2000, 1000}, Qt::red)));
    ASSERT_TRUE(store.addStep(picture({300, 200}, Qt::blue)));
    Tutorial blank = store.tutorial();
    blank.title = QStringLiteral("  ");
    store.setTutorial(blank);
    const QDateTime stamped = store.tutorial().updatedAt;
    store.closeTutorial();
    EXPECT_EQ(store.library().first().title, QStringLiteral("Novo tutorial"));
    EXPECT_EQ(store.library().first().updatedAt, stamped);
    EXPECT_EQ(store.cover(store.library().first()).size(), QSize(680, 340));

    // A duplicate comes first with copies of the pictures; the open tutorial stays.
    store.open(first);
    const auto copy = store.duplicate(first);
    ASSERT_TRUE(copy);
    EXPECT_EQ(store.currentID(), first);
    EXPECT_EQ(store.library().first().title, QStringLiteral("Novo tutorial (cópia)"));
    for (const TutorialStep &step : store.library().first().steps)
        EXPECT_TRUE(QFileInfo::exists(store.folder(*copy) + QLatin1Char('/') + step.imageFile));
    // Renaming moves a tutorial to the front; a blank name changes nothing.
    store.rename(first, QStringLiteral("  Primeiro  "));
    EXPECT_EQ(store.library().first().title, QStringLiteral("Primeiro"));
    store.rename(first, QStringLiteral(" "));
    EXPECT_EQ(store.library().first().title, QStringLiteral("Primeiro"));

    // A copy that fails midway (the disk fills up) leaves no folder behind.
    const QStringList before = QDir(store.root()).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    {
        guidefixtures::FileSizeLimit limit(1024);
        EXPECT_FALSE(store.duplicate(first));
    }
    EXPECT_EQ(QDir(store.root()).entryList(QDir::Dirs | QDir::NoDotAndDotDot), before);

    // Step edits: the ends do not move; a removed step takes its file along.
    const QList<TutorialStep> steps = store.tutorial().steps;
    store.move(steps[0], -1);
    store.move(steps[1], +1);
    EXPECT_EQ(store.tutorial().steps, steps);
    store.move(steps[0], +1);
    EXPECT_EQ(store.tutorial().steps.first().id, steps[1].id);
    store.remove(steps[0]);
    EXPECT_EQ(store.tutorial().steps.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(store.folder(first) + QLatin1Char('/') + steps[0].imageFile));
    EXPECT_TRUE(QFileInfo::exists(store.folder(*copy) + QLatin1Char('/') + steps[0].imageFile));

    // A step whose file is not a picture is not exported.
    QFile broken(store.folder(first) + QLatin1Char('/') + steps[1].imageFile);
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly | QIODevice::Truncate));
    broken.write("não é PNG");
    broken.close();
    store.closeTutorial();
    store.open(first);
    EXPECT_TRUE(store.exportableSteps().isEmpty());

    // Deleting the tutorial being recorded stops the recording, without showing any window.
    store.startRecording();
    QSignalSpy recording(&store, &TutorialStore::recordingChanged);
    store.delete_(first);
    EXPECT_FALSE(store.isRecording());
    EXPECT_EQ(recording.count(), 1);
    EXPECT_FALSE(store.currentID());
    EXPECT_FALSE(QFileInfo::exists(store.folder(first)));
}

TEST(TutorialStoreTest, AStepWhosePictureIsMissingIsKeptAndWrittenBack) {
    testsupport::TempFolder temp;
    const QString root = temp.file(QStringLiteral("Tutoriais"));
    const QString folder = root + QStringLiteral("/0AAAAAAA-0000-4000-8000-000000000010");
    // Three steps with their texts; the second and third pictures are gone. Keys of another version
    // ride along, on the tutorial and on a step.
    writeFolder(
        folder,
        R"({"title":"Aula","versao":3,"steps":[)"
        R"({"id":"5A1F0000-0000-4000-8000-000000000001","title":"Abra","detail":"o menu","imageFile":"passo-1.png"},)"
        R"({"id":"5A1F0000-0000-4000-8000-000000000002","title":"Clique","detail":"em Salvar","imageFile":"sumiu.png","marker":[0.5,0.25],"nota":"x"},)"
        R"({"id":"5A1F0000-0000-4000-8000-000000000003","title":"Pronto","detail":"","imageFile":"passo-3.png"}]})",
        {QStringLiteral("passo-1.png")});
    QFile file(folder + QStringLiteral("/tutorial.json"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject before = QJsonDocument::fromJson(file.readAll()).object();
    file.close();

    TutorialStore store(root);
    ASSERT_EQ(store.library().size(), 1);
    const Tutorial aula = store.library().first();
    ASSERT_EQ(aula.steps.size(), 3);
    EXPECT_EQ(aula.steps[1].detail, QStringLiteral("em Salvar"));
    EXPECT_TRUE(store.image(QStringLiteral("sumiu.png"), aula.id).isNull());

    // A rename saves the tutorial: every step goes back to disk as it was read.
    store.rename(aula.id, QStringLiteral("Aula 2"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject after = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(after.value(QLatin1String("steps")), before.value(QLatin1String("steps")));
    EXPECT_EQ(after.value(QLatin1String("versao")), 3);
    EXPECT_EQ(after.value(QLatin1String("title")), QStringLiteral("Aula 2"));

    // An export takes what it can draw.
    store.open(aula.id);
    const QList<StepPicture> exportable = store.exportableSteps();
    ASSERT_EQ(exportable.size(), 1);
    EXPECT_EQ(exportable[0].step.id, aula.steps[0].id);
}

TEST(TutorialStoreTest, FilesOfTheUsersOwnBesideATutorialAreNeverRemoved) {
    testsupport::TempFolder temp;
    const QString root = temp.file(QStringLiteral("Tutoriais"));
    // Untouched tutorials, cleaned up at start: one a user also keeps notes and pictures in, one the
    // store alone wrote, and an older single one with a note beside it.
    const QString shared = root + QStringLiteral("/AAAAAAAA-0000-4000-8000-000000000001");
    const QString alone = root + QStringLiteral("/AAAAAAAA-0000-4000-8000-000000000002");
    writeFolder(shared, R"({"steps":[]})");
    ASSERT_TRUE(temp.write(QStringLiteral("Tutoriais/AAAAAAAA-0000-4000-8000-000000000001/notas.txt"), "minhas notas"));
    ASSERT_TRUE(QDir().mkpath(shared + QStringLiteral("/sub")));
    ASSERT_TRUE(temp.write(QStringLiteral("Tutoriais/AAAAAAAA-0000-4000-8000-000000000001/sub/foto.jpg"), "foto"));
    writeFolder(alone, R"({"steps":[]})");
    writeFolder(temp.file(QStringLiteral("Tutorial")), R"({"steps":[]})");
    ASSERT_TRUE(temp.write(QStringLiteral("Tutorial/leia.txt"), "antigo"));

    TutorialStore store(root);
    EXPECT_TRUE(store.library().isEmpty());
    EXPECT_EQ(temp.read(QStringLiteral("Tutoriais/AAAAAAAA-0000-4000-8000-000000000001/notas.txt")), "minhas notas");
    EXPECT_EQ(temp.read(QStringLiteral("Tutoriais/AAAAAAAA-0000-4000-8000-000000000001/sub/foto.jpg")), "foto");
    EXPECT_FALSE(QFileInfo::exists(shared + QStringLiteral("/tutorial.json")));
    EXPECT_FALSE(QFileInfo::exists(alone));
    EXPECT_EQ(temp.read(QStringLiteral("Tutorial/leia.txt")), "antigo");
    EXPECT_FALSE(QFileInfo::exists(temp.file(QStringLiteral("Tutorial/tutorial.json"))));

    // Deleting a tutorial takes its document and pictures (an orphan of ours too) and leaves the user's.
    const QUuid id = store.newTutorial();
    ASSERT_TRUE(store.addStep(picture({64, 48}, Qt::red)));
    const QString step = store.folder(id) + QLatin1Char('/') + store.tutorial().steps.first().imageFile;
    ASSERT_TRUE(QFile::copy(step, store.folder(id) + QStringLiteral("/passo-0BADF00D.png")));
    ASSERT_TRUE(QFile::copy(step, store.folder(id) + QStringLiteral("/minha.png")));
    // A duplicate copies only what the steps show.
    const auto copy = store.duplicate(id);
    ASSERT_TRUE(copy);
    EXPECT_EQ(QDir(store.folder(*copy)).entryList(QDir::Files),
              (QStringList{QFileInfo(step).fileName(), QStringLiteral("tutorial.json")}));
    store.delete_(id);
    EXPECT_EQ(QDir(store.folder(id)).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("minha.png")});
    store.delete_(*copy);
    EXPECT_FALSE(QFileInfo::exists(store.folder(*copy)));
}

TEST(TutorialStoreTest, ElementsOfTheLibraryItselfCanBePassedIn) {
    // Views hand in the library's own steps and identifiers, which the call replaces under them.
    testsupport::TempFolder temp;
    TutorialStore store(temp.file(QStringLiteral("Tutoriais")));
    store.newTutorial();
    ASSERT_TRUE(store.addStep(picture({64, 48}, Qt::red)));
    ASSERT_TRUE(store.addStep(picture({64, 48}, Qt::blue)));
    const QString removedFile = store.tutorial().steps.first().imageFile;
    const QString keptID = store.tutorial().steps.last().id.toString();
    store.remove(store.tutorial().steps.first());
    ASSERT_EQ(store.tutorial().steps.size(), 1);
    EXPECT_EQ(store.tutorial().steps.first().id.toString(), keptID);
    EXPECT_FALSE(QFileInfo::exists(store.folder(*store.currentID()) + QLatin1Char('/') + removedFile));
    store.closeTutorial();

    // Deleting the first of two by its own identifier deletes that one and leaves nothing open.
    const QUuid second = store.newTutorial();
    ASSERT_TRUE(store.addStep(picture({64, 48}, Qt::green)));
    ASSERT_EQ(store.library().size(), 2);
    ASSERT_EQ(store.library().first().id, second);
    const QUuid other = store.library().last().id;
    store.delete_(store.library().first().id);
    ASSERT_EQ(store.library().size(), 1);
    EXPECT_EQ(store.library().first().id, other);
    EXPECT_FALSE(store.currentID());
    EXPECT_FALSE(QFileInfo::exists(store.folder(second)));
    EXPECT_TRUE(QFileInfo::exists(store.folder(other)));
}

TEST(TutorialStoreTest, StepsTheFolderRefusesWaitInTheRuntimeFolderAndJoinOnceItTakesThem) {
    // A file where the tutorial's folder should be refuses every write, as a full disk does.
    testsupport::RecordingNotifier notices;
    testsupport::TempFolder temp;
    const QString run = temp.file(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkpath(run));
    testsupport::ScopedEnvironment runtime("XDG_RUNTIME_DIR", run);
    TutorialStore store(temp.file(QStringLiteral("Tutoriais")));
    QSignalSpy told(&store, &TutorialStore::stepNotSaved);
    store.startRecording();
    const QString folder = store.folder(*store.currentID());
    const auto block = [&] {
        ASSERT_TRUE(QDir().rename(folder, folder + QStringLiteral(".away")));
        QFile in(folder);
        ASSERT_TRUE(in.open(QIODevice::WriteOnly));
    };
    const auto unblock = [&] {
        ASSERT_TRUE(QFile::remove(folder));
        ASSERT_TRUE(QDir().rename(folder + QStringLiteral(".away"), folder));
    };
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan};
    const auto capture = [&](int n) { return picture({24, 16}, colours[n]); };
    block();

    // Refused twice: said once, naming the folder, why, and where the pictures wait.
    EXPECT_FALSE(store.addStep(capture(0)));
    EXPECT_FALSE(store.addStep(capture(1)));
    ASSERT_EQ(told.size(), 1);
    EXPECT_EQ(told[0][0].toString(), folder);
    EXPECT_EQ(told[0][1].toString(), QStringLiteral("não pôde ser criada"));
    const QString keptIn = told[0][2].toString();
    ASSERT_TRUE(keptIn.startsWith(run)) << keptIn.toStdString();
    EXPECT_EQ(QDir(keptIn).entryList({QStringLiteral("passo-*.png")}, QDir::Files).size(), 2);
    EXPECT_TRUE(store.tutorial().steps.isEmpty());
    EXPECT_EQ(store.keptStepCount(), 2);

    // The folder takes files again: the next step comes after the two kept, in the order taken.
    unblock();
    ASSERT_TRUE(store.addStep(capture(2)));
    EXPECT_TRUE(notices.last().startsWith(QStringLiteral("Passo 3 adicionado")));
    EXPECT_EQ(store.keptStepCount(), 0);
    EXPECT_TRUE(QDir(keptIn).entryList({QStringLiteral("passo-*.png")}, QDir::Files).isEmpty());

    // A new refusal is said again; stopping once the folder takes files adds what waited.
    block();
    EXPECT_FALSE(store.addStep(capture(3)));
    EXPECT_EQ(told.size(), 2);
    unblock();
    store.addKeptSteps(); // the retry a timer makes while steps wait
    EXPECT_EQ(store.tutorial().steps.size(), 4);
    block();
    EXPECT_FALSE(store.addStep(capture(4)));
    unblock();
    store.toggleRecording();

    // Every picture is in the tutorial's folder, in the order taken; the library reads it so at the next launch.
    TutorialStore relaunched(store.root());
    ASSERT_EQ(relaunched.library().size(), 1);
    const Tutorial saved = relaunched.library().first();
    ASSERT_EQ(saved.steps.size(), 5);
    for (int n = 0; n < 5; ++n)
        EXPECT_EQ(relaunched.image(saved.steps[n].imageFile, saved.id).pixelColor(0, 0), colours[n]) << n;
}

// The runtime folder outlives the application within a login: steps kept there when the disk was
// full join their tutorial at the next start, in the order taken, while anything put in the place of a
// kept picture (a link to a file of the system, a damaged picture) never becomes a step and is set aside.
TEST(TutorialStoreTest, KeptStepsJoinTheirTutorialAtTheNextStartAndOnlyIfTheyAreOurPictures) {
    testsupport::RecordingNotifier notices;
    testsupport::TempFolder temp;
    const QString run = temp.file(QStringLiteral("run"));
    ASSERT_TRUE(QDir().mkpath(run));
    testsupport::ScopedEnvironment runtime("XDG_RUNTIME_DIR", run);
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue, Qt::yellow};
    QString keptIn, folder;
    QUuid id;
    {
        TutorialStore store(temp.file(QStringLiteral("Tutoriais")));
        QSignalSpy told(&store, &TutorialStore::stepNotSaved);
        store.startRecording();
        id = *store.currentID();
        ASSERT_TRUE(store.addStep(picture({24, 16}, colours[0])));
        folder = store.folder(id);
        ASSERT_TRUE(QDir().rename(folder, folder + QStringLiteral(".away")));
        ASSERT_TRUE(temp.write(QFileInfo(folder).fileName().prepend(QStringLiteral("Tutoriais/")), "full"));
        for (int n = 1; n < 4; ++n) EXPECT_FALSE(store.addStep(picture({24, 16}, colours[n])));
        ASSERT_EQ(told.size(), 1);
        keptIn = told[0][2].toString();
        ASSERT_EQ(store.keptStepCount(), 3);
    } // the application quits with the disk still full
    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(QDir().rename(folder + QStringLiteral(".away"), folder));

    EXPECT_EQ(QDir(keptIn).entryList({QStringLiteral("passo-*.png")}, QDir::Files).size(), 3);
    {
        TutorialStore next(temp.file(QStringLiteral("Tutoriais")));
        ASSERT_TRUE(testsupport::becomes([&] { return next.keptStepCount() == 0; }));
        ASSERT_EQ(next.library().size(), 1);
        const Tutorial joined = next.library().first();
        ASSERT_EQ(joined.steps.size(), 4);
        for (int n = 0; n < 4; ++n)
            EXPECT_EQ(next.image(joined.steps[n].imageFile, joined.id).pixelColor(0, 0), colours[n]) << n;
        EXPECT_FALSE(QFileInfo::exists(keptIn)) << "nothing is left waiting";
    }

    // Kept again, then replaced behind the program's back before the next start.
    ASSERT_TRUE(QDir().mkpath(keptIn));
    const QString base = keptIn + QLatin1Char('/');
    ASSERT_TRUE(temp.write(QStringLiteral("passwd"), "root:x:0:0:root:/root:/bin/bash\n"));
    ASSERT_TRUE(
        QFile::link(temp.file(QStringLiteral("passwd")), base + QStringLiteral("passo-0000000A-00000011.png")));
    QFile good(base + QStringLiteral("passo-0000000B-00000012.png"));
    ASSERT_TRUE(picture({24, 16}, Qt::cyan).save(&good, "png"));
    good.close();
    QByteArray truncated;
    {
        QFile whole(base + QStringLiteral("passo-0000000B-00000012.png"));
        ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
        truncated = whole.readAll();
        truncated.truncate(truncated.size() / 2);
    }
    QFile half(base + QStringLiteral("passo-0000000C-00000013.png"));
    ASSERT_TRUE(half.open(QIODevice::WriteOnly));
    half.write(truncated);
    half.close();
    QFile text(base + QStringLiteral("passo-0000000D-00000014.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("root:x:0:0:root:/root:/bin/bash\n");
    text.close();
    TutorialStore last(temp.file(QStringLiteral("Tutoriais")));
    ASSERT_TRUE(testsupport::becomes([&] { return last.keptStepCount() == 0; }));
    const Tutorial after = last.library().first();
    ASSERT_EQ(after.steps.size(), 5) << "only the real picture joins";
    EXPECT_EQ(after.steps.last().imageFile, QStringLiteral("passo-0000000B.png"));
    EXPECT_EQ(last.image(after.steps.last().imageFile, id).pixelColor(0, 0), QColor(Qt::cyan));
    QStringList aside = QDir(base + QStringLiteral("Ilegíveis")).entryList(QDir::Files | QDir::System);
    aside.sort();
    EXPECT_EQ(aside, (QStringList{QStringLiteral("passo-0000000A-00000011.png"),
                                  QStringLiteral("passo-0000000C-00000013.png"),
                                  QStringLiteral("passo-0000000D-00000014.png")}));
    for (const QString &file : QDir(folder).entryList(QDir::Files))
        EXPECT_NE(QFile(folder + QLatin1Char('/') + file).size(), QFileInfo(temp.file(QStringLiteral("passwd"))).size())
            << file.toStdString();
}

TEST(TutorialStoreTest, AStepThatCannotBeKeptAnywhereIsRefusedAndSaidSo) {
    testsupport::TempFolder temp;
    testsupport::ScopedEnvironment runtime("XDG_RUNTIME_DIR", QString());
    ASSERT_TRUE(temp.write(QStringLiteral("Tutoriais"), "not a folder"));
    TutorialStore store(temp.file(QStringLiteral("Tutoriais")));
    QSignalSpy told(&store, &TutorialStore::stepNotSaved);
    store.startRecording();
    EXPECT_FALSE(store.addStep(picture({8, 8}, Qt::red)));
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told[0][1].toString().contains(QStringLiteral("não pôde ser criada")))
        << told[0][1].toString().toStdString();
    EXPECT_TRUE(told[0][2].toString().isEmpty());
    EXPECT_EQ(store.keptStepCount(), 0);
    store.toggleRecording();
}

TEST(TutorialStoreTest, AHostileStepLeavesOnlyItselfOutAndEverySaveWritesItBack) {
    testsupport::TempFolder temp;
    const QString root = temp.file(QStringLiteral("Tutoriais"));
    ASSERT_TRUE(temp.write(QStringLiteral("x"), "do usuário"));
    // An absolute and a parent path for pictures, a title of the wrong kind; a marker far out of the
    // picture is read (and drawn at its edge).
    const QByteArray absolute =
        stepJson("5A1F0000-0000-4000-8000-000000000002", "/etc/passwd").replace(R"("title":"")", R"("title":"Sair")");
    const QByteArray parent = stepJson("5A1F0000-0000-4000-8000-000000000003", "../../x");
    const QByteArray wrongType =
        R"({"id":"5A1F0000-0000-4000-8000-000000000004","title":3,"detail":"","imageFile":"passo-2.png"})";
    const QByteArray farMarker =
        R"({"id":"5A1F0000-0000-4000-8000-000000000005","title":"","detail":"","imageFile":"passo-2.png","marker":[1e308,0.5]})";
    const QString aulaFolder = root + QStringLiteral("/AAAAAAAA-0000-4000-8000-000000000001");
    writeFolder(aulaFolder,
                R"({"title":"Aula","updatedAt":200,"steps":[)" +
                    stepJson("5A1F0000-0000-4000-8000-000000000001", "passo-1.png") + "," + absolute + "," + parent +
                    "," + wrongType + "," + farMarker + "]}",
                {QStringLiteral("passo-1.png"), QStringLiteral("passo-2.png")});
    // Nothing readable under the default title: not an abandoned tutorial, so it stays.
    const QString onlyFolder = root + QStringLiteral("/AAAAAAAA-0000-4000-8000-000000000002");
    const QByteArray only = R"({"title":"Novo tutorial","updatedAt":100,"steps":[)" + parent + "]}";
    writeFolder(onlyFolder, only);

    TutorialStore store(root);
    ASSERT_EQ(store.library().size(), 2);
    const Tutorial aula = store.library().at(0);
    ASSERT_EQ(aula.steps.size(), 2);
    EXPECT_EQ(aula.steps[1].marker, QPointF(1e308, 0.5));
    QList<int> numbers;
    for (const UnreadableStep &step : aula.unreadableSteps) numbers << step.number;
    EXPECT_EQ(numbers, (QList<int>{2, 3, 4}));
    EXPECT_EQ(aula.unreadableSteps[0].title, QStringLiteral("Sair"));
    const Tutorial untitled = store.library().at(1);
    EXPECT_TRUE(untitled.steps.isEmpty());
    store.open(untitled.id);
    store.closeTutorial();
    EXPECT_EQ(store.library().size(), 2);
    EXPECT_EQ(temp.read(QStringLiteral("Tutoriais/AAAAAAAA-0000-4000-8000-000000000002/tutorial.json")), only);
    EXPECT_EQ(temp.read(QStringLiteral("x")), "do usuário");

    // An edit, a move and a removal write the left-out steps back as they were.
    store.open(aula.id);
    TutorialStep edited = aula.steps[0];
    edited.title = QStringLiteral("Entre");
    store.update(edited);
    store.move(edited, 1);
    TutorialStore relaunched(root);
    const Tutorial again = relaunched.library().at(0);
    ASSERT_EQ(again.steps.size(), 2);
    EXPECT_EQ(again.steps[1], edited);
    ASSERT_EQ(again.unreadableSteps.size(), 3);
    for (qsizetype i = 0; i < 3; ++i) EXPECT_EQ(again.unreadableSteps[i].json, aula.unreadableSteps[i].json);
    store.remove(store.tutorial().steps[0]);
    store.remove(store.tutorial().steps[0]);
    TutorialStore emptied(root);
    ASSERT_EQ(emptied.library().size(), 2);
    EXPECT_EQ(emptied.library().at(0).unreadableSteps.size(), 3);
    EXPECT_FALSE(QFileInfo::exists(aulaFolder + QStringLiteral("/passo-1.png")));
    EXPECT_TRUE(QFileInfo::exists(aulaFolder + QStringLiteral("/passo-2.png"))); // a left-out step names it
    EXPECT_EQ(temp.read(QStringLiteral("x")), "do usuário");
}
