#include "support/Waiting.h"

#include <QAbstractAnimation>
#include <QApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QThreadPool>
#include <QWidget>

namespace testsupport {

bool becomes(const std::function<bool()> &state) { return QTest::qWaitFor(state, patienceMs); }

bool received(QSignalSpy &spy, qsizetype count) {
    return QTest::qWaitFor([&] { return spy.size() >= count; }, patienceMs);
}

void finishAnimations(QObject &root) {
    // Finishing one may start another (a fade out that hides, a slide that reveals): go round until
    // none runs.
    for (int round = 0; round < 16; ++round) {
        QList<QAbstractAnimation *> running = root.findChildren<QAbstractAnimation *>();
        if (auto *self = qobject_cast<QAbstractAnimation *>(&root)) running << self;
        bool any = false;
        for (QAbstractAnimation *animation : running) {
            if (animation->state() == QAbstractAnimation::Stopped || animation->totalDuration() < 0) continue;
            any = true;
            // Setting the time to the end stops it the way its timer would: the end value, then finished().
            animation->setCurrentTime(
                animation->direction() == QAbstractAnimation::Forward ? animation->totalDuration() : 0);
        }
        QCoreApplication::sendPostedEvents();
        if (!any) return;
    }
}

void finishAllAnimations() {
    for (QWidget *window : QApplication::topLevelWidgets()) finishAnimations(*window);
}

void settle() {
    const QDeadlineTimer deadline(patienceMs);
    int quietRounds = 0;
    // Idle means: the pool has nothing running and two rounds of the event loop in a row found nothing
    // to do that the pool then picked up.
    while (quietRounds < 2 && !deadline.hasExpired()) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (QThreadPool::globalInstance()->activeThreadCount() > 0) {
            quietRounds = 0;
            QThread::msleep(2);
        } else {
            ++quietRounds;
        }
    }
}

} // namespace testsupport
