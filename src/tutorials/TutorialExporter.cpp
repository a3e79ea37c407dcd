#include "tutorials/TutorialExporter.h"

#include "brand/BrandStore.h"
#include "core/ByteCount.h"
#include "core/Localization.h"
#include "platform/Alert.h"
#include "platform/FileReveal.h"
#include "platform/FolderPanel.h"
#include "platform/SavePanel.h"
#include "tutorials/GuideFiles.h"
#include "tutorials/TutorialStore.h"
#include "widgets/Clipboard.h"
#include "widgets/Icons.h"
#include "widgets/Theme.h"
#include "widgets/Toast.h"

#include <QCoreApplication>
#include <QFileInfo>
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

QImage symbol(const QString &name) { return Icons::pixmap(name, 44, Theme::text(), 2.0).toImage(); }

void alert(const QString &message, const QString &details) {
    platform::AlertPresenter::shared().run({message, details, {QStringLiteral("OK")}});
}

void showTooLarge() {
    alert(L("O guia ficou grande demais para uma imagem só"), L("Exporte como PDF ou Markdown, que não têm limite de tamanho."));
}

void reportFile(const Outcome &outcome) {
    switch (outcome.kind) {
    case Outcome::Kind::written:
        platform::revealFile(outcome.path);
        Toast::show(symbol(QStringLiteral("checkmark.circle")),
                    L(LKey(QStringLiteral("Guia exportado · %@"), {byteCountText(outcome.bytes)})),
                    QFileInfo(outcome.path).fileName());
        return;
    case Outcome::Kind::tooLarge: showTooLarge(); return;
    case Outcome::Kind::failed: alert(L("Não foi possível salvar o arquivo."), outcome.error); return;
    }
}

QFuture<void> exportFile(TutorialStore &store, const QString &typeName, const QString &extension,
                         Outcome (*write)(TutorialRenderer::Input, const QString &)) {
    std::optional<TutorialRenderer::Input> in = input(store);
    if (!in) return nothing();
    const std::optional<QString> path = platform::SavePanel::shared().run(
        {fileBaseName(store.tutorial().title) + QLatin1Char('.') + extension, typeName, extension});
    if (!path) return nothing();
    return inBackground([in = std::move(*in), target = *path, write] { return write(in, target); }, reportFile);
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
    qsizetype dots = 0;
    while (dots < name.size() && name[dots] == QLatin1Char('.')) ++dots;
    name = cutToUtf8Bytes(name.mid(dots).trimmed(), 200).trimmed();
    return name.isEmpty() ? QStringLiteral("Tutorial") : name;
}

QFuture<void> exportImage(TutorialStore &store) {
    return exportFile(store, QStringLiteral("PNG"), QStringLiteral("png"), &GuideFiles::writeImage);
}

QFuture<void> exportPDF(TutorialStore &store) {
    return exportFile(store, QStringLiteral("PDF"), QStringLiteral("pdf"), &GuideFiles::writePDF);
}

QFuture<void> exportMarkdown(TutorialStore &store) {
    std::optional<TutorialRenderer::Input> in = input(store);
    if (!in) return nothing();
    const std::optional<QString> parent =
        platform::FolderPanel::shared().run({L("Exportar aqui"), L("Escolha onde criar a pasta do tutorial")});
    if (!parent) return nothing();
    const QString base = fileBaseName(store.tutorial().title);
    return inBackground([in = std::move(*in), parent = *parent, base] { return GuideFiles::writeMarkdown(in, parent, base); },
                        [](const Outcome &outcome) {
                            if (outcome.kind != Outcome::Kind::written) {
                                alert(L("Não foi possível salvar o arquivo."), outcome.error);
                                return;
                            }
                            platform::revealFile(outcome.path);
                            Toast::show(symbol(QStringLiteral("doc.text")), L("Markdown exportado"),
                                        QFileInfo(QFileInfo(outcome.path).absolutePath()).fileName());
                        });
}

QFuture<void> copyImage(TutorialStore &store) {
    std::optional<TutorialRenderer::Input> in = input(store);
    if (!in) return nothing();
    return inBackground([in = std::move(*in)] { return GuideFiles::renderForCopy(in); }, [](const Outcome &outcome) {
        if (outcome.kind == Outcome::Kind::tooLarge) {
            showTooLarge();
        } else if (outcome.kind == Outcome::Kind::written && Clipboard::copy(outcome.image)) {
            Toast::show(outcome.image, L("Guia copiado"),
                        L(LKey(QStringLiteral("%@ passos · cole com ⌘V"), {QString::number(outcome.steps)})));
        } else {
            Toast::show(outcome.image, L("Não foi possível copiar"), L("A área de transferência não aceitou a imagem."));
        }
    });
}

} // namespace TutorialExporter
