#pragma once

#include "core/Notifier.h"

#include <QList>
#include <QString>

#include <optional>

namespace testsupport {

// The shared notifier while it lives: records every notice instead of showing a toast.
struct RecordingNotifier : Notifier {
    QList<Notice> told;

    RecordingNotifier() { setSharedForTesting(this); }
    ~RecordingNotifier() override { setSharedForTesting(nullptr); }
    RecordingNotifier(const RecordingNotifier &) = delete;
    RecordingNotifier &operator=(const RecordingNotifier &) = delete;

    void notify(const Notice &notice) override { told.append(notice); }

    // The last notice as a toast names its window, "title — subtitle"; "" when none was told.
    QString last() const {
        if (told.isEmpty()) return {};
        const Notice &notice = told.last();
        return notice.subtitle.isEmpty() ? notice.title : notice.title + QStringLiteral(" — ") + notice.subtitle;
    }
    std::optional<ToastKind> lastKind() const {
        return told.isEmpty() ? std::nullopt : std::optional(told.last().kind);
    }
};

} // namespace testsupport
