#include "tutorials/TutorialExporter.h"

#include "brand/BrandStore.h"
#include "core/ByteCount.h"
#include "core/Clipboard.h"
#include "core/Localization.h"
#include "core/Notifier.h"
#include "core/SaveFolder.h"
#include "platform/Alert.h"
#include "platform/FileReveal.h"
#include "platform/FolderPanel.h"
#include "platform/SavePanel.h"
#include "tutorials/GuideFiles.h"
#include "tutorials/TutorialStore.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <QtConcurrent/QtConcurrentRun>

namespace TutorialExporter {

namespace {

using GuideFiles::Outcome;

QFuture<void> nothing() { return QtFuture::makeReadyFuture(); }

// `work` on the thread pool, `report` with its outcome back on the main thread.
template <typename Work, typename Report>
QFuture<void> inBackground(Work work, Report report) {
    return QtConcurrent::run(std::move(work)).then(QCoreApplication::instance(), std::move(report));
}

void alert(const QString &message, const QString &details) {
    platform::AlertPresenter::shared().run({message, details, {QStringLiteral("OK")}});
}

void showTooLarge() {
    alert(L("O guia ficou grande demais para uma imagem só"),
          L("Exporte como PDF ou Markdown, que não têm limite de tamanho."));
}

// The open tutorial's steps in order, and those an export began with, by which the steps a guide
// leaves out are named.
struct StepNumbers {
    QList<QUuid> order;
    QSet<QUuid> exported;
};

// What an export starts from.
struct Start {
    TutorialRenderer::Input input;
    StepNumbers numbers;
};

// The input of the store's open tutorial. With steps but not one picture to draw, the alert says so
// and there is none; without steps, nothing happens at all.
std::optional<Start> start(const TutorialStore &store) {
    std::optional<TutorialRenderer::Input> in = input(store);
    const Tutorial tutorial = store.tutorial();
    if (!in) {
        if (store.currentID() && !tutorial.steps.isEmpty())
            alert(L("Não foi possível exportar o guia"), L("As imagens dos passos não puderam ser lidas."));
        return std::nullopt;
    }
    Start begun{std::move(*in), {}};
    for (const TutorialStep &step : tutorial.steps) begun.numbers.order.append(step.id);
    for (const StepPicture &picture : begun.input.steps) begun.numbers.exported.insert(picture.step.id);
    return begun;
}

// For a guide written without some of the tutorial's steps (their pictures missing or unreadable),
// the sentence that names them by their numbers in the tutorial; empty when every step is there.
QString leftOutText(const StepNumbers &steps, const Outcome &outcome) {
    QSet<QUuid> drawn = steps.exported;
    for (const QUuid &id : outcome.leftOut) drawn.remove(id);
    QStringList numbers;
    for (qsizetype i = 0; i < steps.order.size(); ++i)
        if (!drawn.contains(steps.order[i])) numbers.append(QString::number(i + 1));
    if (numbers.isEmpty()) return {};
    if (numbers.size() == 1)
        return L(LKey(QStringLiteral("Passo %@ ficou de fora: imagem indisponível"), {numbers[0]}));
    return L(
        LKey(QStringLiteral("Passos %@ ficaram de fora: imagens indisponíveis"), {numbers.join(QStringLiteral(", "))}));
}

// The toast's second line: what was left out, when anything was, else `usual`.
QString subtitle(const StepNumbers &steps, const Outcome &outcome, const QString &usual) {
    const QString leftOut = leftOutText(steps, outcome);
    return leftOut.isEmpty() ? usual : leftOut;
}

void reportFile(const StepNumbers &steps, const Outcome &outcome) {
    switch (outcome.kind) {
    case Outcome::Kind::written:
        SaveFolder::remember(outcome.path);
        platform::FileReveal::shared().reveal(outcome.path);
        Notifier::shared().notify(
            Notice::withSymbol(QStringLiteral("checkmark.circle"),
                               L(LKey(QStringLiteral("Guia exportado · %@"), {byteCountText(outcome.bytes)})),
                               subtitle(steps, outcome, QFileInfo(outcome.path).fileName())));
        return;
    case Outcome::Kind::tooLarge: showTooLarge(); return;
    case Outcome::Kind::failed: alert(L("Não foi possível salvar o arquivo."), outcome.error); return;
    }
}

QFuture<void> exportFile(TutorialStore &store, const QString &typeName, const QString &extension,
                         Outcome (*write)(TutorialRenderer::Input, const QString &)) {
    std::optional<Start> begun = start(store);
    if (!begun) return nothing();
    const std::optional<QString> path =
        platform::SavePanel::shared().run({fileBaseName(store.tutorial().title) + QLatin1Char('.') + extension,
                                           typeName, extension, SaveFolder::start()});
    if (!path) return nothing();
    return inBackground([in = std::move(begun->input), target = *path, write] { return write(in, target); },
                        [steps = std::move(begun->numbers)](const Outcome &outcome) { reportFile(steps, outcome); });
}

// Cuts `text` to at most `limit` bytes of UTF-8 without splitting a character.
QString cutToUtf8Bytes(const QString &text, qsizetype limit) {
    qsizetype bytes = 0;
    qsizetype end = 0;
    for (const char32_t c : text.toUcs4()) {
        const qsizetype size = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (bytes + size > limit) break;
        bytes += size;
        end += c >= 0x10000 ? 2 : 1;
    }
    return text.left(end);
}

} // namespace

std::optional<TutorialRenderer::Input> input(const TutorialStore &store) {
    QList<StepPicture> steps = store.exportableSteps();
    if (steps.isEmpty()) return std::nullopt;
    const Tutorial tutorial = store.tutorial();
    TutorialRenderer::Input in{tutorial.title, tutorial.theme, tutorial.createdAt, std::move(steps), std::nullopt};
    if (tutorial.theme == TutorialTheme::brand) in.brand = BrandStore::shared().snapshot();
    return in;
}

QString fileBaseName(const QString &title) {
    static const QString replaced = QStringLiteral("/:\\?%*|\"<>");
    QString name;
    for (const char32_t c : title.trimmed().toUcs4()) {
        if (QChar::category(c) == QChar::Other_Control) continue;
        name += c < 0x80 && replaced.contains(QChar(char16_t(c))) ? QStringLiteral("-") : QString::fromUcs4(&c, 1);
    }
    // No hidden file, nor "." or "..": leading dots go, with the spaces between them.
    qsizetype start = 0;
    while (start < name.size() && (name[start] == QLatin1Char('.') || name[start].isSpace())) ++start;
    name = cutToUtf8Bytes(name.mid(start).trimmed(), 200).trimmed();
    return name.isEmpty() ? QStringLiteral("Tutorial") : name;
}

QFuture<void> exportImage(TutorialStore &store) {
    return exportFile(store, L(LKey(QStringLiteral("Imagem %@"), {QStringLiteral("PNG")})), QStringLiteral("png"),
                      &GuideFiles::writeImage);
}

QFuture<void> exportPDF(TutorialStore &store) {
    return exportFile(store, L("Documento PDF"), QStringLiteral("pdf"), &GuideFiles::writePDF);
}

QFuture<void> exportMarkdown(TutorialStore &store) {
    std::optional<Start> begun = start(store);
    if (!begun) return nothing();
    const std::optional<QString> parent =
        platform::FolderPanel::shared().run({L("Exportar aqui"), L("Escolha onde criar a pasta do tutorial")});
    if (!parent) return nothing();
    const QString base = fileBaseName(store.tutorial().title);
    return inBackground(
        [in = std::move(begun->input), parent = *parent, base] { return GuideFiles::writeMarkdown(in, parent, base); },
        [steps = std::move(begun->numbers)](const Outcome &outcome) {
            if (outcome.kind != Outcome::Kind::written) {
                alert(L("Não foi possível salvar o arquivo."), outcome.error);
                return;
            }
            platform::FileReveal::shared().reveal(outcome.path);
            Notifier::shared().notify(Notice::withSymbol(
                QStringLiteral("doc.text"), L("Markdown exportado"),
                subtitle(steps, outcome, QFileInfo(QFileInfo(outcome.path).absolutePath()).fileName())));
        });
}

QFuture<void> copyImage(TutorialStore &store) {
    std::optional<Start> begun = start(store);
    if (!begun) return nothing();
    auto report = [steps = std::move(begun->numbers)](const Outcome &outcome) {
        if (outcome.kind == Outcome::Kind::tooLarge) {
            showTooLarge();
        } else if (outcome.kind == Outcome::Kind::failed) {
            // The guide was never made (its pictures stopped decoding meanwhile): say that, not the clipboard.
            alert(L("Não foi possível copiar o guia"), outcome.error);
        } else if (outcome.kind == Outcome::Kind::written && Clipboard::copy(outcome.image)) {
            Notifier::shared().notify({outcome.image, L("Guia copiado"),
                                       subtitle(steps, outcome,
                                                outcome.steps == 1 ? L("1 passo · cole com ⌘V")
                                                                   : L(LKey(QStringLiteral("%@ passos · cole com ⌘V"),
                                                                            {QString::number(outcome.steps)})))});
        } else {
            Notifier::shared().notify({outcome.image, L("Não foi possível copiar"),
                                       L("A área de transferência não aceitou a imagem."), ToastKind::failure});
        }
    };
    return inBackground([in = std::move(begun->input)] { return GuideFiles::renderForCopy(in); }, std::move(report));
}

} // namespace TutorialExporter
