#include "platform/Alert.h"
#include "platform/NamePrompt.h"
#include "support/TestSupport.h"
#include "support/Waiting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace {

// Once a dialog is up: the formats of its labels that hold `text`, a paint of it, then `close` on it.
struct Inspected {
    QList<Qt::TextFormat> formats;
};

void inspectDialogOnceShown(const QString &text, Inspected &seen, const std::function<void(QDialog *)> &close) {
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, text, &seen, close] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        for (QLabel *label : dialog->findChildren<QLabel *>())
            if (label->text().contains(text)) seen.formats.append(label->textFormat());
        dialog->grab();
        close(dialog);
    });
    poll->start();
}

} // namespace

// Alerts and the name prompt show names (of files, tutorials, presets) letter for letter: markup in
// them is text, and the picture it names (a FIFO) is never read.
TEST(AlertTest, DialogsShowNamesAsTyped) {
    const testsupport::TempFolder temp;
    const testsupport::MarkupWithFifo markup(temp.path());

    Inspected alertSeen;
    inspectDialogOnceShown(markup.text(), alertSeen, [](QDialog *dialog) { dialog->reject(); });
    platform::AlertPresenter::shared().run({markup.text(), markup.text(), {QStringLiteral("OK")}});
    EXPECT_EQ(alertSeen.formats, (QList<Qt::TextFormat>{Qt::PlainText, Qt::PlainText}));

    Inspected promptSeen;
    inspectDialogOnceShown(markup.text(), promptSeen, [](QDialog *dialog) { dialog->reject(); });
    const platform::NameRequest request{markup.text(), markup.text(), markup.text(), QStringLiteral("Renomear"),
                                        QStringLiteral("Cancelar")};
    EXPECT_FALSE(platform::NamePrompt::shared().run(request));
    EXPECT_EQ(promptSeen.formats, (QList<Qt::TextFormat>{Qt::PlainText, Qt::PlainText}));

    EXPECT_FALSE(markup.read());
}

// An alert told in passing returns at once and leaves no modal window (under which no capture may
// start): it stays on screen until its button is pressed, then goes.
TEST(AlertTest, AnAlertToldInPassingHoldsNothingUp) {
    const QString message = QStringLiteral("Não foi possível salvar o passo");
    platform::AlertPresenter::shared().tell(
        {message, QStringLiteral("O passo foi guardado em “/run/Passos”."), {QStringLiteral("OK")}});
    QPointer<QMessageBox> box;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<QMessageBox *>(window); found && found->text() == message) box = found;
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(QGuiApplication::modalWindow(), nullptr);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    ASSERT_EQ(box->buttons().size(), 1);
    box->buttons().constFirst()->click();
    EXPECT_TRUE(testsupport::becomes([&] { return box.isNull(); }));
}
