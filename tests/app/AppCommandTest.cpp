#include "app/AppCommand.h"

#include <gtest/gtest.h>

TEST(AppCommandTest, ArgumentsAndMessages) {
    const QString program = QStringLiteral("pelicarta");
    EXPECT_EQ(AppCommand::fromArguments({program})->kind, AppCommand::Kind::show);
    EXPECT_EQ(AppCommand::fromArguments({program, QStringLiteral("--quit")})->kind, AppCommand::Kind::quit);
    const QList<QPair<QString, ShortcutAction>> actions = {
        {QStringLiteral("area"), ShortcutAction::captureArea},
        {QStringLiteral("window"), ShortcutAction::captureWindow},
        {QStringLiteral("fullscreen"), ShortcutAction::captureFullScreen},
        {QStringLiteral("repeat"), ShortcutAction::repeatLastArea},
        {QStringLiteral("tutorial"), ShortcutAction::toggleTutorial}};
    for (const auto &[name, action] : actions) {
        const auto command = AppCommand::fromArguments({program, QStringLiteral("--capture"), name});
        ASSERT_TRUE(command) << name.toStdString();
        EXPECT_EQ(command->action, action);
        const auto back = AppCommand::fromMessage(command->message());
        ASSERT_TRUE(back);
        EXPECT_EQ(back->action, action);
        EXPECT_EQ(AppCommand::fromArguments({program, QStringLiteral("--capture=") + name})->action, action);
    }
    EXPECT_EQ(AppCommand::fromArguments({program, QStringLiteral("--help")})->kind, AppCommand::Kind::help);
    QString error;
    EXPECT_FALSE(AppCommand::fromArguments({program, QStringLiteral("--capture")}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("needs an action")));
    EXPECT_FALSE(AppCommand::fromArguments({program, QStringLiteral("--capture"), QStringLiteral("Area")}, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Area")));
    EXPECT_FALSE(AppCommand::fromArguments({program, QStringLiteral("--quit"), QStringLiteral("now")}));
    EXPECT_FALSE(AppCommand::fromMessage({QStringLiteral("capture"), QStringLiteral("everything")}));
    EXPECT_FALSE(AppCommand::fromMessage({}));
    // Words only a launch takes are no request: a running instance refuses them.
    EXPECT_FALSE(AppCommand::fromMessage({QStringLiteral("help")}));
    EXPECT_EQ(AppCommand::fromMessage({QStringLiteral("ping")})->kind, AppCommand::Kind::ping);
}
