#include "tutorials/TutorialStore.h"

#include "core/Exporter.h"
#include "core/Localization.h"
#include "core/ShortcutStore.h"
#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/PrivateFolder.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/Toast.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace {

// The keys that end recording, as the toasts show them: the user's own combination.
QString toggleTutorialKeys() { return ShortcutStore::shared().shortcut(ShortcutAction::toggleTutorial).displayString(); }

} // namespace

TutorialStore &TutorialStore::shared() {
    static TutorialStore *store =
        new TutorialStore(platform::AppPaths::documentsSubfolderOrRuntime(QStringLiteral("Tutoriais")).path);
    return *store;
}

TutorialStore::TutorialStore(QString root, QObject *parent) : QObject(parent), m_root(std::move(root)) {
    if (!m_root.isEmpty()) platform::PrivateFolder::ensure(m_root);
}

bool TutorialStore::folderReady(const QUuid &id) const {
    // Never written through a link to another folder, nor into another user's folder.
    using platform::PrivateFolder::Problem;
    return !m_root.isEmpty() && platform::PrivateFolder::ensure(m_root) == Problem::none &&
           platform::PrivateFolder::ensure(folder(id)) == Problem::none;
}

qsizetype TutorialStore::indexOf(const QUuid &id) const {
    for (qsizetype i = 0; i < m_library.size(); ++i)
        if (m_library[i].id == id) return i;
    return -1;
}

QString TutorialStore::folder(const QUuid &id) const { return m_root + QLatin1Char('/') + uuidString(id); }

Tutorial TutorialStore::tutorial() const {
    if (m_currentID) {
        const qsizetype index = indexOf(*m_currentID);
        if (index >= 0) return m_library[index];
    }
    return Tutorial::blank();
}

bool TutorialStore::save(const Tutorial &tutorial) {
    if (!folderReady(tutorial.id)) return false;
    const QByteArray json = QJsonDocument(tutorial.toJson()).toJson(QJsonDocument::Compact);
    return platform::writeFileAtomically(folder(tutorial.id) + QStringLiteral("/tutorial.json"), json);
}

bool TutorialStore::setTutorial(const Tutorial &tutorial) {
    const qsizetype index = indexOf(tutorial.id);
    if (index < 0) return false;
    Tutorial stamped = tutorial;
    stamped.updatedAt = QDateTime::currentDateTimeUtc();
    m_library[index] = stamped;
    const bool saved = save(stamped);
    emit libraryChanged();
    return saved;
}

QUuid TutorialStore::newTutorial() {
    const Tutorial tutorial = Tutorial::blank();
    m_library.prepend(tutorial);
    save(tutorial);
    emit libraryChanged();
    m_currentID = tutorial.id;
    emit currentIDChanged();
    return tutorial.id;
}

void TutorialStore::startRecording() {
    if (m_isRecording) return;
    if (!m_currentID) newTutorial();
    m_isRecording = true;
    emit recordingChanged(true);
    const QImage symbol = Icons::pixmap(QStringLiteral("record.circle"), 44, Theme::text(), 2.0).toImage();
    Toast::show(symbol, L(LKey(QStringLiteral("Gravando “%@”"), {tutorial().title})),
                L(LKey(QStringLiteral("Cada captura vira um passo. %@ termina"), {toggleTutorialKeys()})));
}

void TutorialStore::toggleRecording() {
    if (!m_isRecording) {
        startRecording();
        return;
    }
    m_isRecording = false;
    emit recordingChanged(false);
    emit recordingFinished();
}

bool TutorialStore::addStep(const QImage &image) {
    if (!m_currentID || indexOf(*m_currentID) < 0) return false;
    const QUuid id = *m_currentID;
    const QString file = QStringLiteral("passo-%1.png").arg(uuidString(QUuid::createUuid()).left(8));
    const QByteArray png = Exporter::encodeWithQt(image, "png").value_or(QByteArray());
    const QString target = folder(id) + QLatin1Char('/') + file;
    auto failed = [&image] {
        Toast::show(image, L("Não foi possível salvar o passo"), L("O tutorial continua gravando."));
        return false;
    };
    // The folder is made again here: it may have been removed since the tutorial was created.
    if (png.isEmpty() || !folderReady(id) || !platform::writeFileAtomically(target, png)) return failed();
    const Tutorial before = tutorial();
    Tutorial current = before;
    TutorialStep step;
    step.imageFile = file;
    current.steps.append(step);
    if (!setTutorial(current)) {
        // A step the saved tutorial does not list would be lost at the next launch: take it back.
        QFile::remove(target);
        m_library[indexOf(id)] = before;
        emit libraryChanged();
        return failed();
    }
    Toast::show(image, L(LKey(QStringLiteral("Passo %@ adicionado"), {QString::number(current.steps.size())})),
                L(LKey(QStringLiteral("Continue capturando · %@ termina"), {toggleTutorialKeys()})));
    return true;
}
