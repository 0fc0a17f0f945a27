#include "app/widgets/background.h"

#include <QList>

namespace brevio::app {
namespace {

QList<QPointer<QThread>>& Threads() {
    static QList<QPointer<QThread>> threads;
    return threads;
}

}  // namespace

void TrackBackgroundThread(QThread* thread) {
    Threads().append(thread);
    QObject::connect(thread, &QThread::finished, thread, [thread] {
        Threads().removeAll(QPointer<QThread>(thread));
        thread->deleteLater();
    });
}

void WaitForBackgroundWork() {
    const QList<QPointer<QThread>> threads = Threads();
    for (const QPointer<QThread>& t : threads) {
        if (t) t->wait();
    }
}

int BackgroundWorkRunning() {
    int running = 0;
    for (const QPointer<QThread>& t : Threads()) running += (t && t->isRunning()) ? 1 : 0;
    return running;
}

}  // namespace brevio::app
