#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QEventLoop>
#include <QPointer>
#include <QUrl>

#include "app/navigation_view.h"
#include "app/out_bar.h"
#include "app/qt_observer.h"
#include "app/taskbar_notifier.h"
#include "app/skin_engine.h"
#include "app/widgets/background.h"
#include "app/widgets/browser_view.h"
#include "app/widgets/message_boxes.h"
#include "app/widgets/text.h"
#include "client/main_window_logic.h"
#include "net/subscription_lists.h"
#include "radar/target_files.h"
#include "settings/keys.h"
#include "platform/fs.h"
#include "settings/registry_values.h"
#include "store/news_file.h"
#include "ui/net/login_dialog.h"
#include "ui/net/subscription_dialogs.h"
#include "ui/conversion/conversion_dialogs.h"
#include "ui/news/add_website_dialog.h"
#include "ui/news/find_bar.h"
#include "ui/news/options_dialog.h"
#include "ui/news/statistics_dialog.h"
#include "ui/news/news_list_view.h"
#include "ui/reference/bulletin_window.h"
#include "ui/portal/web_settings_dialog.h"
#include "ui/store/folder_dialogs.h"
#include "ui/net/net_settings_dialog.h"

namespace brevio::app {
namespace {

constexpr int kBlinkMs = 500;
constexpr int kStopPollMs = 300;
constexpr int kRadarFolder = 0;
constexpr int kTrayIconSize = 64;

// The side-bar folders of the portal sections, in index order.
struct PortalFolder {
    portal::Section section;
    const char* label;  // UTF-8
};
constexpr PortalFolder kPortalFolders[] = {
    {portal::Section::kRadar, "信息雷达"},  {portal::Section::kMyNews, "自选新闻"},
    {portal::Section::kMyStock, "自选股票"}, {portal::Section::kInformationRelease, "信息发布"},
    {portal::Section::kMyWeb, "我的网站"},  {portal::Section::kMyBlog, "我的博客"},
    {portal::Section::kMyEmail, "我的E-mail"},
};

}  // namespace

QIcon TrayIcon(bool blink) {
    QPixmap pixmap(kTrayIconSize, kTrayIconSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(blink ? QColor(0xe0, 0x40, 0x30) : QColor(0x1f, 0x5a, 0xa6));
    p.setPen(Qt::NoPen);
    p.drawRoundedRect(4, 4, kTrayIconSize - 8, kTrayIconSize - 8, 12, 12);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(40);
    font.setBold(true);
    p.setFont(font);
    p.drawText(pixmap.rect(), Qt::AlignCenter, QStringLiteral("B"));
    return QIcon(pixmap);
}

MainFrame::MainFrame(client::ClientCore& core, QtObserver& observer, SkinEngine& skin,
                     QString skinPath, QWidget* parent)
    : QMainWindow(parent), core_(core), observer_(observer), skin_(skin),
      skinPath_(std::move(skinPath)) {
    setWindowTitle(U("Brevio 资讯"));
    setWindowIcon(TrayIcon(false));
    BuildMenus();
    BuildToolBar();
    BuildDialogBar();
    BuildStatusBar();

    // Side bar | navigation tree | news list above the content pane.
    auto* split = new QSplitter(Qt::Horizontal, this);
    outBar_ = new OutBar(split);
    navigation_ = new NavigationView(split);
    rightSplit_ = new QSplitter(Qt::Vertical, split);
    listSlot_ = new QWidget(rightSplit_);
    auto* listLayout = new QHBoxLayout(listSlot_);
    listLayout->setContentsMargins(0, 0, 0, 0);
    // The content pane: the strip with the "变化内容" button (shown for a radar page) above the
    // browser view.
    auto* content = new QWidget(rightSplit_);
    auto* contentLayout = new QVBoxLayout(content);
    contentLayout->setContentsMargins(0, 0, 0, 0);
    contentLayout->setSpacing(0);
    changeStrip_ = new QWidget(content);
    auto* stripLayout = new QHBoxLayout(changeStrip_);
    stripLayout->setContentsMargins(4, 0, 4, 0);
    auto* changeButton = new QPushButton(U("变化内容"), changeStrip_);
    changeButton->setObjectName(QStringLiteral("changeContent"));
    changeButton->setFixedHeight(20);
    stripLayout->addWidget(changeButton);
    stripLayout->addStretch();
    changeStrip_->setFixedHeight(20);
    changeStrip_->setVisible(false);
    connect(changeButton, &QPushButton::clicked, this, &MainFrame::ShowChangeContent);
    browser_ = BrowserView::Create(content);
    contentLayout->addWidget(changeStrip_);
    contentLayout->addWidget(browser_, 1);
    notifier_ = new TaskbarNotifier(this);
    findBar_->SetPanes(rightSplit_, browser_);

    // The news list above the content pane: a navigation leaf opens its news file, the find
    // bar's hits replace the rows.
    newsList_ = new ui::CNewsListView(core_, browser_, listSlot_);
    SetNewsListView(newsList_);
    connect(newsList_, &ui::CNewsListView::ItemShown, this, [this] { changeStrip_->setVisible(false); });
    newsList_->SetFavouriteChooser(
        [this](QWidget* parent) { return ui::ChooseFavourite(parent, core_.FolderLists()); });
    connect(this, &MainFrame::NewsFileSelected, newsList_, [this](const client::NavNode& node) {
        if (auto file = client::NewsFileOf(node)) newsList_->OpenNewsFile(file->kind, file->base);
    });
    connect(findBar_, &ui::FindBar::SearchStarted, newsList_, [this] { newsList_->Clear(); });
    connect(findBar_, &ui::FindBar::HitsFound, newsList_,
            [this](const std::shared_ptr<const store::LocalSearchResult>& result) {
                if (result) newsList_->ShowSearchHits(*result);
            });
    split->setStretchFactor(0, 0);
    split->setStretchFactor(1, 0);
    split->setStretchFactor(2, 1);
    split->setSizes({170, 220, 900});
    rightSplit_->setSizes({300, 400});
    setCentralWidget(split);

    BuildSideBar();
    for (int part : {10, 12, 11, 8}) Refresh(part);
    BuildTray();

    connect(navigation_, &NavigationView::NodeSelected, this, &MainFrame::OnNodeSelected);
    connect(outBar_, &OutBar::EntryClicked, this, &MainFrame::OnSideBarEntry);
    connect(&observer_, &QtObserver::statusText, this, [this](int pane, const QString& text) {
        if (pane >= 0 && pane < 3) panes_[pane]->setText(text);
    });
    connect(&observer_, &QtObserver::refreshNavigation, this, &MainFrame::Refresh);
    connect(&observer_, &QtObserver::receptionFinished, this, &MainFrame::UpdateStopCommand);
    connect(&observer_, &QtObserver::message, this,
            [this](const QString& text, const QString& title, int icon) {
                ShowMessage(this, G(text), G(title),
                            static_cast<platform::MessageBoxSink::Icon>(icon));
            });
    connect(&observer_, &QtObserver::radarNotice, this, &MainFrame::OnRadarNotice);
    bulletin_ = ui::CreateBulletinWindow(this, core_);
    connect(&observer_, &QtObserver::bulletin, bulletin_, &ui::CBulletinWindow::ShowBulletin);

    stopTimer_ = new QTimer(this);
    connect(stopTimer_, &QTimer::timeout, this, &MainFrame::UpdateStopCommand);
    stopTimer_->start(kStopPollMs);
    UpdateStopCommand();
}

MainFrame::~MainFrame() = default;

QAction* MainFrame::AddCommand(QMenu* menu, int command, const QString& text,
                               const QKeySequence& shortcut) {
    auto* action = new QAction(text, this);
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    action->setData(command);
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
    if (menu) menu->addAction(action);
    actions_[command] = action;
    addAction(action);  // the accelerator works wherever the focus is
    return action;
}

QAction* MainFrame::Action(int command) const {
    auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

void MainFrame::BuildMenus() {
    settingsMenu_ = menuBar()->addMenu(U("设置"));
    QMenu* personal = settingsMenu_->addMenu(U("个人设置"));
    for (client::SettingsPage page : client::kAllSettingsPages) {
        const client::SettingsPageInfo& info = client::PageInfo(page);
        QString caption = Q(client::SettingsPageCaption(page));
        if (caption.startsWith(U("设置"))) caption = caption.mid(2);
        AddCommand(personal, info.command, caption);
    }
    personal->addSeparator();
    AddCommand(personal, kLoginSettings, U("登录设置"));
    AddCommand(personal, kPublish, U("信息发布"));
    QMenu* system = settingsMenu_->addMenu(U("系统设置"));
    AddCommand(system, kNetSettings, U("网络设置"));
    AddCommand(system, kChooseCategories, U("定制新闻"));
    AddCommand(system, kSubscriptionTrees, U("新闻订制"));
    AddCommand(system, kWebsites, U("定制网站"));
    AddCommand(system, kAutoSearch, U("设置自动接收"));
    AddCommand(system, kProperties, U("属性"));
    system->addSeparator();
    AddCommand(system, kOptions, U("选项..."));
    AddCommand(system, kStatistics, U("新闻统计"));
    AddCommand(system, kAddWebsite, U("添加网站"));
    AddCommand(system, kConversionSettings, U("转换设置"));
    AddCommand(system, kSpecialConversion, U("将新闻转换至串口或USB"));
    system->addSeparator();
    AddCommand(system, kOrganizeFavorites, U("整理收藏夹"));
    AddCommand(system, kPersonalSubscription, U("个性化订阅"));
    settingsMenu_->addSeparator();
    AddCommand(settingsMenu_, kExit, U("退出Brevio(&X)"));

    QMenu* receive = menuBar()->addMenu(U("接收"));
    AddCommand(receive, kReceiveCategory, U("接收新闻"), QKeySequence(Qt::CTRL | Qt::Key_R));
    AddCommand(receive, kReceiveAll, U("接收所有选择类别的新闻"), QKeySequence(Qt::Key_F4));
    AddCommand(receive, kReceivePublic, U("接收大众新闻"), QKeySequence(Qt::Key_F5));
    AddCommand(receive, kReceiveTrade, U("接收行业新闻"), QKeySequence(Qt::Key_F6));
    AddCommand(receive, kReceiveRegion, U("接收地区新闻"), QKeySequence(Qt::Key_F7));
    receive->addSeparator();
    AddCommand(receive, kStopReception, U("停止接收新闻"));
    QAction* findBar = AddCommand(receive, kToggleFindBar, U("查找栏"));
    findBar->setCheckable(true);

    skinMenu_ = menuBar()->addMenu(U("界面风格"));
    int count = 0;
    const SkinPreset* presets = SkinPresets(count);
    const std::string programFolder = core_.Settings().programFolder;
    for (int i = 0; i < count; ++i) {
        QAction* a = AddCommand(skinMenu_, presets[i].command, U(presets[i].menuText));
        a->setCheckable(true);
        a->setChecked(QPath(programFolder + presets[i].file) == skinPath_ ||
                      Q(programFolder + presets[i].file) == skinPath_);
    }
    skinMenu_->addSeparator();
    AddCommand(skinMenu_, kOtherSkin, U("其他风格..."));

    QMenu* help = menuBar()->addMenu(U("帮助"));
    AddCommand(help, kHelp, U("帮助主题"));
    AddCommand(help, kForum, U("技术论坛"));
    AddCommand(help, kHomePage, U("公司主页"));
    AddCommand(help, kRegister, U("用户注册"));
    help->addSeparator();
    AddCommand(help, kAbout, U("关于Brevio (&A)..."));

    AddCommand(nullptr, kFindLocal, U("搜索"));
    AddCommand(nullptr, kFindWeb, U("网上搜索"));
    AddCommand(nullptr, kFindDefault, U("搜索"));
    // Side-bar icon sizes (its context menu offers them too).
    AddCommand(nullptr, kLargeIcons, U("大图标"));
    AddCommand(nullptr, kSmallIcons, U("小图标"));
}

void MainFrame::BuildToolBar() {
    QToolBar* bar = addToolBar(U("接收"));
    bar->setObjectName(QStringLiteral("receiveBar"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    for (int command : {kReceiveCategory, kReceiveAll, kReceivePublic, kStopReception}) {
        bar->addAction(Action(command));
    }
}

void MainFrame::BuildDialogBar() {
    dialogBar_ = new QToolBar(U("查找栏"), this);
    dialogBar_->setObjectName(QStringLiteral("dialogBar"));
    userLabel_ = new QLabel(Q(core_.Settings().userId) + U("(在线)"), dialogBar_);
    userLabel_->setObjectName(QStringLiteral("userOnline"));
    userLabel_->setContentsMargins(8, 0, 8, 0);
    dialogBar_->addWidget(userLabel_);
    auto* change = new QPushButton(U("变化内容"), dialogBar_);
    connect(change, &QPushButton::clicked, this, [this] { ShowChangeContent(); });
    dialogBar_->addWidget(change);
    findBar_ = new ui::FindBar(core_, dialogBar_);
    dialogBar_->addWidget(findBar_);
    addToolBar(Qt::TopToolBarArea, dialogBar_);
    insertToolBarBreak(dialogBar_);  // a row of its own, so the find bar is never cut off
    const bool visible =
        settings::ReadInt(settings::keys::kVisibleFindWindow,
                          settings::keys::kVisibleFindWindowDefault) != 0;
    dialogBar_->setVisible(visible);
    Action(kToggleFindBar)->setChecked(visible);
}

void MainFrame::BuildStatusBar() {
    for (int i = 0; i < 3; ++i) {
        panes_[i] = new QLabel(this);
        panes_[i]->setObjectName(QStringLiteral("statusPane%1").arg(i));
        panes_[i]->setMinimumWidth(i == 0 ? 400 : 150);
        statusBar()->addWidget(panes_[i], i == 0 ? 1 : 0);
    }
}

void MainFrame::SetNewsListView(QWidget* view) {
    listSlot_->layout()->addWidget(view);
}

QString MainFrame::StatusPaneText(int pane) const {
    return pane >= 0 && pane < 3 ? panes_[pane]->text() : QString();
}

void MainFrame::BuildTray() {
    tray_ = new QSystemTrayIcon(TrayIcon(false), this);
    tray_->setToolTip(QStringLiteral("Brevio"));
    connect(tray_, &QSystemTrayIcon::activated, this, &MainFrame::OnTrayActivated);
    tray_->show();
    blinkTimer_ = new QTimer(this);
    blinkTimer_->setInterval(kBlinkMs);
    connect(blinkTimer_, &QTimer::timeout, this, [this] {
        blinkIconShown_ = !blinkIconShown_;
        tray_->setIcon(TrayIcon(blinkIconShown_));
    });
}

bool MainFrame::Blinking() const {
    return blinkTimer_->isActive();
}

void MainFrame::StartBlinking() {
    if (!blinkTimer_->isActive()) blinkTimer_->start();
}

void MainFrame::StopBlinking() {
    blinkTimer_->stop();
    if (blinkIconShown_) {
        blinkIconShown_ = false;
        tray_->setIcon(TrayIcon(false));
    }
}

void MainFrame::OnTrayActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick) {
        showMaximized();
        activateWindow();
    } else if (reason == QSystemTrayIcon::Context) {
        showMaximized();
        settingsMenu_->popup(QCursor::pos());
    }
}

void MainFrame::BuildSideBar() {
    for (const PortalFolder& f : kPortalFolders) outBar_->AddFolder(U(f.label));
    for (int i = 0; i < static_cast<int>(std::size(kPortalFolders)); ++i) FillPortalFolder(i);
}

void MainFrame::FillPortalFolder(int folder) {
    QStringList labels;
    if (folder == kRadarFolder) {
        for (const radar::RadarTarget& t : core_.RadarList().Targets()) {
            labels << (t.changeCount != 0 ? Q(t.name) + QStringLiteral("(%1)").arg(t.changeCount)
                                          : Q(t.name));
        }
    } else {
        for (const portal::PortalItem& item :
             core_.Portal().Items(kPortalFolders[folder].section)) {
            labels << Q(item.title);
        }
    }
    outBar_->FillFolder(folder, labels);
}

void MainFrame::Refresh(int code) {
    const int open = outBar_->OpenFolder();
    for (client::NavigationPart part : client::PartsToRebuild(code)) {
        switch (part) {
            case client::NavigationPart::kRadarFolder:
                FillPortalFolder(kRadarFolder);
                break;
            case client::NavigationPart::kMyNewsFolder:
                FillPortalFolder(1);
                break;
            case client::NavigationPart::kMyStockFolder:
                FillPortalFolder(2);
                break;
            case client::NavigationPart::kPublicTree:
                if (findBar_) findBar_->RefillCategories();
                navigation_->SetBranch(NavigationView::kPublic,
                                       client::BuildPublicBranch(*core_.Tables().Kinds(),
                                                                 *core_.Tables().PublicCategories()));
                break;
            case client::NavigationPart::kTradeTree:
                if (findBar_) findBar_->RefillCategories();
                navigation_->SetBranch(NavigationView::kTrade,
                                       client::BuildTradeBranch(*core_.Tables().Trades()));
                break;
            case client::NavigationPart::kRegionTree:
                if (findBar_) findBar_->RefillCategories();
                navigation_->SetBranch(NavigationView::kRegion,
                                       client::BuildRegionBranch(*core_.Tables().Regions()));
                break;
            case client::NavigationPart::kFavoritesFolder:
                navigation_->SetBranch(NavigationView::kFavorites,
                                       client::BuildFavoritesBranch(*core_.Favorites().Get()));
                break;
            case client::NavigationPart::kSubscriptionFolder:
                navigation_->SetBranch(
                    NavigationView::kSubscriptions,
                    client::BuildSubscriptionsBranch(*core_.Subscriptions().Get()));
                break;
        }
    }
    outBar_->SetOpenFolder(open);
}

void MainFrame::OnNodeSelected(const client::NavNode& node) {
    std::optional<client::NewsFileRef> file = client::NewsFileOf(node);
    if (!file) {
        panes_[0]->setText(Q(node.label));
        return;
    }
    emit NewsFileSelected(node);
    // The count comes from the news file's header, read off the user-interface thread.
    const int request = ++statusRequest_;
    const std::string folder = store::ResolveFolder(core_.Settings().contentFolder, file->kind);
    const std::string major = G(navigation_->MajorOfSelected());
    std::string lastUpdate;
    if (std::optional<client::NodeRecord> rec = client::RecordOf(node)) {
        auto ref = net::SubscriptionLists::RefFor(static_cast<net::Group>(rec->group), rec->code);
        if (auto r = core_.Lists().Get(ref); r && r->timeUpdate > 0) {
            const std::time_t t = static_cast<std::time_t>(r->timeUpdate);
            std::tm local{};
            localtime_r(&t, &local);
            char text[32];
            std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
            lastUpdate = text;
        }
    }
    const std::string base = file->base;
    RunInBackground<int>(
        this,
        [folder, base] {
            store::IndexHeader header;
            return store::ReadHeader(folder, base, header) == 0 ? header.liveCount : 0;
        },
        [this, request, node, major, lastUpdate](int count) {
            if (request != statusRequest_) return;  // another node was selected meanwhile
            panes_[0]->setText(Q(client::NodeStatusLine(node, count, major, lastUpdate)));
        });
}

void MainFrame::OnSideBarEntry(int folder, int entry) {
    if (folder == kRadarFolder) {
        std::optional<radar::RadarTarget> target = core_.RadarList().At(entry);
        if (!target) return;
        core_.RadarList().ResetChangeCount(entry);
        if (auto files = radar::FilesOfTarget(core_.RadarFolder(), target->name)) {
            platform::CopyFileAtomic(files->changeLog, files->changeLogCopy);
        }
        ShowInBrowser(QUrl::fromUserInput(Q(target->url)));
        changeStrip_->setVisible(true);
        FillPortalFolder(kRadarFolder);
        outBar_->SetOpenFolder(kRadarFolder);
        if (!core_.RadarList().AnyChanged()) StopBlinking();
        return;
    }
    if (folder <= 0 || folder >= static_cast<int>(std::size(kPortalFolders))) return;
    if (auto item = core_.Portal().ItemAt(kPortalFolders[folder].section, entry)) {
        ShowInBrowser(QUrl::fromUserInput(Q(item->link)));
    }
}

void MainFrame::OnRadarNotice(const QString& text, const QString& link, int) {
    notifier_->Notify(text, link);
    FillPortalFolder(kRadarFolder);
    StartBlinking();
}

void MainFrame::ShowChangeContent() {
    // Only for an entry selected in the open radar folder.
    const int entry = outBar_->SelectedEntry();
    if (outBar_->OpenFolder() != kRadarFolder || entry < 0) return;
    std::optional<radar::RadarTarget> target = core_.RadarList().At(entry);
    if (!target) return;
    core_.RadarList().ResetChangeCount(entry);
    if (auto files = radar::FilesOfTarget(core_.RadarFolder(), target->name)) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QPath(files->changeLogCopy)));
    }
    changeStrip_->setVisible(false);
    FillPortalFolder(kRadarFolder);
    outBar_->SetOpenFolder(kRadarFolder);
}

void MainFrame::ShowInBrowser(const QUrl& url) {
    ReloadPendingSection();
    changeStrip_->setVisible(false);
    browser_->Open(url);
}

void MainFrame::OpenSettingsPage(int command) {
    std::optional<client::SettingsPage> page = client::SettingsPageForCommand(command);
    if (!page) return;
    ReloadPendingSection();
    const settings::AppSettings& s = core_.Settings();
    const QUrl address(
        Q(client::SettingsPageAddress(*page, s.portalAddress, s.userId, s.password)));
    const client::SettingsPageInfo& info = client::PageInfo(*page);
#ifdef BREVIO_HAVE_WEBENGINE
    {
        ui::WebSettingsDialog dialog(info.dialogKind, this);
        dialog.SetTitle(Q(client::SettingsPageCaption(*page)));
        dialog.SetAddress(address);
        dialog.exec();
    }
    // However the dialog was closed, the portal may have changed the list.
    pendingReload_ = info.reloadIndex;
    ReloadPendingSection();
#else
    // Without a web engine the page shows in the browser view; the section is reloaded when
    // the view moves on.
    browser_->Open(address);
    pendingReload_ = info.reloadIndex;
#endif
}

void MainFrame::ReloadPendingSection() {
    if (!pendingReload_) return;
    const int index = *pendingReload_;
    pendingReload_.reset();
    client::ClientCore* core = &core_;
    RunInBackground<int>(
        this, [core, index] { return core->ReloadSection(index).result; },
        [this, index](int result) {
            if (result != client::kReloadOk) return;  // the core reported the failure
            if (index == 0) {
                StopBlinking();
                Refresh(client::kRefreshRadar);
            } else if (index == 1) {
                Refresh(client::kRefreshMyNews);
            } else if (index == 2) {
                Refresh(client::kRefreshMyStock);
            } else {
                for (int f = 0; f < static_cast<int>(std::size(kPortalFolders)); ++f) {
                    if (client::SectionForReloadIndex(index) == kPortalFolders[f].section) {
                        FillPortalFolder(f);
                    }
                }
            }
        });
}

void MainFrame::ReceiveSelected() {
    std::optional<client::NavNode> node = navigation_->SelectedNode();
    std::optional<client::NodeRecord> rec = node ? client::RecordOf(*node) : std::nullopt;
    if (!rec) {
        QMessageBox::warning(this, U("Brevio提示"), U("请选择要搜索的新闻类别"));
        return;
    }
    core_.Reception().ReceiveCategory(
        net::SubscriptionLists::RefFor(static_cast<net::Group>(rec->group), rec->code));
    UpdateStopCommand();
}

void MainFrame::UpdateStopCommand() {
    if (QAction* stop = Action(kStopReception)) stop->setEnabled(core_.ReceptionRunning());
}

void MainFrame::ShowHelp() {
    const QString path = QPath(client::HelpFilePath(core_.Settings().programFolder));
    if (!QFile::exists(path)) {
        QMessageBox::warning(this, U("Brevio提示"), U("找不到文件 %1。").arg(path));
        return;
    }
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) {
        QMessageBox::warning(this, U("Brevio提示"), U("无法打开文件 %1。").arg(path));
    }
}

void MainFrame::ChooseSkin(const QString& path) {
    skin_.Choose(G(path));
    settings::WriteString("Skin", G(path));
    skinPath_ = path;
    for (QAction* a : skinMenu_->actions()) {
        if (!a->isCheckable()) continue;
        int count = 0;
        const SkinPreset* presets = SkinPresets(count);
        for (int i = 0; i < count; ++i) {
            if (a->data().toInt() == presets[i].command) {
                a->setChecked(Q(core_.Settings().programFolder + presets[i].file) == path);
            }
        }
    }
}

void MainFrame::RunCommand(int command) {
    const settings::AppSettings& s = core_.Settings();
    auto& reception = core_.Reception();
    switch (command) {
        case kReceiveCategory:
            ReceiveSelected();
            return;
        case kReceiveAll:
            reception.ReceiveAllSelected();
            break;
        case kReceivePublic:
            reception.ReceivePublic();
            break;
        case kReceiveTrade:
            reception.ReceiveTrade();
            break;
        case kReceiveRegion:
            reception.ReceiveRegion();
            break;
        case kStopReception:
            reception.StopAll();
            break;
        case kLoginSettings:
            if (ui::EditLoginSettings(this, core_)) {
                userLabel_->setText(Q(core_.Settings().userId) + U("(在线)"));
            }
            return;
        case kNetSettings:
            ui::ShowNetSettings(this, core_);
            return;
        case kProperties:
            ui::ShowCategoryProperties(this, core_, navigation_->SelectedNode());
            return;
        case kWebsites:
            ui::ShowWebsites(this, core_, navigation_->SelectedNode());
            return;
        case kAutoSearch:
            ui::ShowAutoSearch(this, core_);
            return;
        case kChooseCategories:
            if (ui::ShowCategorySelection(this, core_)) core_.ApplyUserSelection();
            return;
        case kSubscriptionTrees:
            ui::ShowSubscriptionTrees(this, core_);
            return;
        case kOrganizeFavorites:
            ui::ShowFavoritesOrganizer(this, core_);
            return;
        case kPersonalSubscription:
            ui::ShowSubscriptionOrganizer(this, core_);
            return;
        case kFindLocal:
        case kFindDefault:
            findBar_->SearchLocal();
            return;
        case kFindWeb:
            findBar_->SearchWeb();
            return;
        case kOptions:
        {
            const std::string folder = core_.Settings().contentFolder;
            ui::ShowOptions(this, core_, [this](bool, int, int) { newsList_->update(); });
            // A new content folder: the open news file is shown from it (empty at first); rows
            // of another list (search hits) belong to the old folder and go.
            if (core_.Settings().contentFolder != folder) {
                if (std::optional<client::NavNode> node = navigation_->SelectedNode()) {
                    OnNodeSelected(*node);
                } else {
                    newsList_->Clear();
                }
            }
            return;
        }
        case kStatistics:
            ui::ShowNewsStatistics(this, core_);
            return;
        case kAddWebsite:
            ui::ShowAddWebsite(this, core_);
            return;
        case kConversionSettings:
            ui::ShowConversionSettings(this, core_);
            return;
        case kSpecialConversion:
            ui::ShowSpecialConversion(this, core_);
            return;
        case kRegister:
            QDesktopServices::openUrl(QUrl(Q(client::RegistrationAddress(s.portalAddress))));
            return;
        case kPublish:
            ShowInBrowser(QUrl(Q(client::PublishingAddress(s.portalAddress, s.userId, s.password))));
            return;
        case kForum:
            QDesktopServices::openUrl(QUrl(Q(client::ForumAddress(s.portalAddress))));
            return;
        case kHomePage:
            QDesktopServices::openUrl(QUrl(Q(client::HomePageAddress(s.portalAddress))));
            return;
        case kHelp:
            ShowHelp();
            return;
        case kAbout:
            QMessageBox::about(this, U("关于Brevio"),
                               U("Brevio 中文资讯客户端\n浏览器引擎: %1").arg(BrowserView::EngineName()));
            return;
        case kExit:
            Exit();
            return;
        case kToggleFindBar:
            dialogBar_->setVisible(!dialogBar_->isVisible());
            Action(kToggleFindBar)->setChecked(dialogBar_->isVisible());
            return;
        case kLargeIcons:
            outBar_->SetLargeIcons(true);
            return;
        case kSmallIcons:
            outBar_->SetLargeIcons(false);
            return;
        case kOtherSkin: {
            const QString path = QFileDialog::getOpenFileName(
                this, U("界面风格"), QString(),
                QStringLiteral("UI Resource Files (*.urf);;All Files (*)"));
            if (!path.isEmpty()) ChooseSkin(path);
            return;
        }
        default:
            break;
    }
    if (client::SettingsPageForCommand(command)) {
        OpenSettingsPage(command);
        return;
    }
    int count = 0;
    const SkinPreset* presets = SkinPresets(count);
    for (int i = 0; i < count; ++i) {
        if (presets[i].command == command) ChooseSkin(Q(s.programFolder + presets[i].file));
    }
    UpdateStopCommand();
}

bool MainFrame::Exit() {
    QtMessageBoxes boxes(this);
    client::ClientCore* core = &core_;
    if (!client::ConfirmExit(static_cast<std::size_t>(core_.Reception().Running()),
                             [core] { return core->ItemsWaiting(); }, boxes)) {
        return false;
    }
    StopBlinking();
    settings::WriteInt(settings::keys::kVisibleFindWindow, dialogBar_->isVisible() ? 1 : 0);
    StopCore();
    exitFlag_ = true;
    close();
    QApplication::quit();
    return true;
}

namespace {

// The clean-up at exit reports each job; the dialog shows its news file.
class DialogProgress : public store::CleanupProgress {
  public:
    explicit DialogProgress(QProgressDialog* dialog) : dialog_(dialog) {}
    void JobStarted(std::size_t, const store::CleanupJob& job) override {
        QPointer<QProgressDialog> dialog(dialog_);
        const QString text = U("整理过期新闻...\n") + Q(job.basePath);
        QMetaObject::invokeMethod(
            dialog_, [dialog, text] {
                if (dialog) dialog->setLabelText(text);
            },
            Qt::QueuedConnection);
    }

  private:
    QProgressDialog* dialog_;
};

}  // namespace

void MainFrame::StopCore() {
    // The exit sequence runs off the user-interface thread (the clean-up at exit may compact
    // many files) while a dialog shows how far it is.
    WaitForBackgroundWork();
    QProgressDialog dialog(U("正在退出..."), QString(), 0, 0, this);
    dialog.setWindowTitle(U("Brevio提示"));
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinimumDuration(300);
    DialogProgress progress(&dialog);
    QEventLoop loop;
    client::ClientCore* core = &core_;
    RunInBackground<int>(
        this,
        [core, &progress] {
            core->Stop(&progress);
            return 0;
        },
        [&loop](int) { loop.quit(); });
    loop.exec();
}

void MainFrame::closeEvent(QCloseEvent* event) {
    if (!exitFlag_) {
        // The close box only hides the window; the program stays in the notification area.
        event->ignore();
        hide();
        return;
    }
    tray_->hide();
    event->accept();
}

}  // namespace brevio::app
