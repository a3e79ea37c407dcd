#pragma once

#include <QWidget>

namespace platform {
class UserDefaults;
}

// The strip at the top of the main window that tells, once, that the settings file could not be read
// at start: it was kept aside under the name it gives and the defaults apply (the onboarding and every
// preference start over). Hidden when the file was read; the user closes it.
class SettingsNotice : public QWidget {
    Q_OBJECT
public:
    explicit SettingsNotice(const platform::UserDefaults &defaults, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};
