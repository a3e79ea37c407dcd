#include "tutorials/GuideFiles.h"

#include "core/Localization.h"
#include "platform/AtomicFile.h"
#include "platform/PngStreamWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <functional>
#include <sys/stat.h>

namespace GuideFiles {

namespace {

using TutorialRenderer::Input;
using TutorialRenderer::Result;

Outcome failed(QString error) {
    Outcome outcome;
    outcome.error = std::move(error);
    return outcome;
}

Outcome noReadableStep() { return failed(L("As imagens dos passos não puderam ser lidas.")); }

// Runs `render` until it gets through every step, leaving out each step whose picture fails (its
// identifier goes to `leftOut`).
Result withoutUnreadableSteps(Input &input, QList<QUuid> &leftOut, const std::function<Result(const Input &)> &render) {
    for (;;) {
        if (input.steps.isEmpty()) return {Result::Failure::unreadableStep, -1, {}};
        const Result result = render(input);
        if (result.failure != Result::Failure::unreadableStep) return result;
        leftOut.append(input.steps.takeAt(result.step).step.id);
    }
}

Outcome outcomeOf(const Result &result, const Input &input, const QList<QUuid> &leftOut) {
    switch (result.failure) {
    case Result::Failure::none: {
        Outcome outcome;
        outcome.kind = Outcome::Kind::written;
        outcome.steps = static_cast<int>(input.steps.size());
        outcome.leftOut = leftOut;
        return outcome;
    }
    case Result::Failure::tooLarge: {
        Outcome outcome;
        outcome.kind = Outcome::Kind::tooLarge;
        return outcome;
    }
    case Result::Failure::unreadableStep: return noReadableStep();
    case Result::Failure::cannotWrite: break;
    }
    return failed(result.error);
}

// One file written through `write`, atomically, again from the start on every attempt.
Outcome writeFile(Input input, const QString &path, Result (*write)(const Input &, QIODevice *)) {
    QList<QUuid> leftOut;
    const Result result = withoutUnreadableSteps(input, leftOut, [&](const Input &attempt) {
        QSaveFile file(path);
        // Unbuffered: a last buffer that does not fit would otherwise be flushed at commit, which then
        // replaces the user's file with the truncated one and reports success.
        if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return Result{Result::Failure::cannotWrite, -1, file.errorString()};
        Result r = write(attempt, &file);
        if (r.ok() && !file.commit()) r = {Result::Failure::cannotWrite, -1, file.errorString()};
        if (r.failure == Result::Failure::cannotWrite && file.error() != QFileDevice::NoError)
            r.error = file.errorString();
        return r;
    });
    Outcome outcome = outcomeOf(result, input, leftOut);
    if (outcome.kind == Outcome::Kind::written) {
        outcome.path = path;
        outcome.bytes = QFileInfo(path).size();
    }
    return outcome;
}

// Makes `parent`/`name`, refusing an existing one; 0 or the system's error number.
int makeFolder(const QString &path) { return ::mkdir(QFile::encodeName(path).constData(), 0777) == 0 ? 0 : errno; }

// Takes back a folder an export made and could not finish: the files it wrote, then the folder, which
// stays if anything else has appeared in it meanwhile. The folder is in a place the user chose.
Outcome takenBack(const QString &folder, const QStringList &written, Outcome outcome) {
    for (const QString &name : written) QFile::remove(QDir(folder).filePath(name));
    QDir().rmdir(folder);
    return outcome;
}

} // namespace

Outcome writeImage(Input input, const QString &path) {
    return writeFile(std::move(input), path, &TutorialRenderer::writeImage);
}

Outcome writePDF(Input input, const QString &path) {
    return writeFile(std::move(input), path, &TutorialRenderer::writePDF);
}

Outcome writeMarkdown(Input input, const QString &parent, const QString &baseName) {
    QString folder;
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? baseName : baseName + QLatin1Char(' ') + QString::number(n);
        folder = QDir(parent).filePath(name);
        const int error = makeFolder(folder);
        if (error == 0) break;
        if (error != EEXIST || n >= 100'000) return failed(QString::fromLocal8Bit(strerror(error)));
    }
    const TutorialPalette palette = TutorialRenderer::paletteOf(input);
    QList<StepPicture> drawn;
    QList<QUuid> leftOut;
    QStringList written;
    for (const StepPicture &picture : std::as_const(input.steps)) {
        const QImage image = picture.load();
        if (image.isNull()) { // left out: the next step takes its number
            leftOut.append(picture.step.id);
            continue;
        }
        const int number = static_cast<int>(drawn.size() + 1);
        const auto png =
            platform::PngStreamWriter::encode(TutorialRenderer::stepImage(picture.step, image, number, palette));
        if (!png) return takenBack(folder, written, failed(L("A imagem de um passo não pôde ser gerada.")));
        const QString name = TutorialRenderer::stepImageName(number);
        QString error;
        if (!platform::writeFileAtomically(QDir(folder).filePath(name), *png, &error))
            return takenBack(folder, written, failed(error));
        written.append(name);
        drawn.append(picture);
    }
    if (drawn.isEmpty()) return takenBack(folder, written, noReadableStep());
    input.steps = drawn;
    const QString readme = QStringLiteral("README.md");
    QString error;
    // A text file ends with its last line's line feed.
    const QByteArray text = (TutorialRenderer::markdown(input) + QLatin1Char('\n')).toUtf8();
    if (!platform::writeFileAtomically(QDir(folder).filePath(readme), text, &error))
        return takenBack(folder, written, failed(error));
    Outcome outcome;
    outcome.kind = Outcome::Kind::written;
    outcome.path = QDir(folder).filePath(readme);
    outcome.steps = static_cast<int>(drawn.size());
    outcome.leftOut = leftOut;
    return outcome;
}

Outcome renderForCopy(Input input) {
    QImage image;
    QList<QUuid> leftOut;
    const Result result = withoutUnreadableSteps(input, leftOut, [&](const Input &attempt) {
        Result r;
        image = TutorialRenderer::renderImage(attempt, &r);
        return r;
    });
    Outcome outcome = outcomeOf(result, input, leftOut);
    if (outcome.kind == Outcome::Kind::written) outcome.image = image;
    return outcome;
}

} // namespace GuideFiles
