#include "platform/Alert.h"

#include "platform/Log.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace platform {

namespace {

class DialogPresenter final : public AlertPresenter {
public:
    int run(const Alert &alert) override {
        // Also in the log, where a report of "it said it could not capture" can be matched.
        qCInfo(lcPlatform).noquote() << "alert:" << alert.messageText << "|" << alert.informativeText;
        // Plain text, set once the labels know it: alerts name files and hold the system's reasons.
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Pelicarta"), QString());
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
        if (!buttons.isEmpty()) box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
        box.show();
        box.raise();
        box.activateWindow();
        box.exec();
        return static_cast<int>(buttons.indexOf(box.clickedButton()));
    }
};

} // namespace

template <>
AlertPresenter &SharedService<AlertPresenter>::real() {
    static DialogPresenter dialogs;
    return dialogs;
}

} // namespace platform
