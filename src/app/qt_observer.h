// The desktop client's observer of the client core: whatever thread the core reports from, the
// report is posted to the user-interface thread and comes out there as a signal, in the order
// it was posted. No reporting thread ever waits for the window.
#pragma once

#include <QObject>
#include <QString>

#include "client/client_observer.h"

namespace brevio::app {

class QtObserver : public QObject, public client::ClientObserver {
    Q_OBJECT
  public:
    explicit QtObserver(QObject* parent = nullptr) : QObject(parent) {}

    void StatusText(int pane, std::string_view text) override;
    void ReceptionFinished(int result) override;
    void Message(std::string_view text, std::string_view title, int icon) override;
    void RadarChanged(std::string_view, std::string_view, int) override {}
    void RadarProgress(std::string_view text) override;
    void RefreshNavigation(int code) override;
    void ShowBulletin(std::string_view title, std::string_view time, std::string_view category,
                      std::string_view content) override;
    void SplashText(std::string_view text) override;
    void RadarNotice(const radar::ChangeNotice& notice) override;

  signals:
    void statusText(int pane, const QString& text);
    void receptionFinished(int result);
    void message(const QString& text, const QString& title, int icon);
    void radarProgress(const QString& text);
    void refreshNavigation(int code);
    void bulletin(const QString& title, const QString& time, const QString& category,
                  const QString& content);
    void splashText(const QString& text);
    void radarNotice(const QString& text, const QString& link, int count);

  private:
    template <class Emit>
    void Post(Emit emitOnUiThread);
};

}  // namespace brevio::app
