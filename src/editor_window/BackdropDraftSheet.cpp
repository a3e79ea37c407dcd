#include "editor_window/BackdropDraftSheet.h"

#include "core/Localization.h"
#include "editor/EditorModel.h"
#include "editor_window/BackdropSheet.h"
#include "widgets/PlainText.h"
#include "widgets/Theme.h"

#include <QDialog>
#include <QVBoxLayout>

BackdropDraftSheet::BackdropDraftSheet(EditorModel *model, QWidget *host)
    : QObject(host), m_model(model), m_host(host) {
    connect(&model->page(), &EditorPageState::backdropDraftChanged, this, &BackdropDraftSheet::follow);
    follow();
}

BackdropDraftSheet::~BackdropDraftSheet() { close(); }

void BackdropDraftSheet::follow() {
    const std::optional<BackdropDraft> draft = m_model ? m_model->page().backdropDraft() : std::nullopt;
    if (draft && m_dialog && draft->id == m_shownID) return;
    close();
    if (draft) open();
}

void BackdropDraftSheet::open() {
    const BackdropDraft draft = *m_model->page().backdropDraft();
    m_shownID = draft.id;
    auto *dialog = new QDialog(m_host->window());
    dialog->setObjectName(QStringLiteral("backdropSheet"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setWindowTitle(plainWindowTitle(draft.backdrop.displayName()));
    QPalette palette = dialog->palette();
    palette.setColor(QPalette::Window, Theme::panel());
    dialog->setPalette(palette);
    dialog->setAutoFillBackground(true);

    const QPointer<EditorModel> model = m_model;
    BackdropSheet::Actions actions;
    actions.save = [model](const Backdrop &edited) {
        if (model) model->commitBackdrop(edited);
    };
    if (!draft.isNew)
        actions.remove = [model, stored = draft.backdrop] {
            if (model) model->deleteBackdrop(stored);
        };
    actions.cancel = [model] {
        if (model) model->page().setBackdropDraft(std::nullopt);
    };
    const BackdropSheet::Request request{draft.backdrop, m_model->document().original(), {}, L("Salvar e aplicar")};
    auto *layout = new QVBoxLayout(dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(BackdropSheet::makeContent(dialog, request, actions));
    // Gone by any way but the model's: the draft goes with it (unless another draft already replaced it).
    connect(dialog, &QDialog::finished, this, [model, id = draft.id] {
        if (model && model->page().backdropDraft() && model->page().backdropDraft()->id == id)
            model->page().setBackdropDraft(std::nullopt);
    });
    m_dialog = dialog;
    dialog->show();
}

void BackdropDraftSheet::close() {
    if (QDialog *dialog = m_dialog) {
        m_dialog = nullptr;
        dialog->close();
    }
    m_shownID = QUuid();
}
