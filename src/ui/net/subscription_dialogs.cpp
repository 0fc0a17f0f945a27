#include "ui/net/subscription_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/widgets/text.h"
#include "client/client_core.h"
#include "conversion/output_layout.h"
#include "conversion/settings_forms.h"
#include "reference/file_names.h"
#include "reference/reference_tables.h"
#include "ui/store/form_view_support.h"

namespace brevio::ui {

using app::G;
using app::Q;
using app::U;

namespace {

QTime TimeOf(const net::TimeOfDay& t) {
    return QTime(t.hour, t.minute, t.second);
}

net::TimeOfDay TimeOfDayOf(const QTime& t) {
    return {t.hour(), t.minute(), t.second()};
}

QTimeEdit* TimeBox(const net::TimeOfDay& t, const char* name, QWidget* parent) {
    auto* box = new QTimeEdit(TimeOf(t), parent);
    box->setObjectName(name);
    box->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    return box;
}

std::vector<std::string> SiteNames(const net::WebsiteChecklist& sites) {
    std::vector<std::string> names;
    for (const auto& site : sites.Sites()) names.push_back(site.name);
    return names;
}

std::vector<bool> SiteTicks(const net::WebsiteChecklist& sites) {
    std::vector<bool> ticks;
    for (const auto& site : sites.Sites()) ticks.push_back(site.ticked);
    return ticks;
}

void AddItems(QListWidget* list, const std::vector<net::CategorySelectionForm::Item>& items) {
    list->clear();
    for (const auto& item : items) list->addItem(Q(item.name));
}

// The record of a category node, or the message to show instead.
std::variant<store::FormMessage, net::SubscriptionRecord> RecordOfNode(
    const SubscriptionContext& context, const std::optional<client::NavNode>& node) {
    std::optional<client::NodeRecord> rec = node ? client::RecordOf(*node) : std::nullopt;
    if (!rec) return net::SelectCategoryMessage();
    auto record = context.lists.Get(
        net::SubscriptionLists::RefFor(static_cast<net::Group>(rec->group), rec->code));
    if (!record) return net::NoCategoryMessage();
    return *record;
}

}  // namespace

std::string SubscriptionContext::UserWebsitePath() const {
    return reference::DataPath(contentFolder, reference::kUserWebsiteFile);
}

// --- CWebsiteDlg -------------------------------------------------------------------------

CWebsiteDlg::CWebsiteDlg(net::WebsiteForm form, net::SubscriptionLists& lists, QWidget* parent)
    : QDialog(parent), form_(std::move(form)), lists_(lists) {
    setWindowTitle(Q(form_.Caption()));
    setModal(true);
    auto* info = new QLabel(Q(form_.InfoLine()), this);
    info->setObjectName("info");
    sites_ = new QListWidget(this);
    sites_->setObjectName("sites");
    count_ = new QLabel(this);
    count_->setObjectName("count");
    QPushButton* tickAll = Button(Q(net::WebsiteForm::TickAllText()), "tickAll", this);
    QPushButton* clearAll = Button(Q(net::WebsiteForm::ClearAllText()), "clearAll", this);
    findText_ = new QLineEdit(this);
    findText_->setObjectName("findText");
    QPushButton* find = Button(Q(net::WebsiteForm::FindText()), "find", this);
    allCategories_ = new QCheckBox(Q(net::WebsiteForm::AllCategoriesText()), this);
    allCategories_->setObjectName("allCategories");

    connect(sites_, &QListWidget::itemChanged, this, &CWebsiteDlg::OnItemChanged);
    connect(tickAll, &QPushButton::clicked, this, [this] { SetAll(true); });
    connect(clearAll, &QPushButton::clicked, this, [this] { SetAll(false); });
    connect(find, &QPushButton::clicked, this, &CWebsiteDlg::Find);
    connect(findText_, &QLineEdit::returnPressed, this, &CWebsiteDlg::Find);
    connect(findText_, &QLineEdit::textEdited, this, [this] { form_.FindTextEdited(); });

    auto* findRow = new QHBoxLayout;
    findRow->addWidget(findText_, 1);
    findRow->addWidget(find);
    auto* tickRow = new QHBoxLayout;
    tickRow->addWidget(count_, 1);
    tickRow->addWidget(tickAll);
    tickRow->addWidget(clearAll);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(info);
    layout->addLayout(findRow);
    layout->addWidget(sites_, 1);
    layout->addLayout(tickRow);
    layout->addWidget(allCategories_);
    layout->addWidget(OkCancel(this));
    resize(460, 480);
    Refresh();
}

void CWebsiteDlg::Refresh() {
    filling_ = true;
    const int current = sites_->currentRow();
    FillCheckList(sites_, SiteNames(form_.Sites()), SiteTicks(form_.Sites()), true);
    for (int i = 0; i < sites_->count(); ++i) {
        sites_->item(i)->setToolTip(Q(form_.Sites().At(static_cast<std::size_t>(i)).code));
    }
    if (current >= 0 && current < sites_->count()) sites_->setCurrentRow(current);
    count_->setText(Q(form_.Sites().CountLine()));
    filling_ = false;
}

void CWebsiteDlg::OnItemChanged(QListWidgetItem* item) {
    if (filling_) return;
    form_.Sites().SetTicked(static_cast<std::size_t>(sites_->row(item)),
                            item->checkState() == Qt::Checked);
    count_->setText(Q(form_.Sites().CountLine()));
}

void CWebsiteDlg::SetAll(bool ticked) {
    if (ticked) {
        form_.Sites().TickAll();
    } else {
        form_.Sites().ClearAll();
    }
    Refresh();
}

void CWebsiteDlg::Find() {
    auto found = form_.Find(G(findText_->text()));
    if (auto* message = std::get_if<store::FormMessage>(&found)) {
        ShowFormMessage(this, *message);
        findText_->setFocus();
        findText_->selectAll();
        return;
    }
    const int row = static_cast<int>(std::get<std::size_t>(found));
    sites_->setCurrentRow(row);
    sites_->scrollToItem(sites_->item(row));
}

void CWebsiteDlg::accept() {
    form_.Ok(allCategories_->isChecked(), lists_);
    QDialog::accept();
}

// --- CCategorySelectionDlg ---------------------------------------------------------------

CCategorySelectionDlg::CCategorySelectionDlg(SubscriptionContext context,
                                             std::function<void()> onSaved, QWidget* parent)
    : QDialog(parent),
      context_(std::move(context)),
      onSaved_(std::move(onSaved)),
      form_(context_.tables, net::ReadSelection(net::VantoryFilePath(context_.programFolder))) {
    setWindowTitle(Q(net::CategorySelectionForm::Title()));
    setModal(true);
    group_ = new QComboBox(this);
    group_->setObjectName("group");
    for (net::Group g : net::CategorySelectionForm::Groups()) group_->addItem(Q(net::GroupName(g)));
    available_ = new QListWidget(this);
    available_->setObjectName("available");
    chosen_ = new QListWidget(this);
    chosen_->setObjectName("chosen");
    QPushButton* add = Button(Q(net::CategorySelectionForm::AddText()), "add", this);
    QPushButton* remove = Button(Q(net::CategorySelectionForm::RemoveText()), "remove", this);
    QPushButton* websites = Button(Q(net::CategorySelectionForm::WebsitesText()), "websites", this);

    connect(group_, &QComboBox::currentIndexChanged, this, &CCategorySelectionDlg::ShowGroup);
    connect(available_, &QListWidget::itemDoubleClicked, this, &CCategorySelectionDlg::Add);
    connect(add, &QPushButton::clicked, this, &CCategorySelectionDlg::Add);
    connect(remove, &QPushButton::clicked, this, &CCategorySelectionDlg::Remove);
    connect(websites, &QPushButton::clicked, this, &CCategorySelectionDlg::Websites);

    auto* left = new QVBoxLayout;
    left->addWidget(group_);
    left->addWidget(available_, 1);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    middle->addWidget(add);
    middle->addWidget(remove);
    middle->addSpacing(12);
    middle->addWidget(websites);
    middle->addStretch();
    auto* right = new QVBoxLayout;
    right->addWidget(new QLabel(U("已选类别:"), this));
    right->addWidget(chosen_, 1);
    auto* body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addLayout(middle);
    body->addLayout(right, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addWidget(OkCancel(this));
    resize(560, 420);
    AddItems(available_, form_.Available());
    FillChosen();
}

void CCategorySelectionDlg::ShowGroup(int index) {
    const auto& groups = net::CategorySelectionForm::Groups();
    if (index < 0 || index >= static_cast<int>(groups.size())) return;
    form_.ShowGroup(groups[static_cast<std::size_t>(index)]);
    AddItems(available_, form_.Available());
}

void CCategorySelectionDlg::FillChosen() {
    AddItems(chosen_, form_.Chosen());
    if (std::optional<std::size_t> row = form_.ChosenSelection()) {
        chosen_->setCurrentRow(static_cast<int>(*row));
    }
}

void CCategorySelectionDlg::Add() {
    if (std::optional<store::FormMessage> message = form_.Add(SelectedRow(available_))) {
        ShowFormMessage(this, *message);
        return;
    }
    FillChosen();
}

void CCategorySelectionDlg::Remove() {
    form_.Remove(SelectedRow(chosen_));
    FillChosen();
}

void CCategorySelectionDlg::Websites() {
    auto target = form_.Websites(SelectedRow(available_));
    if (auto* message = std::get_if<store::FormMessage>(&target)) {
        ShowFormMessage(this, *message);
        return;
    }
    std::optional<net::SubscriptionRecord> record =
        context_.lists.Get(std::get<net::RecordRef>(target));
    if (!record) {
        ShowFormMessage(this, net::NoCategoryMessage());
        return;
    }
    CWebsiteDlg dialog(
        net::WebsiteForm(*record, *context_.tables.Websites(), context_.UserWebsitePath()),
        context_.lists, this);
    dialog.exec();
}

void CCategorySelectionDlg::accept() {
    // A file that cannot be written is not reported; the client keeps its selection then.
    if (form_.Ok(net::VantoryFilePath(context_.programFolder)) && onSaved_) onSaved_();
    QDialog::accept();
}

// --- CAutoSearchDlg ----------------------------------------------------------------------

CAutoSearchDlg::CAutoSearchDlg(net::SubscriptionLists& lists, QWidget* parent)
    : QDialog(parent), lists_(lists), form_(lists) {
    setWindowTitle(Q(net::AutoSearchForm::Caption()));
    setModal(true);
    auto* info = new QLabel(Q(form_.InfoLine()), this);
    info->setObjectName("info");
    autoSearch_ = new QCheckBox(Q(net::AutoSearchForm::AutoSearchText()), this);
    autoSearch_->setObjectName("autoSearch");
    autoSearch_->setChecked(form_.AutoSearch());
    start_ = TimeBox(form_.StartTime(), "start", this);
    end_ = TimeBox(form_.EndTime(), "end", this);
    interval_ = new QLineEdit(QString::number(form_.Interval()), this);
    interval_->setObjectName("interval");
    interval_->setMaxLength(static_cast<int>(net::AutoSearchForm::kIntervalInputMax));
    auto* all = new QCheckBox(Q(net::AutoSearchForm::AllCategoriesText()), this);
    all->setObjectName("allCategories");
    connect(autoSearch_, &QCheckBox::toggled, this, &CAutoSearchDlg::ApplyEnabling);

    auto* fields = new QFormLayout;
    fields->addRow(Q(net::AutoSearchForm::StartLabel()), start_);
    fields->addRow(Q(net::AutoSearchForm::EndLabel()), end_);
    fields->addRow(Q(net::AutoSearchForm::IntervalLabel()), interval_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(info);
    layout->addWidget(autoSearch_);
    layout->addLayout(fields);
    layout->addWidget(all);
    layout->addWidget(OkCancel(this));
    setMinimumWidth(320);
    ApplyEnabling();
}

void CAutoSearchDlg::ApplyEnabling() {
    const bool on = net::AutoSearchForm::TimesEnabled(autoSearch_->isChecked());
    start_->setEnabled(on);
    end_->setEnabled(on);
    interval_->setEnabled(on);
}

void CAutoSearchDlg::accept() {
    form_.Ok(autoSearch_->isChecked(), TimeOfDayOf(start_->time()), TimeOfDayOf(end_->time()),
             G(interval_->text()), lists_);
    QDialog::accept();
}

// --- CPropertyViewDlg --------------------------------------------------------------------

CPropertyViewDlg::CPropertyViewDlg(const net::PropertyViewForm& form, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(Q(form.Caption()));
    setModal(true);
    auto* info = new QLabel(Q(form.InfoLine()), this);
    info->setObjectName("info");
    auto* sites = new QListWidget(this);
    sites->setObjectName("sites");
    FillCheckList(sites, SiteNames(form.Sites()), SiteTicks(form.Sites()), false);
    auto* count = new QLabel(Q(form.Sites().CountLine()), this);
    count->setObjectName("count");
    auto* autoSearch = new QCheckBox(Q(net::PropertyViewForm::AutoSearchText()), this);
    autoSearch->setObjectName("autoSearch");
    autoSearch->setChecked(form.AutoSearch());
    autoSearch->setEnabled(false);
    QTimeEdit* start = TimeBox(form.StartTime(), "start", this);
    QTimeEdit* end = TimeBox(form.EndTime(), "end", this);
    auto* interval = new QLineEdit(QString::number(form.Interval()), this);
    interval->setObjectName("interval");
    auto* days = new QLineEdit(QString::number(form.RemainDays()), this);
    days->setObjectName("days");
    for (QAbstractSpinBox* box :
         {static_cast<QAbstractSpinBox*>(start), static_cast<QAbstractSpinBox*>(end)}) {
        box->setReadOnly(true);
        box->setButtonSymbols(QAbstractSpinBox::NoButtons);
    }
    interval->setReadOnly(true);
    days->setReadOnly(true);
    QPushButton* close = Button(Q(net::PropertyViewForm::CloseText()), "close", this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* fields = new QFormLayout;
    fields->addRow(QString(), autoSearch);
    fields->addRow(U("开始时间:"), start);
    fields->addRow(U("结束时间:"), end);
    fields->addRow(U("间隔(分钟):"), interval);
    fields->addRow(U("保留天数:"), days);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(info);
    layout->addWidget(sites, 1);
    layout->addWidget(count);
    layout->addLayout(fields);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(close);
    layout->addLayout(row);
    resize(420, 520);
}

// --- CConversionCategoryDlg --------------------------------------------------------------

CConversionCategoryDlg::CConversionCategoryDlg(int kind, conversion::ConversionCategoryForm& form,
                                               QWidget* parent)
    : QDialog(parent), form_(form) {
    setWindowTitle(Q(conversion::ConversionCategoryForm::Title(kind)));
    setModal(true);
    entries_ = new QListWidget(this);
    entries_->setObjectName("entries");
    QPushButton* tickAll = Button(Q(net::WebsiteForm::TickAllText()), "tickAll", this);
    QPushButton* clearAll = Button(Q(net::WebsiteForm::ClearAllText()), "clearAll", this);
    connect(tickAll, &QPushButton::clicked, this, [this] { SetAll(true); });
    connect(clearAll, &QPushButton::clicked, this, [this] { SetAll(false); });
    connect(entries_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
        if (filling_) return;
        form_.SetTicked(static_cast<std::size_t>(entries_->row(item)),
                        item->checkState() == Qt::Checked);
    });

    auto* body = new QHBoxLayout;
    if (conversion::GroupKind(kind) == conversion::kKindPublic) {
        majors_ = new QListWidget(this);
        majors_->setObjectName("majors");
        for (const reference::RefEntry& major : form_.Majors()) majors_->addItem(Q(major.name));
        connect(majors_, &QListWidget::currentRowChanged, this, [this](int row) {
            if (row < 0 || row >= static_cast<int>(form_.Majors().size())) return;
            form_.ShowMajor(form_.Majors()[static_cast<std::size_t>(row)].code);
            FillShown();
        });
        body->addWidget(majors_, 1);
    }
    body->addWidget(entries_, 1);
    auto* ticks = new QHBoxLayout;
    ticks->addStretch();
    ticks->addWidget(tickAll);
    ticks->addWidget(clearAll);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(body, 1);
    layout->addLayout(ticks);
    layout->addWidget(OkCancel(this));
    resize(majors_ ? 480 : 300, 400);
    FillShown();
}

void CConversionCategoryDlg::FillShown() {
    std::vector<std::string> names;
    std::vector<bool> ticks;
    for (std::size_t i = 0; i < form_.ShownCount(); ++i) {
        names.push_back(form_.Shown(i).name);
        ticks.push_back(form_.Shown(i).Converted());
    }
    filling_ = true;
    FillCheckList(entries_, names, ticks, true);
    filling_ = false;
}

void CConversionCategoryDlg::SetAll(bool ticked) {
    if (ticked) {
        form_.TickAll();
    } else {
        form_.ClearAll();
    }
    FillShown();
}

void CConversionCategoryDlg::accept() {
    // An empty list: OK does nothing and the dialog stays.
    if (form_.Ok()) QDialog::accept();
}

// --- CSubscriptionTreesDlg ---------------------------------------------------------------

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kKeyRole = Qt::UserRole + 1;

void AddNode(QTreeWidgetItem* parent, QTreeWidget* tree, const client::NavNode& node) {
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
    item->setText(0, Q(node.label));
    item->setData(0, kKindRole, static_cast<int>(node.kind));
    item->setData(0, kKeyRole, QByteArray::fromStdString(node.key));
    for (const client::NavNode& child : node.children) AddNode(item, tree, child);
}

}  // namespace

CSubscriptionTreesDlg::CSubscriptionTreesDlg(SubscriptionContext context,
                                             std::function<void()> onSelectionSaved,
                                             QWidget* parent)
    : QDialog(parent),
      context_(std::move(context)),
      onSelectionSaved_(std::move(onSelectionSaved)) {
    setWindowTitle(U("新闻订制"));
    setModal(true);
    const reference::Snapshot tables = context_.tables.Current();
    const reference::RefList none;
    roots_ = {client::BuildPublicBranch(tables.kinds ? *tables.kinds : none,
                                        tables.publicCategories ? *tables.publicCategories : none),
              client::BuildTradeBranch(tables.trades ? *tables.trades : none),
              client::BuildRegionBranch(tables.regions ? *tables.regions : none)};
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("groups");
    const char* names[] = {"publicTree", "tradeTree", "regionTree"};
    for (std::size_t i = 0; i < roots_.size(); ++i) {
        auto* tree = new QTreeWidget(tabs_);
        tree->setObjectName(names[i]);
        tree->setHeaderHidden(true);
        for (const client::NavNode& child : roots_[i].children) AddNode(nullptr, tree, child);
        tabs_->addTab(tree, Q(roots_[i].label));
        trees_.push_back(tree);
        connect(tree, &QTreeWidget::itemDoubleClicked, this,
                [this] { ShowWebsites(this, context_, ChosenNode()); });
    }
    QPushButton* websites = Button(Q(net::CategorySelectionForm::WebsitesText()), "websites", this);
    QPushButton* properties = Button(U("属性"), "properties", this);
    QPushButton* selection =
        Button(Q(net::CategorySelectionForm::Title()) + U("..."), "selection", this);
    QPushButton* close = Button(Q(net::PropertyViewForm::CloseText()), "close", this);
    connect(websites, &QPushButton::clicked, this,
            [this] { ShowWebsites(this, context_, ChosenNode()); });
    connect(properties, &QPushButton::clicked, this,
            [this] { ShowCategoryProperties(this, context_, ChosenNode()); });
    connect(selection, &QPushButton::clicked, this, [this] {
        CCategorySelectionDlg dialog(context_, onSelectionSaved_, this);
        dialog.exec();
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* side = new QVBoxLayout;
    side->addWidget(websites);
    side->addWidget(properties);
    side->addWidget(selection);
    side->addStretch();
    side->addWidget(close);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addLayout(side);
    resize(480, 460);
}

std::optional<client::NavNode> CSubscriptionTreesDlg::ChosenNode() const {
    const int tab = tabs_->currentIndex();
    if (tab < 0 || tab >= static_cast<int>(trees_.size())) return std::nullopt;
    QTreeWidgetItem* item = trees_[static_cast<std::size_t>(tab)]->currentItem();
    if (!item || !item->isSelected()) return std::nullopt;
    client::NavNode node;
    node.kind = static_cast<client::NavKind>(item->data(0, kKindRole).toInt());
    node.key = item->data(0, kKeyRole).toByteArray().toStdString();
    node.label = G(item->text(0));
    return node;
}

// --- Commands ----------------------------------------------------------------------------

bool ShowWebsites(QWidget* parent, SubscriptionContext context,
                  const std::optional<client::NavNode>& node) {
    auto record = RecordOfNode(context, node);
    if (auto* message = std::get_if<store::FormMessage>(&record)) {
        ShowFormMessage(parent, *message);
        return false;
    }
    CWebsiteDlg dialog(net::WebsiteForm(std::get<net::SubscriptionRecord>(record),
                                        *context.tables.Websites(), context.UserWebsitePath()),
                       context.lists, parent);
    return dialog.exec() == QDialog::Accepted;
}

void ShowCategoryProperties(QWidget* parent, SubscriptionContext context,
                            const std::optional<client::NavNode>& node) {
    auto record = RecordOfNode(context, node);
    if (auto* message = std::get_if<store::FormMessage>(&record)) {
        ShowFormMessage(parent, *message);
        return;
    }
    net::PropertyViewForm form(std::get<net::SubscriptionRecord>(record),
                               *context.tables.Websites(), context.UserWebsitePath());
    CPropertyViewDlg dialog(form, parent);
    dialog.exec();
}

SubscriptionContext ContextOf(client::ClientCore& core) {
    return SubscriptionContext(core.Tables(), core.Lists(), core.Settings().contentFolder,
                               core.Settings().programFolder);
}

namespace {

// After the category selection was stored: the records it names become the selected ones and
// the conversion category lists are built again from it.
std::function<void()> SelectionSaved(client::ClientCore& core) {
    return [&core] {
        core.ApplyUserSelection();
        core.Converter().ReloadSettings();
    };
}

}  // namespace

bool ShowCategorySelection(QWidget* parent, client::ClientCore& core) {
    CCategorySelectionDlg dialog(ContextOf(core), SelectionSaved(core), parent);
    return dialog.exec() == QDialog::Accepted;
}

bool ShowWebsites(QWidget* parent, client::ClientCore& core,
                  const std::optional<client::NavNode>& node) {
    return ShowWebsites(parent, ContextOf(core), node);
}

bool ShowAutoSearch(QWidget* parent, client::ClientCore& core) {
    CAutoSearchDlg dialog(core.Lists(), parent);
    return dialog.exec() == QDialog::Accepted;
}

void ShowCategoryProperties(QWidget* parent, client::ClientCore& core,
                            const std::optional<client::NavNode>& node) {
    ShowCategoryProperties(parent, ContextOf(core), node);
}

void ShowSubscriptionTrees(QWidget* parent, client::ClientCore& core) {
    CSubscriptionTreesDlg dialog(ContextOf(core), SelectionSaved(core), parent);
    dialog.exec();
}

bool ShowConversionCategories(QWidget* parent, client::ClientCore& core, int kind) {
    std::shared_ptr<const conversion::ConversionSettings> settings = core.Converter().Settings();
    const reference::RefList majors = *core.Tables().Kinds();
    conversion::ConversionCategoryForm form(core.Settings().programFolder, kind,
                                            settings->categories.OfKind(kind), majors);
    CConversionCategoryDlg dialog(kind, form, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    core.Converter().ReloadSettings();
    return true;
}

}  // namespace brevio::ui
