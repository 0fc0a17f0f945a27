// CMainFrame: the main window. Menus, accelerators, the dialog bar with the user, the
// three-pane status bar fed by the core from any thread, the tray icon with its blinking, the
// side bar with the portal folders, the navigation tree, the browser view; the close box hides,
// only the exit command ends the program (after its checks and the core's exit sequence).
#pragma once

#include <QMainWindow>
#include <QSystemTrayIcon>
#include <map>
#include <optional>

#include "client/client_core.h"
#include "client/navigation_tree.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTimer;
class QToolBar;

namespace brevio::ui {
class CBulletinWindow;
class CNewsListView;
class FindBar;
}  // namespace brevio::ui

namespace brevio::app {

class BrowserView;
class NavigationView;
class OutBar;
class QtObserver;
class TaskbarNotifier;
class SkinEngine;

class MainFrame : public QMainWindow {
    Q_OBJECT
  public:
    // Command ids of the menus and accelerators.
    enum Command {
        kReceiveCategory = 32773,
        kReceiveAll = 32775,
        kReceivePublic = 32802,
        kReceiveTrade = 32794,
        kReceiveRegion = 32795,
        kStopReception = 32779,
        kLoginSettings = 32780,
        kRegister = 32772,
        kNetSettings = 32811,
        kPublish = 32862,
        kForum = 32999,
        kHomePage = 32816,
        kHelp = 32807,
        kAbout = 57664,
        kExit = 57665,
        kOtherSkin = 32867,
        kToggleFindBar = 32818,
        kSmallIcons = 50000,
        kLargeIcons = 50001,
        kProperties = 32774,
        kWebsites = 32841,
        kAutoSearch = 32842,
        kChooseCategories = 32777,
        kSubscriptionTrees = 32825,
        kOrganizeFavorites = 32801,
        kPersonalSubscription = 243,
        kFindLocal = 1158,
        kFindWeb = 1159,
        kFindDefault = 1,
        kConversionSettings = 32815,
        kOptions = 32823,
        kStatistics = 32809,
        kAddWebsite = 32771,
        kSpecialConversion = 32859,
    };

    MainFrame(client::ClientCore& core, QtObserver& observer, SkinEngine& skin,
              QString skinPath, QWidget* parent = nullptr);
    ~MainFrame() override;

    // Runs a command as its menu item or accelerator does.
    void RunCommand(int command);
    QAction* Action(int command) const;

    // The exit command: the checks (reception running, items waiting), then the exit
    // sequence. False when the user or the checks kept the program running.
    bool Exit();

    // Rebuilds what a refresh code names (the navigation refresh message).
    void Refresh(int code);

    // For tests and the screenshot run.
    QString StatusPaneText(int pane) const;
    QLabel* DialogBarUser() const { return userLabel_; }
    NavigationView* Navigation() const { return navigation_; }
    OutBar* SideBar() const { return outBar_; }
    BrowserView* Browser() const { return browser_; }
    QSystemTrayIcon* Tray() const { return tray_; }
    QMenu* SettingsMenu() const { return settingsMenu_; }
    ui::FindBar* FindBarWidget() const { return findBar_; }
    ui::CNewsListView* NewsList() const { return newsList_; }
    TaskbarNotifier* Notifier() const { return notifier_; }
    QWidget* ChangeStrip() const { return changeStrip_; }
    bool Blinking() const;
    bool BlinkIconShown() const { return blinkIconShown_; }
    void StartBlinking();
    void StopBlinking();
    QWidget* NewsListSlot() const { return listSlot_; }
    // Where the news list view goes (the list pane above the content pane).
    void SetNewsListView(QWidget* view);
    // The browser view's page is a portal settings page; `reloadIndex` is reloaded when the
    // view shows something else.
    void OpenSettingsPage(int command);

  signals:
    // A navigation leaf was selected: the news list shows its news file.
    void NewsFileSelected(const client::NavNode& node);

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void BuildMenus();
    void BuildToolBar();
    void BuildStatusBar();
    void BuildDialogBar();
    void BuildTray();
    void BuildSideBar();
    void FillPortalFolder(int folder);
    void RebuildBranch(int part);
    void OnNodeSelected(const client::NavNode& node);
    void OnSideBarEntry(int folder, int entry);
    void OnTrayActivated(QSystemTrayIcon::ActivationReason reason);
    void OnRadarNotice(const QString& text, const QString& link, int count);
    void ShowInBrowser(const QUrl& url);
    void ReloadPendingSection();
    void ReceiveSelected();
    void ShowHelp();
    void ChooseSkin(const QString& path);
    void UpdateStopCommand();
    void StopCore();
    void ShowChangeContent();
    QAction* AddCommand(QMenu* menu, int command, const QString& text,
                        const QKeySequence& shortcut = {});

    client::ClientCore& core_;
    QtObserver& observer_;
    SkinEngine& skin_;
    QString skinPath_;
    bool exitFlag_ = false;
    std::map<int, QAction*> actions_;
    QMenu* settingsMenu_ = nullptr;
    QMenu* skinMenu_ = nullptr;
    QLabel* panes_[3] = {};
    QLabel* userLabel_ = nullptr;
    QToolBar* dialogBar_ = nullptr;
    OutBar* outBar_ = nullptr;
    NavigationView* navigation_ = nullptr;
    BrowserView* browser_ = nullptr;
    QWidget* changeStrip_ = nullptr;
    TaskbarNotifier* notifier_ = nullptr;
    ui::FindBar* findBar_ = nullptr;
    ui::CNewsListView* newsList_ = nullptr;
    ui::CBulletinWindow* bulletin_ = nullptr;
    QWidget* listSlot_ = nullptr;
    QSplitter* rightSplit_ = nullptr;
    QSystemTrayIcon* tray_ = nullptr;
    QTimer* blinkTimer_ = nullptr;
    bool blinkIconShown_ = false;
    QTimer* stopTimer_ = nullptr;
    std::optional<int> pendingReload_;  // settings page open in the browser view
    int statusRequest_ = 0;             // the newest node status line being counted
};

// The two tray icons (resources 128 and 261 of the original): drawn, not loaded.
QIcon TrayIcon(bool blink);

}  // namespace brevio::app
