#include "editor_window/BackdropSheet.h"

#include "core/Localization.h"
#include "widgets/Buttons.h"
#include "widgets/Theme.h"
#include "widgets/ThemedLabel.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace BackdropSheet {

namespace {
Presenter &presenter() {
    static Presenter instance;
    return instance;
}

Content &content() {
    static Content instance;
    return instance;
}

// Until the backdrop editor is installed: the backdrop's name and the two buttons.
QWidget *standIn(QWidget *sheet, const Request &request, const Actions &actions) {
    auto *box = new QWidget(sheet);
    box->setObjectName(QStringLiteral("backdropSheetStandIn"));
    auto *column = new QVBoxLayout(box);
    column->setContentsMargins(24, 24, 24, 20);
    column->setSpacing(20);
    column->addWidget(
        themedLabel(request.backdrop.displayName(), Theme::font(16, QFont::DemiBold), Theme::text(), box));
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto *cancel = new SecondaryButton(L("Cancelar"), box);
    auto *save = new PrimaryButton(request.saveTitle, box);
    buttons->addWidget(cancel);
    buttons->addWidget(save);
    column->addLayout(buttons);
    QObject::connect(cancel, &QPushButton::clicked, box, [cancel = actions.cancel] { cancel(); });
    QObject::connect(save, &QPushButton::clicked, box,
                     [save = actions.save, backdrop = request.backdrop] { save(backdrop); });
    save->setDefault(true);
    return box;
}
} // namespace

bool available() { return bool(presenter()); }

void open(QWidget *parent, const Request &request, Completion done) {
    if (!presenter()) {
        done(std::nullopt);
        return;
    }
    presenter()(parent, request, std::move(done));
}

void setPresenter(Presenter p) { presenter() = std::move(p); }

QWidget *makeContent(QWidget *sheet, const Request &request, const Actions &actions) {
    return content() ? content()(sheet, request, actions) : standIn(sheet, request, actions);
}

void setContent(Content c) { content() = std::move(c); }

} // namespace BackdropSheet
