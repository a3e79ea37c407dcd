#pragma once

#include <QWidget>

#include <gtest/gtest.h>

#include <string>

namespace testsupport {

// Everything `widget` shows lies inside it, and no two of its shown children cover one another, all the
// way down.
inline void expectLaidOutApart(QWidget *widget, const std::string &where) {
    QList<QWidget *> shown;
    for (QObject *child : widget->children())
        if (auto *w = qobject_cast<QWidget *>(child); w && !w->isWindow() && w->isVisible()) shown.append(w);
    const auto name = [](QWidget *w) {
        return std::string(w->metaObject()->className()) + " " + w->objectName().toStdString();
    };
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const QRect box = shown[i]->geometry();
        EXPECT_TRUE(widget->rect().contains(box)) << where << ": " << name(shown[i]) << " leaves " << name(widget);
        for (qsizetype j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(box.intersects(shown[j]->geometry()))
                << where << ": " << name(shown[i]) << " covers " << name(shown[j]);
        expectLaidOutApart(shown[i], where);
    }
}

} // namespace testsupport
