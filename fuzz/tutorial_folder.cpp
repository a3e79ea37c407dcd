// A tutorial's folder as the store finds it at start-up: the input is its "tutorial.json", beside a
// step picture, a file that only claims to be one, a FIFO under a step picture's name and a file of
// the user's own. Whatever the document says, loading never blocks, never removes the user's file,
// keeps every step it read (a step it cannot read leaves only itself out), and the next save writes
// back everything that was read, the steps left out included.

#include "tutorials/TutorialStore.h"

#include "FuzzSupport.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <sys/stat.h>

namespace {

const QString folderName = QStringLiteral("0AAAAAAA-0000-4000-8000-00000000F022");

QTemporaryDir &place() {
    static QTemporaryDir dir;
    return dir;
}

QString root() { return place().filePath(QStringLiteral("Tutoriais")); }
QString inFolder(const QString &name) { return root() + QLatin1Char('/') + folderName + QLatin1Char('/') + name; }

const QByteArray &pictureBytes() {
    static const QByteArray png = [] {
        QImage image(8, 6, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) std::abort();
        return bytes;
    }();
    return png;
}

void write(const QString &path, const QByteArray &bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) std::abort();
}

QByteArray read(const QString &path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

std::optional<Tutorial> parse(const QByteArray &bytes) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) return std::nullopt;
    return Tutorial::fromJson(document.object());
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv) {
    static QCoreApplication app(*argc, *argv);
    if (!place().isValid()) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray document = fuzz::bytes(data, size);
    if (!QDir().mkpath(inFolder({}))) std::abort();
    write(inFolder(QStringLiteral("tutorial.json")), document);
    write(inFolder(QStringLiteral("passo-1.png")), pictureBytes());
    write(inFolder(QStringLiteral("passo-2.png")), pictureBytes().left(40)); // the header, no pixels
    write(inFolder(QStringLiteral("notas.txt")), "do usuário");
    if (::mkfifo(QFile::encodeName(inFolder(QStringLiteral("passo-3.png"))).constData(), 0600) != 0) std::abort();

    const std::optional<Tutorial> stored = parse(document);
    {
        TutorialStore store(root());
        if (read(inFolder(QStringLiteral("notas.txt"))) != "do usuário") std::abort();
        if (!stored) {
            // Unreadable: skipped, and its folder left as it was.
            if (!store.library().isEmpty() || read(inFolder(QStringLiteral("tutorial.json"))) != document) std::abort();
        } else if (!store.library().isEmpty()) {
            const Tutorial loaded = store.library().first();
            if (store.library().size() != 1 || loaded.steps != stored->steps ||
                loaded.unreadableSteps != stored->unreadableSteps)
                std::abort();
            store.open(loaded.id);
            store.exportableSteps();
            store.cover(loaded);
            for (const TutorialStep &step : loaded.steps) store.image(step.imageFile, loaded.id);
            // A save writes back every step and every key it read.
            store.rename(loaded.id, QStringLiteral("Outro"));
            const std::optional<Tutorial> saved = parse(read(inFolder(QStringLiteral("tutorial.json"))));
            if (!saved || saved->steps != stored->steps || saved->unreadableSteps != stored->unreadableSteps ||
                saved->otherKeys != stored->otherKeys)
                std::abort();
        } else if (stored->holdsSteps()) {
            std::abort(); // a tutorial with steps, readable or not, is always listed
        }
    }
    QDir(root()).removeRecursively(); // this run's own temporary folder
    return 0;
}
