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

// Runs `render` until it gets through every step, leaving out each step whose picture fails.
Result withoutUnreadableSteps(Input &input, const std::function<Result(const Input &)> &render) {
    for (;;) {
        if (input.steps.isEmpty()) return {Result::Failure::unreadableStep, -1, {}};
        const Result result = render(input);
        if (result.failure != Result::Failure::unreadableStep) return result;
        input.steps.removeAt(result.step);
    }
}

Outcome outcomeOf(const Result &result, const Input &input) {
    switch (result.failure) {
    case Result::Failure::none: {
        Outcome outcome;
        outcome.kind = Outcome::Kind::written;
        outcome.steps = static_cast<int>(input.steps.size());
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
    const Result result = withoutUnreadableSteps(input, [&](const Input &attempt) {
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly)) return Result{Result::Failure::cannotWrite, -1, file.errorString()};
        Result r = write(attempt, &file);
        if (r.ok() && !file.commit()) r = {Result::Failure::cannotWrite, -1, file.errorString()};
        if (r.failure == Result::Failure::cannotWrite && file.error() != QFileDevice::NoError)
            r.error = file.errorString();
        return r;
    });
    Outcome outcome = outcomeOf(result, input);
    if (outcome.kind == Outcome::Kind::written) {
        outcome.path = path;
        outcome.bytes = QFileInfo(path).size();
    }
    return outcome;
}

// Makes `parent`/`name`, refusing an existing one; 0 or the system's error number.
int makeFolder(const QString &path) { return ::mkdir(QFile::encodeName(path).constData(), 0777) == 0 ? 0 : errno; }

} // namespace

Outcome writeImage(Input input, const QString &path) { return writeFile(std::move(input), path, &TutorialRenderer::writeImage); }

Outcome writePDF(Input input, const QString &path) { return writeFile(std::move(input), path, &TutorialRenderer::writePDF); }

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
    for (const StepPicture &picture : std::as_const(input.steps)) {
        const QImage image = picture.load();
        if (image.isNull()) continue; // left out: the next step takes its number
        const int number = static_cast<int>(drawn.size() + 1);
        const auto png = platform::PngStreamWriter::encode(TutorialRenderer::stepImage(picture.step, image, number, palette));
        QString error;
        if (!png) return failed(L("A imagem de um passo não pôde ser gerada."));
        if (!platform::writeFileAtomically(QDir(folder).filePath(TutorialRenderer::stepImageName(number)), *png, &error))
            return failed(error);
        drawn.append(picture);
    }
    if (drawn.isEmpty()) {
        QDir(folder).removeRecursively();
        return noReadableStep();
    }
    input.steps = drawn;
    const QString readme = QDir(folder).filePath(QStringLiteral("README.md"));
    QString error;
    if (!platform::writeFileAtomically(readme, TutorialRenderer::markdown(input).toUtf8(), &error)) return failed(error);
    Outcome outcome;
    outcome.kind = Outcome::Kind::written;
    outcome.path = readme;
    outcome.steps = static_cast<int>(drawn.size());
    return outcome;
}

Outcome renderForCopy(Input input) {
    QImage image;
    const Result result = withoutUnreadableSteps(input, [&](const Input &attempt) {
        Result r;
        image = TutorialRenderer::renderImage(attempt, &r);
        return r;
    });
    Outcome outcome = outcomeOf(result, input);
    if (outcome.kind == Outcome::Kind::written) outcome.image = image;
    return outcome;
}

} // namespace GuideFiles
