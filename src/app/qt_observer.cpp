#include "app/qt_observer.h"

#include <QMetaObject>
#include <QThread>

#include "app/widgets/text.h"

namespace brevio::app {

template <class Emit>
void QtObserver::Post(Emit emitOnUiThread) {
    // On the object's own thread the signal goes at once (start-up reports from the UI thread
    // before the event loop runs); from any other thread it is queued.
    if (QThread::currentThread() == thread()) {
        emitOnUiThread();
    } else {
        QMetaObject::invokeMethod(this, std::move(emitOnUiThread), Qt::QueuedConnection);
    }
}

void QtObserver::StatusText(int pane, std::string_view text) {
    Post([this, pane, t = Q(text)] { emit statusText(pane, t); });
}

void QtObserver::ReceptionFinished(int result) {
    Post([this, result] { emit receptionFinished(result); });
}

void QtObserver::Message(std::string_view text, std::string_view title, int icon) {
    Post([this, t = Q(text), c = Q(title), icon] { emit message(t, c, icon); });
}

void QtObserver::RadarProgress(std::string_view text) {
    Post([this, t = Q(text)] { emit radarProgress(t); });
}

void QtObserver::RefreshNavigation(int code) {
    Post([this, code] { emit refreshNavigation(code); });
}

void QtObserver::ShowBulletin(std::string_view title, std::string_view time,
                              std::string_view category, std::string_view content) {
    Post([this, a = Q(title), b = Q(time), c = Q(category), d = Q(content)] {
        emit bulletin(a, b, c, d);
    });
}

void QtObserver::SplashText(std::string_view text) {
    Post([this, t = Q(text)] { emit splashText(t); });
}

void QtObserver::RadarNotice(const radar::ChangeNotice& notice) {
    Post([this, t = Q(notice.text), l = Q(notice.link), n = notice.count] {
        emit radarNotice(t, l, n);
    });
}

}  // namespace brevio::app
