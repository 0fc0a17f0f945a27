// Work off the user-interface thread: `work` runs on a thread of its own, then `done` runs on
// the user-interface thread with its result (unless `context` is gone by then). The main
// window waits for work still running before the core it uses goes away.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <functional>

namespace brevio::app {

// Threads of RunInBackground not yet finished are tracked here (user-interface thread only).
void TrackBackgroundThread(QThread* thread);
// Waits until every background thread has finished (at exit, before the core stops).
void WaitForBackgroundWork();
int BackgroundWorkRunning();

template <class Result>
void RunInBackground(QObject* context, std::function<Result()> work,
                     std::function<void(Result)> done) {
    QPointer<QObject> guard(context);
    QThread* thread = QThread::create([guard, work = std::move(work), done = std::move(done)] {
        Result result = work();
        if (!guard) return;
        QMetaObject::invokeMethod(
            guard.data(),
            [guard, done, result] {
                if (guard && done) done(result);
            },
            Qt::QueuedConnection);
    });
    TrackBackgroundThread(thread);
    thread->start(QThread::LowPriority);
}

}  // namespace brevio::app
