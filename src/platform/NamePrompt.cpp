#include "platform/NamePrompt.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace platform {

namespace {

class DialogPrompt final : public NamePrompt {
public:
    std::optional<QString> run(const NameRequest &request) override {
        QWidget *owner = QApplication::activeWindow();
        QDialog dialog(owner);
        dialog.setWindowTitle(QStringLiteral("Pelicarta"));
        dialog.setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);
        auto *layout = new QVBoxLayout(&dialog);
        // Plain text: the title and message hold names the user typed.
        auto *title = new QLabel(&dialog);
        title->setTextFormat(Qt::PlainText);
        title->setText(request.title);
        QFont bold = title->font();
        bold.setBold(true);
        title->setFont(bold);
        layout->addWidget(title);
        if (!request.message.isEmpty()) {
            auto *message = new QLabel(&dialog);
            message->setTextFormat(Qt::PlainText);
            message->setText(request.message);
            message->setWordWrap(true);
            layout->addWidget(message);
        }
        auto *field = new QLineEdit(request.initial, &dialog);
        field->setObjectName(QStringLiteral("nameField"));
        field->setFixedSize(260, 24);
        field->selectAll();
        layout->addWidget(field);
        auto *buttons = new QDialogButtonBox(&dialog);
        QPushButton *confirm = buttons->addButton(request.confirm, QDialogButtonBox::AcceptRole);
        buttons->addButton(request.cancel, QDialogButtonBox::RejectRole);
        confirm->setDefault(true);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addWidget(buttons);
        field->setFocus();
        if (dialog.exec() != QDialog::Accepted) return std::nullopt;
        return field->text();
    }
};

} // namespace

template <>
NamePrompt &SharedService<NamePrompt>::real() {
    static DialogPrompt dialogs;
    return dialogs;
}

} // namespace platform
