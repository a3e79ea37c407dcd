#pragma once

#include "platform/Alert.h"
#include "platform/Pasteboard.h"
#include "platform/ProgramLauncher.h"
#include "platform/SavePanel.h"
#include "platform/UserAccount.h"
#include "support/FixedClock.h"

#include <QImage>
#include <QList>

#include <optional>

namespace testsupport {

// A clipboard that keeps what it is given; it can be told to refuse.
class RecordingPasteboard : public platform::Pasteboard {
public:
    QList<Item> items;
    int writes = 0;
    bool refuse = false;

    bool setContents(const QList<Item> &list) override {
        ++writes;
        if (refuse) return false;
        items = list;
        return true;
    }
    QList<Item> contents() const override { return items; }

    QByteArray data(const QString &type) const {
        for (const Item &item : items)
            if (item.first == type) return item.second;
        return {};
    }
    QImage png() const { return QImage::fromData(data(QStringLiteral("image/png")), "png"); }
};

// A save panel answering with a set path (none: cancelled), remembering what it was asked.
class FakeSavePanel : public platform::SavePanel {
public:
    std::optional<QString> answer;
    QList<platform::SaveRequest> asked;

    std::optional<QString> run(const platform::SaveRequest &request) override {
        asked.append(request);
        return answer;
    }
};

// Alerts answered with a set button, remembered.
class FakeAlerts : public platform::AlertPresenter {
public:
    QList<platform::Alert> shown;
    int answer = 0;

    int run(const platform::Alert &alert) override {
        shown.append(alert);
        return answer;
    }
};

// The shared program launcher while it lives: records each program with its arguments instead of
// starting it.
class RecordingLauncher : public platform::ProgramLauncher {
public:
    QList<QStringList> started; // the program, then its arguments

    RecordingLauncher() { setSharedForTesting(this); }
    ~RecordingLauncher() override { setSharedForTesting(nullptr); }
    RecordingLauncher(const RecordingLauncher &) = delete;
    RecordingLauncher &operator=(const RecordingLauncher &) = delete;

    bool startDetached(const QString &program, const QStringList &arguments) override {
        started.append(QStringList{program} + arguments);
        return true;
    }
};

// The shared user session and clock while it lives: the moment and the account's full name the test
// sets, 9:00 on 14 March 2026 for "Ana Souza" until it changes them.
class FixedSession : public platform::UserSession {
public:
    FixedClock clock; // 9:00 on 14 March 2026
    QDateTime &at = clock.at;
    QString fullName = QStringLiteral("Ana Souza");

    FixedSession() { setSharedForTesting(this); }
    ~FixedSession() override { setSharedForTesting(nullptr); }
    FixedSession(const FixedSession &) = delete;
    FixedSession &operator=(const FixedSession &) = delete;

    QString accountFullName() override { return fullName; }
};

// Puts fakes in place of the platform's clipboard, save panel and alerts while it lives.
class PlatformFakes {
public:
    PlatformFakes() {
        platform::Pasteboard::setSharedForTesting(&pasteboard);
        platform::SavePanel::setSharedForTesting(&savePanel);
        platform::AlertPresenter::setSharedForTesting(&alerts);
    }
    ~PlatformFakes() {
        platform::Pasteboard::setSharedForTesting(nullptr);
        platform::SavePanel::setSharedForTesting(nullptr);
        platform::AlertPresenter::setSharedForTesting(nullptr);
    }
    PlatformFakes(const PlatformFakes &) = delete;
    PlatformFakes &operator=(const PlatformFakes &) = delete;

    RecordingPasteboard pasteboard;
    FakeSavePanel savePanel;
    FakeAlerts alerts;
};

} // namespace testsupport
