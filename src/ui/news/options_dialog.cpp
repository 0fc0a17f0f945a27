#include "ui/news/options_dialog.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "app/widgets/message_boxes.h"
#include "app/widgets/text.h"
#include "client/client_core.h"
#include "reference/file_names.h"
#include "ui/reference/list_update_window.h"

namespace brevio::ui {

using app::G;
using app::Q;
using app::U;
using client::OptionsField;

namespace {

// Windows colour values are 0x00BBGGRR.
QColor ToQColor(int c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
int FromQColor(const QColor& c) {
    return c.red() | (c.green() << 8) | (c.blue() << 16);
}

void Tint(QPushButton* button, int colour) {
    button->setStyleSheet(QString("background-color: %1;").arg(ToQColor(colour).name()));
}

QSpinBox* Spin(const char* name, int low, int high, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setRange(low, high);
    return box;
}

}  // namespace

struct OptionsDialog::Views {
    client::ReadingOptions reading;
    client::PathOptions path;
    std::unique_ptr<client::UpdateOptions> update;
    std::unique_ptr<client::HistoryOptions> history;
    client::TuningOptions tuning;

    // 阅读
    QCheckBox* autoMark = nullptr;
    QSpinBox* markSeconds = nullptr;
    QPushButton* colours[4] = {};  // background, title, content, read
    QComboBox* titleSize = nullptr;
    QComboBox* contentSize = nullptr;
    // 路径
    QLineEdit* contentPath = nullptr;
    // 更新
    QCheckBox* updates[5] = {};
    // 历史新闻
    QSpinBox* regionRemain = nullptr;
    QSpinBox* tradeRemain = nullptr;
    QSpinBox* stockRemain = nullptr;
    QSpinBox* peopleRemain = nullptr;
    QRadioButton* when[3] = {};
    QCheckBox* bulletin = nullptr;
    // 搜索优化
    QSpinBox* threads = nullptr;
    QSlider* socketInterval = nullptr;
    QSlider* diskInterval = nullptr;
};

OptionsDialog::~OptionsDialog() = default;

OptionsDialog::OptionsDialog(OptionsDialogContext context, QWidget* parent)
    : QDialog(parent), context_(std::move(context)), views_(std::make_unique<Views>()) {
    Views& v = *views_;
    setWindowTitle(U("选项"));
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("pages");
    // Wide enough for the five page tabs side by side.
    tabs_->setUsesScrollButtons(false);
    const std::vector<std::string> titles = client::OptionsPageTitles();

    // ---- 阅读
    v.reading.Load();
    auto* reading = new QWidget(tabs_);
    v.autoMark = new QCheckBox(U("在新闻上停留"), reading);
    v.autoMark->setObjectName("autoMark");
    v.autoMark->setChecked(v.reading.autoMark);
    v.markSeconds = Spin("markSeconds", client::ReadingOptions::kMarkSecondsMin,
                         client::ReadingOptions::kMarkSecondsMax, reading);
    v.markSeconds->setValue(v.reading.markSeconds);
    v.markSeconds->setEnabled(v.reading.SecondsEnabled());
    connect(v.autoMark, &QCheckBox::toggled, this, [&v](bool on) {
        v.reading.autoMark = on;
        v.markSeconds->setEnabled(v.reading.SecondsEnabled());
    });
    auto* markRow = new QHBoxLayout;
    markRow->addWidget(v.autoMark);
    markRow->addWidget(v.markSeconds);
    markRow->addWidget(new QLabel(U("秒后标记成\"已读\""), reading));
    markRow->addStretch();
    int* colourValues[4] = {&v.reading.backgroundColor, &v.reading.titleColor,
                            &v.reading.contentColor, &v.reading.readColor};
    const char* colourNames[4] = {"backgroundColor", "titleColor", "contentColor", "readColor"};
    const char* colourLabels[4] = {"背景", "标题文字", "内容文字", "已读新闻的颜色:"};
    auto* colourForm = new QFormLayout;
    for (int i = 0; i < 4; ++i) {
        auto* button = new QPushButton(reading);
        button->setObjectName(colourNames[i]);
        button->setFixedWidth(48);
        Tint(button, *colourValues[i]);
        int* value = colourValues[i];
        connect(button, &QPushButton::clicked, this, [this, button, value] {
            QColor chosen = QColorDialog::getColor(ToQColor(*value), this);
            if (!chosen.isValid()) return;
            *value = FromQColor(chosen);
            Tint(button, *value);
        });
        v.colours[i] = button;
        colourForm->addRow(U(colourLabels[i]), button);
    }
    auto sizeList = [&](const char* name, int position) {
        auto* box = new QComboBox(reading);
        box->setObjectName(name);
        for (const std::string& s : client::ReadingOptions::FontSizeTexts()) box->addItem(Q(s));
        box->setCurrentIndex(position);
        return box;
    };
    v.titleSize = sizeList("titleSize", v.reading.titleSizePosition);
    v.contentSize = sizeList("contentSize", v.reading.contentSizePosition);
    colourForm->addRow(U("标题字号(px)"), v.titleSize);
    colourForm->addRow(U("内容字号(px)"), v.contentSize);
    auto* readingLayout = new QVBoxLayout(reading);
    readingLayout->addLayout(markRow);
    readingLayout->addLayout(colourForm);
    readingLayout->addStretch();
    tabs_->addTab(reading, Q(titles[0]));

    // ---- 路径
    v.path.Load(context_.contentFolder);
    auto* pathPage = new QWidget(tabs_);
    v.contentPath = new QLineEdit(Q(v.path.path), pathPage);
    v.contentPath->setObjectName("contentPath");
    v.contentPath->setMaxLength(static_cast<int>(client::PathOptions::kMaxLength));
    auto* browse = new QPushButton("...", pathPage);
    browse->setObjectName("browse");
    connect(browse, &QPushButton::clicked, this, [this, &v] {
        QString folder = QFileDialog::getExistingDirectory(
            this, Q(client::PathOptions::BrowseTitle()), v.contentPath->text());
        if (folder.isEmpty()) return;
        v.path.path = G(v.contentPath->text());
        if (auto refused = v.path.Choose(G(folder))) {
            app::ShowMessage(this, refused->text, refused->title, refused->icon);
            return;
        }
        v.contentPath->setText(Q(v.path.path));
    });
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(v.contentPath, 1);
    pathRow->addWidget(browse);
    auto* pathLayout = new QVBoxLayout(pathPage);
    pathLayout->addWidget(new QLabel(U("新闻内容存放路径:"), pathPage));
    pathLayout->addLayout(pathRow);
    pathLayout->addStretch();
    tabs_->addTab(pathPage, Q(titles[1]));

    // ---- 更新
    v.update = std::make_unique<client::UpdateOptions>(context_.pemloIni);
    v.update->Load();
    auto* updatePage = new QWidget(tabs_);
    auto* updateLayout = new QGridLayout(updatePage);
    bool* switches[5] = {&v.update->classify, &v.update->region, &v.update->trade,
                         &v.update->websites, &v.update->stock};
    const char* boxTexts[5] = {"自动更新新闻类别", "自动更新地区列表", "自动更新行业列表",
                               "自动更新网站列表", "自动更新股票列表"};
    const char* nowTexts[5] = {"立即更新新闻类别", "立即更新地区列表", "立即更新行业列表",
                               "立即更新网站列表", "立即更新股票列表"};
    const reference::RefreshList lists[5] = {
        reference::RefreshList::kPublicCategories, reference::RefreshList::kRegions,
        reference::RefreshList::kTrades, reference::RefreshList::kWebsites,
        reference::RefreshList::kStocks};
    for (int i = 0; i < 5; ++i) {
        v.updates[i] = new QCheckBox(U(boxTexts[i]), updatePage);
        v.updates[i]->setObjectName(QString("update%1").arg(i));
        v.updates[i]->setChecked(*switches[i]);
        updateLayout->addWidget(v.updates[i], i, 0);
        if (!context_.updateNow) continue;
        auto* now = new QPushButton(U(nowTexts[i]), updatePage);
        now->setObjectName(QString("updateNow%1").arg(i));
        reference::RefreshList list = lists[i];
        connect(now, &QPushButton::clicked, this, [this, list] {
            store::FormMessage done = context_.updateNow(list);
            if (!done.text.empty()) app::ShowMessage(this, done.text, done.title, done.icon);
        });
        updateLayout->addWidget(now, i, 1);
    }
    updateLayout->setRowStretch(5, 1);
    tabs_->addTab(updatePage, Q(titles[2]));

    // ---- 历史新闻
    v.history = std::make_unique<client::HistoryOptions>(
        reference::DataPath(context_.contentFolder, reference::kBulletinFile), context_.lists);
    v.history->Load();
    auto* historyPage = new QWidget(tabs_);
    // The boxes take any number, so the page's own check decides and names the range.
    v.regionRemain = Spin("regionRemain", -99999, 99999, historyPage);
    v.tradeRemain = Spin("tradeRemain", -99999, 99999, historyPage);
    v.stockRemain = Spin("stockRemain", -99999, 99999, historyPage);
    v.peopleRemain = Spin("peopleRemain", -99999, 99999, historyPage);
    v.regionRemain->setValue(v.history->regionRemain);
    v.tradeRemain->setValue(v.history->tradeRemain);
    v.stockRemain->setValue(v.history->stockRemain);
    v.peopleRemain->setValue(v.history->peopleRemain);
    auto* historyForm = new QFormLayout;
    historyForm->addRow(U("地区新闻保留最近的"), v.regionRemain);
    historyForm->addRow(U("行业新闻保留最近的"), v.tradeRemain);
    historyForm->addRow(U("股票新闻保留最近的"), v.stockRemain);
    historyForm->addRow(U("大众新闻保留最近的"), v.peopleRemain);
    v.regionRemain->setSuffix(U(" 条"));
    v.tradeRemain->setSuffix(U(" 条"));
    v.stockRemain->setSuffix(U(" 条"));
    v.peopleRemain->setSuffix(U(" 天"));
    auto* whenBox = new QGroupBox(U("整理历史新闻"), historyPage);
    auto* whenLayout = new QHBoxLayout(whenBox);
    const char* whenTexts[3] = {"程序启动时", "程序退出时", "手动"};
    for (int i = 0; i < 3; ++i) {
        v.when[i] = new QRadioButton(U(whenTexts[i]), whenBox);
        v.when[i]->setObjectName(QString("when%1").arg(i));
        v.when[i]->setChecked(v.history->whenCleanup == i);
        whenLayout->addWidget(v.when[i]);
    }
    v.bulletin = new QCheckBox(U("启动时弹出公告对话框"), historyPage);
    v.bulletin->setObjectName("bulletin");
    v.bulletin->setChecked(v.history->bulletinAtStart);
    connect(v.bulletin, &QCheckBox::toggled, this,
            [&v](bool on) { v.history->SetBulletinFlag(on); });
    auto* historyLayout = new QVBoxLayout(historyPage);
    historyLayout->addLayout(historyForm);
    historyLayout->addWidget(whenBox);
    historyLayout->addWidget(v.bulletin);
    if (context_.cleanupNow) {
        auto* now = new QPushButton(U("立即整理"), historyPage);
        now->setObjectName("cleanupNow");
        connect(now, &QPushButton::clicked, this, [this] { context_.cleanupNow(); });
        historyLayout->addWidget(now);
    }
    historyLayout->addStretch();
    tabs_->addTab(historyPage, Q(titles[3]));

    // ---- 搜索优化
    v.tuning.Load();
    auto* tuningPage = new QWidget(tabs_);
    v.threads = Spin("threads", client::TuningOptions::kThreadsMin,
                     client::TuningOptions::kThreadsMax, tuningPage);
    auto slider = [&](const char* name) {
        auto* s = new QSlider(Qt::Horizontal, tuningPage);
        s->setObjectName(name);
        s->setRange(client::TuningOptions::kIntervalMin, client::TuningOptions::kIntervalMax);
        return s;
    };
    v.socketInterval = slider("socketInterval");
    v.diskInterval = slider("diskInterval");
    auto sliderRow = [&](QSlider* s) {
        auto* row = new QHBoxLayout;
        auto* shown = new QLabel(tuningPage);
        connect(s, &QSlider::valueChanged, shown, [shown](int value) { shown->setNum(value); });
        row->addWidget(new QLabel(U("快"), tuningPage));
        row->addWidget(s, 1);
        row->addWidget(new QLabel(U("慢"), tuningPage));
        row->addWidget(shown);
        return row;
    };
    auto showTuning = [&v] {
        v.threads->setValue(v.tuning.threads);
        v.socketInterval->setValue(v.tuning.socketInterval);
        v.diskInterval->setValue(v.tuning.diskInterval);
    };
    auto* defaults = new QPushButton(U("默认值"), tuningPage);
    defaults->setObjectName("defaults");
    connect(defaults, &QPushButton::clicked, this, [&v, showTuning] {
        v.tuning.Defaults();
        showTuning();
    });
    auto* tuningForm = new QFormLayout;
    tuningForm->addRow(U("搜索线程数"), v.threads);
    tuningForm->addRow(U("搜索速度"), sliderRow(v.socketInterval));
    tuningForm->addRow(U("写盘速度"), sliderRow(v.diskInterval));
    auto* tuningLayout = new QVBoxLayout(tuningPage);
    tuningLayout->addLayout(tuningForm);
    tuningLayout->addWidget(defaults, 0, Qt::AlignLeft);
    tuningLayout->addStretch();
    showTuning();
    tabs_->addTab(tuningPage, Q(titles[4]));

    auto* buttons = new QDialogButtonBox(
        QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this);
    buttons->button(QDialogButtonBox::Ok)->setText(U("确定"));
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    buttons->button(QDialogButtonBox::Cancel)->setText(U("取消"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName("cancel");
    buttons->button(QDialogButtonBox::Apply)->setText(U("应用"));
    buttons->button(QDialogButtonBox::Apply)->setObjectName("apply");
    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this,
            [this] { Apply(); });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addWidget(buttons);
}

bool OptionsDialog::Apply() {
    Views& v = *views_;
    v.reading.autoMark = v.autoMark->isChecked();
    v.reading.SetMarkSeconds(v.markSeconds->value());
    v.reading.titleSizePosition = v.titleSize->currentIndex();
    v.reading.contentSizePosition = v.contentSize->currentIndex();
    v.path.path = G(v.contentPath->text());
    bool* switches[5] = {&v.update->classify, &v.update->region, &v.update->trade,
                         &v.update->websites, &v.update->stock};
    for (int i = 0; i < 5; ++i) *switches[i] = v.updates[i]->isChecked();
    v.history->regionRemain = v.regionRemain->value();
    v.history->tradeRemain = v.tradeRemain->value();
    v.history->stockRemain = v.stockRemain->value();
    v.history->peopleRemain = v.peopleRemain->value();
    for (int i = 0; i < 3; ++i) {
        if (v.when[i]->isChecked()) v.history->whenCleanup = i;
    }
    v.tuning.SetThreads(v.threads->value());
    v.tuning.SetSocketInterval(v.socketInterval->value());
    v.tuning.SetDiskInterval(v.diskInterval->value());

    auto refused = [&](const client::ApplyResult& r, int page) {
        if (!r) return false;
        for (const store::FormMessage& m : r->messages) {
            app::ShowMessage(this, m.text, m.title, m.icon);
        }
        tabs_->setCurrentIndex(page);
        QWidget* focus = nullptr;
        switch (r->focus) {
            case OptionsField::kContentPath:
                focus = v.contentPath;
                break;
            case OptionsField::kRegionRemain:
                focus = v.regionRemain;
                break;
            case OptionsField::kTradeRemain:
                focus = v.tradeRemain;
                break;
            case OptionsField::kStockRemain:
                focus = v.stockRemain;
                break;
            case OptionsField::kPeopleRemain:
                focus = v.peopleRemain;
                break;
            default:
                break;
        }
        if (focus) focus->setFocus();
        return true;
    };
    if (refused(v.reading.Apply(context_.targets), 0)) return false;
    if (refused(v.path.Apply(context_.targets), 1)) return false;
    v.contentPath->setText(Q(v.path.path));
    if (refused(v.update->Apply(), 2)) return false;
    if (refused(v.history->Apply(), 3)) return false;
    if (refused(v.tuning.Apply(context_.targets), 4)) return false;
    return true;
}

void OptionsDialog::accept() {
    if (Apply()) QDialog::accept();
}

void ShowOptions(QWidget* parent, client::ClientCore& core,
                 std::function<void(bool, int, int)> readingChanged) {
    OptionsDialogContext context;
    context.contentFolder = core.Settings().contentFolder;
    context.pemloIni = core.Settings().pemloIni;
    context.lists = &core.Lists();
    context.targets.reading = std::move(readingChanged);
    context.targets.contentFolder = [&core](const std::string& folder) {
        core.ChangeContentFolder(folder);
    };
    context.targets.tuning = [&core](int threads, int socketInterval, int diskInterval) {
        core.ApplyTuning(threads, socketInterval, diskInterval);
    };
    context.cleanupNow = [&core] { core.RunCleanupNow(-1, nullptr); };
    // "立即更新": the refresh with its dialog, which shows its own closing message.
    context.updateNow = [parent, &core](reference::RefreshList list) {
        RefreshListWithDialog(parent, core, list);
        return store::FormMessage{};
    };
    OptionsDialog dialog(std::move(context), parent);
    dialog.exec();
}

}  // namespace brevio::ui
