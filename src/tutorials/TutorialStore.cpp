#include "tutorials/TutorialStore.h"

#include "core/FolderTrouble.h"
#include "core/Localization.h"
#include "core/Notifier.h"
#include "core/ShortcutStore.h"
#include "platform/AppPaths.h"
#include "platform/AtomicFile.h"
#include "platform/KeptPicture.h"
#include "platform/PngStreamWriter.h"
#include "platform/PrivateFolder.h"
#include "platform/RegularFile.h"
#include "tutorials/Log.h"
#include "tutorials/TutorialFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// The keys that end recording, as the toasts show them: the user's own combination.
QString toggleTutorialKeys() {
    return ShortcutStore::shared().shortcut(ShortcutAction::toggleTutorial).displayString();
}

// Decoded step images kept at most: a few dozen full-screen captures.
constexpr int imageCacheKiB = 256 * 1024;
// A "tutorial.json" larger than this is not one the store wrote.
constexpr qint64 maxDocumentBytes = 16 * 1024 * 1024;

using TutorialFolder::documentName;

std::optional<Tutorial> readDocument(const QString &folder) {
    // Through the regular-file reader: the document may have been replaced by a FIFO or a device.
    const platform::RegularFile::Read read =
        platform::RegularFile::read(folder + QLatin1Char('/') + documentName(), maxDocumentBytes);
    if (read.status != platform::RegularFile::Status::ok) return std::nullopt;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(read.bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    return Tutorial::fromJson(document.object());
}

bool writeDocument(const QString &folder, const Tutorial &tutorial, QString *error = nullptr) {
    const QByteArray json = QJsonDocument(tutorial.toJson()).toJson(QJsonDocument::Compact);
    // One the next launch would not read would take the tutorial out of the library: the saved one stays.
    if (json.size() > maxDocumentBytes) {
        if (error) *error = L("grande demais para ser lido de volta");
        return false;
    }
    return platform::writeFileAtomically(folder + QLatin1Char('/') + documentName(), json, error);
}

bool isDefaultTitle(const QString &title) {
    return L10nCache::variants(QStringLiteral("Novo tutorial")).contains(title);
}

// Start-up clean-up of an untouched tutorial: nothing goes while the folder holds a picture (it may be
// a step the document lost); otherwise our document goes, and the folder once nothing else is in it.
void removeUntouched(const QString &folder) {
    if (QDir(folder).entryList({QStringLiteral("*.png")}, QDir::Files | QDir::Hidden).isEmpty())
        TutorialFolder::removeFiles(folder, {documentName()});
}

// The step pictures a tutorial's steps name, each once.
QStringList pictureFiles(const Tutorial &tutorial) {
    QStringList files;
    for (const TutorialStep &step : tutorial.steps)
        if (isBareFileName(step.imageFile) && !files.contains(step.imageFile)) files.append(step.imageFile);
    return files;
}

QString cacheKey(const QUuid &id, const QString &file) { return uuidString(id) + QLatin1Char('/') + file; }

// How often steps kept in the runtime folder are offered to their tutorials' folders again.
constexpr int retryKeptMs = 10'000;
// Where steps wait in the runtime folder: one folder per tutorial, named by its identifier, so that
// they still know their tutorial at the next start of the login.
const QString keptStepsName = QStringLiteral("Passos");

// A kept step's name in the runtime folder: its picture's name with the order it was taken in, which
// modification times cannot keep (steps may come faster than the file system's clock ticks).
QString keptName(const QString &file, qint64 order) {
    return file.chopped(4) + QStringLiteral("-%1.png").arg(order, 8, 10, QLatin1Char('0'));
}

// The picture's name and the order of a kept step's file; none for a name the store does not give.
std::optional<std::pair<QString, qint64>> fromKeptName(const QString &name) {
    static const QRegularExpression pattern(QStringLiteral("^(passo-[0-9A-F]{8})-(\\d{8})\\.png$"));
    const QRegularExpressionMatch match = pattern.match(name);
    if (!match.hasMatch()) return std::nullopt;
    return std::pair(match.captured(1) + QStringLiteral(".png"), match.captured(2).toLongLong());
}

} // namespace

TutorialStore &TutorialStore::shared() {
    static TutorialStore *store =
        new TutorialStore(platform::AppPaths::documentsSubfolderOrRuntime(QStringLiteral("Tutoriais")).path);
    return *store;
}

TutorialStore::TutorialStore(QString root, QObject *parent)
    : QObject(parent), m_root(root.isEmpty() ? QString() : QDir::cleanPath(QDir(root).absolutePath())),
      m_images(imageCacheKiB) {
    m_retryKept.setInterval(retryKeptMs);
    connect(&m_retryKept, &QTimer::timeout, this, &TutorialStore::addKeptSteps);
    // A library folder that is a link, or another user's, is neither read nor cleaned up nor written.
    if (!rootReady()) return;
    migrateLegacy(QFileInfo(m_root).absolutePath() + QStringLiteral("/Tutorial"), m_root);
    m_library = loadLibrary();
    findKeptSteps();
}

void TutorialStore::findKeptSteps() {
    // The folder as keepStep makes it, checked (and narrowed) as ours.
    const QString kept = platform::AppPaths::runtimeSubfolder(keptStepsName);
    if (kept.isEmpty()) return;
    const QFileInfoList folders = QDir(kept).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks);
    for (const QFileInfo &folder : folders) {
        const std::optional<QUuid> id = uuidFromString(folder.fileName());
        // A tutorial deleted meanwhile takes nothing: its steps stay where they are.
        if (!id || indexOf(*id) < 0 ||
            platform::PrivateFolder::check(folder.filePath()) != platform::PrivateFolder::Problem::none)
            continue;
        QList<std::pair<qint64, KeptStep>> found;
        // Links and other entries under our names are listed too: reading refuses them, and sets them aside.
        for (const QString &name : QDir(folder.filePath()).entryList(QDir::Files | QDir::System)) {
            if (const auto named = fromKeptName(name))
                found.append({named->second, {*id, named->first, folder.filePath(), name}});
        }
        std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        for (const auto &[order, step] : std::as_const(found)) {
            m_keptSteps.append(step);
            m_lastKeptOrder = std::max(m_lastKeptOrder, order);
        }
    }
    if (m_keptSteps.isEmpty()) return;
    qCInfo(lcTutorials, "%d steps kept in %s wait for their tutorials", int(m_keptSteps.size()), qPrintable(kept));
    m_retryKept.start();
    // Once the application has started: each is decoded to be checked.
    QTimer::singleShot(0, this, &TutorialStore::addKeptSteps);
}

bool TutorialStore::rootReady() const {
    return !m_root.isEmpty() && platform::PrivateFolder::ensure(m_root) == platform::PrivateFolder::Problem::none;
}

bool TutorialStore::folderReady(const QUuid &id, QString *error) const {
    using platform::PrivateFolder::Problem;
    const Problem problem = m_root.isEmpty() ? Problem::cannotCreate : platform::PrivateFolder::ensure(m_root);
    const Problem inside = problem == Problem::none ? platform::PrivateFolder::ensure(folder(id)) : problem;
    if (inside != Problem::none && error) *error = FolderTrouble::reason(inside);
    return inside == Problem::none;
}

void TutorialStore::migrateLegacy(const QString &legacy, const QString &root) {
    const QFileInfo info(legacy);
    if (!info.isDir() || info.isSymLink()) return;
    std::optional<Tutorial> tutorial = readDocument(legacy);
    if (!tutorial) return;
    if (!tutorial->holdsSteps()) {
        removeUntouched(legacy);
        return;
    }
    tutorial->id = QUuid::createUuid();
    const QString target = root + QLatin1Char('/') + uuidString(tutorial->id);
    if (!QDir().rename(legacy, target)) return;
    writeDocument(target, *tutorial);
}

QList<Tutorial> TutorialStore::loadLibrary() {
    QList<Tutorial> library;
    m_folders.clear();
    const QFileInfoList entries =
        QDir(m_root).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::NoSymLinks, QDir::Name);
    for (const QFileInfo &entry : entries) {
        const QString path = entry.filePath();
        std::optional<Tutorial> tutorial = readDocument(path);
        if (!tutorial) {
            if (QFileInfo::exists(path + QLatin1Char('/') + documentName()))
                qCWarning(lcTutorials, "the tutorial in %s cannot be read; it is left out of the library",
                          qPrintable(path));
            continue;
        }
        if (const auto named = uuidFromString(entry.fileName())) tutorial->id = *named;
        if (m_folders.contains(tutorial->id)) continue; // a repeated identifier: the first folder keeps it
        if (!tutorial->holdsSteps() && isDefaultTitle(tutorial->title)) {
            removeUntouched(path);
            continue;
        }
        if (!tutorial->unreadableSteps.isEmpty()) {
            QStringList numbers;
            for (const UnreadableStep &step : std::as_const(tutorial->unreadableSteps))
                numbers.append(QString::number(step.number));
            qCWarning(lcTutorials,
                      "steps %s of the tutorial in %s cannot be read; they are left out and kept in its file",
                      qPrintable(numbers.join(QStringLiteral(", "))), qPrintable(path));
        }
        // A step whose picture is missing stays (the pages show a placeholder, exports say they left it
        // out): the next save must not lose its texts.
        m_folders.insert(tutorial->id, path);
        library.append(*tutorial);
    }
    std::stable_sort(library.begin(), library.end(),
                     [](const Tutorial &a, const Tutorial &b) { return a.updatedAt > b.updatedAt; });
    return library;
}

qsizetype TutorialStore::indexOf(const QUuid &id) const {
    for (qsizetype i = 0; i < m_library.size(); ++i)
        if (m_library[i].id == id) return i;
    return -1;
}

QString TutorialStore::folder(const QUuid &id) const {
    return m_folders.value(id, m_root + QLatin1Char('/') + uuidString(id));
}

Tutorial TutorialStore::tutorial() const {
    if (m_currentID) {
        const qsizetype index = indexOf(*m_currentID);
        if (index >= 0) return m_library[index];
    }
    return Tutorial::blank();
}

bool TutorialStore::save(const Tutorial &tutorial, QString *error) {
    return folderReady(tutorial.id, error) && writeDocument(folder(tutorial.id), tutorial, error);
}

void TutorialStore::sortLibrary() {
    std::stable_sort(m_library.begin(), m_library.end(),
                     [](const Tutorial &a, const Tutorial &b) { return a.updatedAt > b.updatedAt; });
}

void TutorialStore::dropCached(const QUuid &id) {
    const QString prefix = uuidString(id) + QLatin1Char('/');
    for (const QString &key : m_images.keys())
        if (key.startsWith(prefix)) m_images.remove(key);
}

void TutorialStore::setCurrentID(std::optional<QUuid> id) {
    if (m_currentID == id) return;
    m_currentID = id;
    emit currentIDChanged();
}

bool TutorialStore::setTutorial(const Tutorial &tutorial) {
    if (indexOf(tutorial.id) < 0) return false;
    QString error;
    return reportSave(tutorial.id, store(tutorial, &error), error);
}

bool TutorialStore::reportSave(const QUuid &id, bool saved, const QString &error) {
    if (saved) {
        m_saveFailureReported = false;
        return true;
    }
    qCWarning(lcTutorials, "the tutorial in %s could not be saved (%s)", qPrintable(folder(id)), qPrintable(error));
    if (!std::exchange(m_saveFailureReported, true)) emit tutorialNotSaved(folder(id), error);
    return false;
}

bool TutorialStore::store(const Tutorial &tutorial, QString *error) {
    const qsizetype index = indexOf(tutorial.id);
    if (index < 0) return false;
    Tutorial stamped = tutorial;
    stamped.updatedAt = QDateTime::currentDateTimeUtc();
    m_library[index] = stamped;
    const bool saved = save(stamped, error);
    emit libraryChanged();
    return saved;
}

QUuid TutorialStore::newTutorial() {
    const Tutorial tutorial = Tutorial::blank();
    m_folders.insert(tutorial.id, m_root + QLatin1Char('/') + uuidString(tutorial.id));
    m_library.prepend(tutorial);
    save(tutorial);
    emit libraryChanged();
    setCurrentID(tutorial.id);
    return tutorial.id;
}

void TutorialStore::open(QUuid id) {
    if (indexOf(id) >= 0) setCurrentID(id);
}

void TutorialStore::closeTutorial() {
    if (m_isRecording || !m_currentID) return;
    const QUuid id = *m_currentID;
    if (const qsizetype index = indexOf(id); index >= 0) {
        Tutorial &open = m_library[index];
        const bool blankTitle = open.title.trimmed().isEmpty();
        if (!open.holdsSteps() && (blankTitle || isDefaultTitle(open.title))) {
            delete_(id);
            return;
        }
        if (open.holdsSteps() && blankTitle) {
            open.title = L("Novo tutorial");
            QString error;
            reportSave(id, save(open, &error), error);
        }
    }
    dropCached(id);
    setCurrentID(std::nullopt);
    sortLibrary();
    emit libraryChanged();
}

void TutorialStore::stopRecording() {
    if (!m_isRecording) return;
    m_isRecording = false;
    emit recordingChanged(false);
}

void TutorialStore::delete_(QUuid id) {
    if (m_isRecording && m_currentID == id) stopRecording();
    if ((indexOf(id) >= 0 || m_folders.contains(id)) && rootReady() &&
        platform::PrivateFolder::check(folder(id)) == platform::PrivateFolder::Problem::none) {
        // Only what we wrote: files of the user's own beside it stay, and so does the folder then.
        QStringList ours = TutorialFolder::stepPictures(folder(id)) << documentName();
        if (const qsizetype index = indexOf(id); index >= 0) ours << pictureFiles(m_library[index]);
        TutorialFolder::removeFiles(folder(id), ours);
    }
    m_library.removeIf([&](const Tutorial &t) { return t.id == id; });
    m_folders.remove(id);
    dropCached(id);
    emit libraryChanged();
    if (m_currentID == id) setCurrentID(std::nullopt);
}

void TutorialStore::rename(QUuid id, const QString &title) {
    const QString trimmed = title.trimmed();
    const qsizetype index = indexOf(id);
    if (trimmed.isEmpty() || index < 0) return;
    m_library[index].title = trimmed;
    m_library[index].updatedAt = QDateTime::currentDateTimeUtc();
    QString error;
    reportSave(id, save(m_library[index], &error), error);
    sortLibrary();
    emit libraryChanged();
}

std::optional<QUuid> TutorialStore::duplicate(QUuid id) {
    const qsizetype index = indexOf(id);
    if (index < 0) return std::nullopt;
    Tutorial copy = m_library[index];
    copy.id = QUuid::createUuid();
    copy.title = L(LKey(QStringLiteral("%@ (cópia)"), {m_library[index].title}));
    copy.createdAt = copy.updatedAt = QDateTime::currentDateTimeUtc();
    // A copy holds what the user sees; the original keeps the steps that cannot be read.
    copy.unreadableSteps.clear();
    const QString target = m_root + QLatin1Char('/') + uuidString(copy.id);
    const QStringList pictures = pictureFiles(copy);
    if (!rootReady() || !TutorialFolder::copyFiles(folder(id), target, pictures)) return std::nullopt;
    if (!writeDocument(target, copy)) {
        TutorialFolder::removeFiles(target, QStringList(pictures) << documentName());
        return std::nullopt;
    }
    m_folders.insert(copy.id, target);
    m_library.prepend(copy);
    emit libraryChanged();
    return copy.id;
}

void TutorialStore::startRecording() {
    if (m_isRecording) return;
    if (!m_currentID) newTutorial();
    m_isRecording = true;
    emit recordingChanged(true);
    Notifier::shared().notify(Notice::withSymbol(
        QStringLiteral("record.circle"), L(LKey(QStringLiteral("Gravando “%@”"), {tutorial().title})),
        L(LKey(QStringLiteral("Cada captura vira um passo. %@ termina"), {toggleTutorialKeys()}))));
}

void TutorialStore::toggleRecording() {
    if (!m_isRecording) {
        startRecording();
        return;
    }
    stopRecording();
    // The tutorial shown next holds every step its folder takes by now.
    addKeptSteps();
    emit recordingFinished();
}

bool TutorialStore::addStep(const QImage &image) {
    if (!m_currentID || indexOf(*m_currentID) < 0) return false;
    const QUuid id = *m_currentID;
    QString file = TutorialFolder::newStepPictureName();
    // Written fast, and read back fast by every export.
    const QByteArray png = platform::PngStreamWriter::encode(image).value_or(QByteArray());
    if (png.isEmpty()) {
        qCWarning(lcTutorials, "a step could not be encoded; recording goes on");
        Notifier::shared().notify(
            {image, L("Não foi possível salvar o passo"), L("O tutorial continua gravando."), ToastKind::failure});
        return false;
    }
    // Steps kept earlier come first, in the order they were taken: while one of this tutorial still
    // waits, this one waits behind it.
    addKeptSteps();
    const bool waiting = std::any_of(m_keptSteps.cbegin(), m_keptSteps.cend(),
                                     [&](const KeptStep &kept) { return kept.tutorial == id; });
    QString error = m_keptError;
    if (waiting || !writeStep(id, file, png, &error)) {
        keepStep(id, file, png, error);
        Notifier::shared().notify(
            {image, L("Não foi possível salvar o passo"), L("O tutorial continua gravando."), ToastKind::failure});
        return false;
    }
    m_images.insert(cacheKey(id, file), new QImage(image), std::max<qsizetype>(1, image.sizeInBytes() / 1024));
    Notifier::shared().notify(
        {image, L(LKey(QStringLiteral("Passo %@ adicionado"), {QString::number(tutorial().steps.size())})),
         L(LKey(QStringLiteral("Continue capturando · %@ termina"), {toggleTutorialKeys()}))});
    return true;
}

bool TutorialStore::writeStep(const QUuid &id, const QString &file, const QByteArray &png, QString *error) {
    const qsizetype index = indexOf(id);
    if (index < 0) return false;
    // The folder is made again here: it may have been removed since the tutorial was created.
    const QString target = folder(id) + QLatin1Char('/') + file;
    if (!folderReady(id, error) || !platform::writeFileAtomically(target, png, error)) return false;
    const Tutorial before = m_library[index];
    Tutorial current = before;
    TutorialStep step;
    step.imageFile = file;
    current.steps.append(step);
    if (!store(current, error)) {
        // A step the saved tutorial does not list would be lost at the next launch: take it back.
        QFile::remove(target);
        m_library[indexOf(id)] = before;
        emit libraryChanged();
        return false;
    }
    m_failureReported = false;
    return true;
}

void TutorialStore::keepStep(const QUuid &id, const QString &file, const QByteArray &png, const QString &error) {
    m_keptError = error;
    // Only the user's private runtime folder, checked as ours; never a shared temporary folder.
    QString keptIn = platform::AppPaths::runtimeSubfolder(keptStepsName);
    if (!keptIn.isEmpty()) keptIn += QLatin1Char('/') + uuidString(id);
    const QString name = keptName(file, m_lastKeptOrder + 1);
    if (!keptIn.isEmpty() && (platform::PrivateFolder::ensure(keptIn) != platform::PrivateFolder::Problem::none ||
                              !platform::writeFileAtomically(keptIn + QLatin1Char('/') + name, png)))
        keptIn.clear();
    if (keptIn.isEmpty()) {
        qCWarning(lcTutorials, "the step %s could not be saved in %s (%s) nor kept elsewhere", qPrintable(file),
                  qPrintable(folder(id)), qPrintable(error));
    } else {
        qCWarning(lcTutorials, "the step %s could not be saved in %s (%s); it was kept in %s until it can be",
                  qPrintable(file), qPrintable(folder(id)), qPrintable(error), qPrintable(keptIn));
        m_keptSteps.append({id, file, keptIn, name});
        ++m_lastKeptOrder;
        m_retryKept.start();
    }
    if (std::exchange(m_failureReported, true)) return;
    emit stepNotSaved(folder(id), error, keptIn);
}

void TutorialStore::addKeptSteps() {
    QSet<QUuid> refused; // a tutorial whose folder refused one takes none after it
    for (qsizetype i = 0; i < m_keptSteps.size();) {
        const KeptStep kept = m_keptSteps[i];
        if (refused.contains(kept.tutorial)) {
            ++i;
            continue;
        }
        // A tutorial deleted meanwhile: the picture stays where it is.
        if (indexOf(kept.tutorial) < 0) {
            m_keptSteps.removeAt(i);
            continue;
        }
        const QString path = kept.folder + QLatin1Char('/') + kept.keptName;
        const platform::KeptPicture::Read read = platform::KeptPicture::read(path);
        if (read.status != platform::KeptPicture::Status::ok) {
            // Taken away, or replaced by what is not our picture (a link, another file): never a step.
            if (read.status == platform::KeptPicture::Status::unreadable) {
                const QString aside = platform::KeptPicture::setAside(path);
                qCWarning(lcTutorials, "the step %s kept in %s cannot be read (%s); it was set aside as %s",
                          qPrintable(kept.keptName), qPrintable(kept.folder), qPrintable(read.error),
                          qPrintable(aside));
            }
            m_keptSteps.removeAt(i);
            continue;
        }
        if (!writeStep(kept.tutorial, kept.file, read.png, &m_keptError)) {
            refused.insert(kept.tutorial);
            ++i;
            continue;
        }
        qCInfo(lcTutorials, "the step %s kept in %s was added to its tutorial", qPrintable(kept.keptName),
               qPrintable(kept.folder));
        platform::PrivateFolder::removeFile(kept.folder, kept.keptName);
        QDir().rmdir(kept.folder); // once nothing else waits there
        m_images.insert(cacheKey(kept.tutorial, kept.file), new QImage(read.image),
                        std::max<qsizetype>(1, read.image.sizeInBytes() / 1024));
        m_keptSteps.removeAt(i);
    }
    if (m_keptSteps.isEmpty()) m_retryKept.stop();
}

void TutorialStore::update(TutorialStep step) {
    Tutorial current = tutorial();
    const auto found = std::find_if(current.steps.begin(), current.steps.end(),
                                    [&](const TutorialStep &s) { return s.id == step.id; });
    if (found == current.steps.end()) return;
    *found = step;
    setTutorial(current);
}

void TutorialStore::remove(TutorialStep step) {
    if (!m_currentID) return;
    Tutorial current = tutorial();
    const qsizetype before = current.steps.size();
    current.steps.removeIf([&](const TutorialStep &s) { return s.id == step.id; });
    if (current.steps.size() == before) return;
    // The saved document still lists a step it could not drop: its picture stays with it.
    if (!setTutorial(current)) return;
    // A hand-edited document may show one file in two steps: the file stays while a step names it, one
    // that cannot be read included.
    const bool stillShown =
        std::any_of(current.steps.begin(), current.steps.end(),
                    [&](const TutorialStep &s) { return s.imageFile == step.imageFile; }) ||
        std::any_of(current.unreadableSteps.begin(), current.unreadableSteps.end(), [&](const UnreadableStep &s) {
            return s.json.toObject().value(QLatin1String("imageFile")) == QJsonValue(step.imageFile);
        });
    if (!stillShown && isBareFileName(step.imageFile)) {
        platform::PrivateFolder::removeFile(folder(*m_currentID), step.imageFile);
        m_images.remove(cacheKey(*m_currentID, step.imageFile));
    }
}

void TutorialStore::move(TutorialStep step, int offset) {
    Tutorial current = tutorial();
    const auto found = std::find_if(current.steps.begin(), current.steps.end(),
                                    [&](const TutorialStep &s) { return s.id == step.id; });
    if (found == current.steps.end()) return;
    const qsizetype index = found - current.steps.begin();
    const qsizetype target = index + offset;
    if (target < 0 || target >= current.steps.size()) return;
    current.steps.swapItemsAt(index, target);
    setTutorial(current);
}

QImage TutorialStore::image(const QString &file, const QUuid &id) {
    const QString key = cacheKey(id, file);
    if (const QImage *cached = m_images.object(key)) return *cached;
    if (!isBareFileName(file)) return {};
    const QImage read = readStepPicture(folder(id) + QLatin1Char('/') + file);
    if (read.isNull()) return {};
    m_images.insert(key, new QImage(read), std::max<qsizetype>(1, read.sizeInBytes() / 1024));
    return read;
}

QImage TutorialStore::cover(const Tutorial &tutorial) {
    if (tutorial.steps.isEmpty()) return {};
    const QString file = tutorial.steps.constFirst().imageFile;
    const QString key = cacheKey(tutorial.id, file);
    if (const auto found = m_covers.constFind(key); found != m_covers.constEnd()) return *found;
    if (!isBareFileName(file)) return {};
    const QImage reduced = readStepPicture(folder(tutorial.id) + QLatin1Char('/') + file, coverSide);
    if (!reduced.isNull()) m_covers.insert(key, reduced);
    return reduced;
}

QList<StepPicture> TutorialStore::exportableSteps() const {
    QList<StepPicture> pictures;
    if (!m_currentID || indexOf(*m_currentID) < 0) return pictures;
    const QString base = folder(*m_currentID) + QLatin1Char('/');
    for (const TutorialStep &step : tutorial().steps) {
        if (const QImage *cached = m_images.object(cacheKey(*m_currentID, step.imageFile)))
            pictures.append(StepPicture::inMemory(step, *cached));
        else if (auto picture = StepPicture::probe(step, base + step.imageFile)) pictures.append(*picture);
    }
    return pictures;
}
