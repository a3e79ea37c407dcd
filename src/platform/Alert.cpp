#include "platform/Alert.h"

#include "platform/Log.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

// Fills `box` with the alert: its texts as plain text, its buttons, the default one marked. The buttons
// in order.
QList<QAbstractButton *> fill(QMessageBox &box, const Alert &alert) {
    // Also in the log, where a report of "it said it could not capture" can be matched.
    qCInfo(lcPlatform).noquote() << "alert:" << alert.messageText << "|" << alert.informativeText;
    box.setIcon(QMessageBox::Warning);
    box.setWindowTitle(QStringLiteral("Pelicarta"));
    // Plain text, set once the labels know it: alerts name files and hold the system's reasons.
    box.setTextFormat(Qt::PlainText);
    box.setText(alert.messageText);
    if (!alert.informativeText.isEmpty()) {
        box.setInformativeText(QStringLiteral(" ")); // makes the label, whose format Qt leaves to guess
        if (auto *informative = box.findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel")))
            informative->setTextFormat(Qt::PlainText);
        box.setInformativeText(alert.informativeText);
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    QList<QAbstractButton *> buttons;
    for (qsizetype i = 0; i < alert.buttons.size(); ++i) {
        QAbstractButton *button =
            box.addButton(alert.buttons[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
        buttons.append(button);
    }
    // Also the button that holds the focus when the box opens: Return and Space both press it.
    if (QAbstractButton *chosen = buttons.value(alert.defaultButton, buttons.value(0)))
        box.setDefaultButton(qobject_cast<QPushButton *>(chosen));
    return buttons;
}

class DialogPresenter final : public AlertPresenter {
public:
    int run(const Alert &alert) override {
        QMessageBox box;
        const QList<QAbstractButton *> buttons = fill(box, alert);
        box.show();
        box.raise();
        box.activateWindow();
        box.exec();
        return static_cast<int>(buttons.indexOf(box.clickedButton()));
    }
    void tell(const Alert &alert) override {
        auto *box = new QMessageBox;
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        // Shown while the user works in another program: it must not take the keys from it.
        box->setAttribute(Qt::WA_ShowWithoutActivating);
        fill(*box, alert);
        box->show();
    }
};

} // namespace

template <>
AlertPresenter &SharedService<AlertPresenter>::real() {
    static DialogPresenter dialogs;
    return dialogs;
}

} // namespace platform
