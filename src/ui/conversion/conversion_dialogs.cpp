#include "ui/conversion/conversion_dialogs.h"

#include <QButtonGroup>
#include <algorithm>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/widgets/browser_view.h"
#include "app/widgets/text.h"
#include "client/client_core.h"
#include "conversion/output_layout.h"
#include "ui/conversion/news_edit_dialogs.h"
#include "ui/net/subscription_dialogs.h"
#include "ui/store/form_view_support.h"

namespace brevio::ui {

using app::G;
using app::Q;
using app::U;

namespace {

template <class W>
W* Named(W* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QSpinBox* DaysBox(int value, const char* name, QWidget* parent) {
    auto* box = Named(new QSpinBox(parent), name);
    box->setRange(0, 9999);
    box->setValue(value);
    return box;
}

std::optional<std::string> AskFolder(QWidget* parent, const std::string& title) {
    const QString chosen = QFileDialog::getExistingDirectory(parent, Q(title));
    if (chosen.isEmpty()) return std::nullopt;
    return G(chosen);
}

}  // namespace

// --- CConversionSettingsDlg ---------------------------------------------------------------

CConversionSettingsDlg::CConversionSettingsDlg(conversion::ConversionSettingsForm& form,
                                               const conversion::ConversionSettings& current,
                                               ConversionSettingsActions actions, QWidget* parent)
    : QDialog(parent), form_(form), current_(current), actions_(std::move(actions)) {
    using conversion::kKindPublic;
    using conversion::kKindRegion;
    using conversion::kKindTrade;
    setWindowTitle(Q(conversion::ConversionSettingsForm::Title()));
    setModal(true);

    // The output folder.
    path_ = Named(new QLineEdit(Q(form_.path), this), "path");
    path_->setReadOnly(true);
    QPushButton* changePath = Button(U("更改路径"), "changePath", this);
    connect(changePath, &QPushButton::clicked, this, [this] {
        std::optional<std::string> folder =
            actions_.chooseFolder
                ? actions_.chooseFolder()
                : AskFolder(this, conversion::ConversionSettingsForm::FolderPrompt());
        if (!folder) return;
        form_.ChangePath(*folder);
        path_->setText(Q(form_.path));
    });
    auto* pathRow = new QHBoxLayout;
    pathRow->addWidget(new QLabel(U("转换路径:"), this));
    pathRow->addWidget(path_, 1);
    pathRow->addWidget(changePath);

    // The three groups: switch, categories, days kept and the tidy-up.
    auto* groups = new QGridLayout;
    struct Group {
        int kind;
        const char* label;
        QCheckBox** box;
        QPushButton** customize;
        QSpinBox** days;
        int value;
        bool on;
        const char* name;
    };
    const Group rows[] = {
        {kKindPublic, "公共新闻", &people_, &customizePeople_, &peopleDays_, form_.peopleDays,
         form_.people, "people"},
        {kKindTrade, "行业新闻", &trade_, &customizeTrade_, &tradeDays_, form_.tradeDays,
         form_.trade, "trade"},
        {kKindRegion, "地区新闻", &region_, &customizeRegion_, &regionDays_, form_.regionDays,
         form_.region, "region"},
    };
    int row = 0;
    for (const Group& g : rows) {
        const std::string name(g.name);
        *g.box = Named(new QCheckBox(U(g.label), this), g.name);
        (*g.box)->setChecked(g.on);
        *g.customize = Button(U("定制类别"), (name + "Categories").c_str(), this);
        *g.days = DaysBox(g.value, (name + "Days").c_str(), this);
        QPushButton* tidy = Button(U("立即整理"), (name + "Tidy").c_str(), this);
        const int kind = g.kind;
        connect(*g.box, &QCheckBox::toggled, this, [this] { Follow(); });
        connect(*g.customize, &QPushButton::clicked, this, [this, kind] {
            if (actions_.customizeCategories) actions_.customizeCategories(kind);
        });
        connect(tidy, &QPushButton::clicked, this, [this, kind] { Tidy(kind); });
        groups->addWidget(*g.box, row, 0);
        groups->addWidget(*g.customize, row, 1);
        groups->addWidget(new QLabel(U("保留天数:"), this), row, 2);
        groups->addWidget(*g.days, row, 3);
        groups->addWidget(tidy, row, 4);
        ++row;
    }

    // The format and its data source.
    format_ = Named(new QComboBox(this), "format");
    for (const std::string& name : conversion::ConversionSettingsForm::FormatNames()) {
        format_->addItem(Q(name));
    }
    if (form_.format >= 0 && form_.format < format_->count()) {
        format_->setCurrentIndex(form_.format);
    } else if (form_.format == conversion::kFormatDatabase) {
        // The database format is chosen in the special dialogs; the list shows it as well.
        format_->addItem(U("数据库"));
        format_->setCurrentIndex(format_->count() - 1);
    }
    connect(format_, &QComboBox::currentIndexChanged, this, [this] { Follow(); });
    dataSource_ = Button(U("数据源配置..."), "dataSource", this);
    connect(dataSource_, &QPushButton::clicked, this, [this] {
        if (actions_.dataSource) actions_.dataSource();
    });
    auto* formatRow = new QHBoxLayout;
    formatRow->addWidget(new QLabel(U("转换格式:"), this));
    formatRow->addWidget(format_, 1);
    formatRow->addWidget(dataSource_);

    // The templates.
    fixed_ = Named(new QRadioButton(U("固定模板"), this), "fixedTemplate");
    custom_ = Named(new QRadioButton(U("自定义模板"), this), "customTemplate");
    auto* templateGroup = new QButtonGroup(this);
    templateGroup->addButton(fixed_);
    templateGroup->addButton(custom_);
    (form_.customTemplate ? custom_ : fixed_)->setChecked(true);
    connect(custom_, &QRadioButton::toggled, this, [this] { Follow(); });
    fixedList_ = Named(new QListWidget(this), "fixedList");
    for (const std::string& name : form_.FixedNames()) fixedList_->addItem(Q(name));
    customList_ = Named(new QListWidget(this), "customList");
    FillTemplates();
    QPushButton* preview = Button(U("预览模板"), "preview", this);
    QPushButton* manage = Button(U("模板管理..."), "manageTemplates", this);
    connect(preview, &QPushButton::clicked, this, [this] { Preview(); });
    connect(manage, &QPushButton::clicked, this, [this] {
        if (!actions_.manageTemplates) return;
        if (std::optional<std::vector<std::string>> names = actions_.manageTemplates()) {
            ReadFields();
            const std::string chosen = form_.customSelected >= 0
                                           ? form_.customNames[form_.customSelected]
                                           : std::string();
            form_.customNames = std::move(*names);
            // The chosen template stays chosen when it is still there.
            auto it = std::find(form_.customNames.begin(), form_.customNames.end(), chosen);
            form_.customSelected = it == form_.customNames.end()
                                       ? -1
                                       : static_cast<int>(it - form_.customNames.begin());
            FillTemplates();
        }
    });
    auto* templates = new QGridLayout;
    templates->addWidget(fixed_, 0, 0);
    templates->addWidget(custom_, 0, 1);
    templates->addWidget(fixedList_, 1, 0);
    templates->addWidget(customList_, 1, 1);
    auto* templateButtons = new QHBoxLayout;
    templateButtons->addStretch(1);
    templateButtons->addWidget(preview);
    templateButtons->addWidget(manage);

    // Manual or automatic conversion.
    manual_ = Named(new QRadioButton(U("手动转换"), this), "manual");
    automatic_ = Named(new QRadioButton(U("接收时自动转换"), this), "automatic");
    auto* modeGroup = new QButtonGroup(this);
    modeGroup->addButton(manual_);
    modeGroup->addButton(automatic_);
    (form_.automatic ? automatic_ : manual_)->setChecked(true);
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(manual_);
    modeRow->addWidget(automatic_);
    modeRow->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(pathRow);
    layout->addLayout(groups);
    layout->addLayout(formatRow);
    layout->addLayout(templates);
    layout->addLayout(templateButtons);
    layout->addLayout(modeRow);
    layout->addWidget(OkCancel(this));
    Follow();
}

void CConversionSettingsDlg::FillTemplates() {
    customList_->clear();
    for (const std::string& name : form_.customNames) customList_->addItem(Q(name));
    if (form_.customSelected >= 0) customList_->setCurrentRow(form_.customSelected);
}

void CConversionSettingsDlg::Follow() {
    ReadFields();
    customizePeople_->setEnabled(form_.CustomizeEnabled(conversion::kKindPublic));
    customizeTrade_->setEnabled(form_.CustomizeEnabled(conversion::kKindTrade));
    customizeRegion_->setEnabled(form_.CustomizeEnabled(conversion::kKindRegion));
    dataSource_->setEnabled(form_.DataSourceEnabled());
    fixedList_->setEnabled(!form_.customTemplate);
    customList_->setEnabled(form_.customTemplate);
}

void CConversionSettingsDlg::ReadFields() {
    form_.people = people_->isChecked();
    form_.trade = trade_->isChecked();
    form_.region = region_->isChecked();
    form_.format =
        format_->currentIndex() < 3 ? format_->currentIndex() : conversion::kFormatDatabase;
    form_.customTemplate = custom_->isChecked();
    const std::optional<std::size_t> selected = SelectedRow(customList_);
    form_.customSelected = selected ? static_cast<int>(*selected) : -1;
    form_.automatic = automatic_->isChecked();
    form_.peopleDays = peopleDays_->value();
    form_.tradeDays = tradeDays_->value();
    form_.regionDays = regionDays_->value();
}

void CConversionSettingsDlg::Tidy(int kind) {
    ReadFields();
    const conversion::TidyResult result = form_.TidyNow(current_, kind);
    ShowFormMessage(this, result.refusal ? *result.refusal : result.done);
}

void CConversionSettingsDlg::Preview() {
    ReadFields();
    std::string page;
    if (std::optional<store::FormMessage> message = form_.PreviewTemplate(&page)) {
        ShowFormMessage(this, *message);
        return;
    }
    if (actions_.showPreview) {
        actions_.showPreview(page);
    } else {
        ShowPagePreview(this, page);
    }
}

void CConversionSettingsDlg::accept() {
    ReadFields();
    int code = 0;
    if (std::optional<store::FormMessage> message = form_.Ok([&code](int c) { code = c; })) {
        ShowFormMessage(this, *message);
        return;
    }
    notified_ = code;
    QDialog::accept();
}

// --- CDataSourceDlg -----------------------------------------------------------------------

CDataSourceDlg::CDataSourceDlg(conversion::DataSourceForm& form, QWidget* parent)
    : QDialog(parent), form_(form) {
    using conversion::DataSourceForm;
    setWindowTitle(Q(DataSourceForm::Title()));
    setModal(true);
    name_ = Named(new QLineEdit(Q(form_.fields.name), this), "name");
    user_ = Named(new QLineEdit(Q(form_.fields.user), this), "user");
    password_ = Named(new QLineEdit(Q(form_.fields.password), this), "password");
    password_->setEchoMode(QLineEdit::Password);
    QPushButton* test = Button(Q(DataSourceForm::TestButtonText()), "test", this);
    // The test uses what the last OK stored, not what the fields hold.
    connect(test, &QPushButton::clicked, this, [this] { ShowFormMessage(this, form_.Test()); });

    auto* fields = new QFormLayout;
    fields->addRow(Q(DataSourceForm::NameLabel()), name_);
    fields->addRow(Q(DataSourceForm::UserLabel()), user_);
    fields->addRow(Q(DataSourceForm::PasswordLabel()), password_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(test);
    bottom->addWidget(OkCancel(this), 1);
    layout->addLayout(bottom);
}

void CDataSourceDlg::ReadFields() {
    form_.fields.name = G(name_->text());
    form_.fields.user = G(user_->text());
    form_.fields.password = G(password_->text());
}

void CDataSourceDlg::accept() {
    ReadFields();
    form_.Ok();
    QDialog::accept();
}

// --- CSpecialConversionDlg ----------------------------------------------------------------

CSpecialConversionDlg::CSpecialConversionDlg(
    conversion::SpecialConversionForm& form,
    std::function<std::optional<std::string>()> chooseFolder, QWidget* parent)
    : QDialog(parent), form_(form), chooseFolder_(std::move(chooseFolder)) {
    using conversion::SpecialConversionForm;
    setWindowTitle(Q(SpecialConversionForm::Title()));
    setModal(true);
    auto_ = Named(new QCheckBox(Q(SpecialConversionForm::AutoText()), this), "auto");
    auto_->setChecked(form_.autoTransfer);
    serial_ = Named(new QRadioButton(Q(SpecialConversionForm::SerialText()), this), "serial");
    usb_ = Named(new QRadioButton(Q(SpecialConversionForm::UsbText()), this), "usb");
    auto* ways = new QButtonGroup(this);
    ways->addButton(serial_);
    ways->addButton(usb_);
    (form_.select == conversion::kTransferToUsb ? usb_ : serial_)->setChecked(true);
    port_ = Named(new QComboBox(this), "port");
    for (const std::string& name : SpecialConversionForm::PortNames()) port_->addItem(Q(name));
    port_->setCurrentIndex(
        form_.serialPort >= 0 && form_.serialPort < port_->count() ? form_.serialPort : 0);
    folder_ = Named(new QLineEdit(Q(form_.usbFolder), this), "folder");
    browse_ = Button(Q(SpecialConversionForm::BrowseText()), "browse", this);
    hand_ = Named(new QCheckBox(Q(SpecialConversionForm::HandText()), this), "hand");
    hand_->setChecked(form_.handTransfer);
    start_ = Button(Q(SpecialConversionForm::StartText()), "start", this);
    pause_ = Button(Q(SpecialConversionForm::PauseText()), "pause", this);

    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{auto_, serial_, usb_, hand_}) {
        connect(b, &QAbstractButton::toggled, this, [this] { Follow(); });
    }
    connect(browse_, &QPushButton::clicked, this, [this] {
        std::optional<std::string> folder =
            chooseFolder_ ? chooseFolder_() : AskFolder(this, G(U("选择USB目录")));
        if (!folder) return;
        folder_->setText(Q(*folder));
    });
    connect(start_, &QPushButton::clicked, this, [this] {
        form_.StartPressed();
        Follow();
    });
    connect(pause_, &QPushButton::clicked, this, [this] {
        form_.PausePressed();
        Follow();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(auto_);
    auto* serialRow = new QHBoxLayout;
    serialRow->addWidget(serial_);
    serialRow->addWidget(port_, 1);
    layout->addLayout(serialRow);
    auto* usbRow = new QHBoxLayout;
    usbRow->addWidget(usb_);
    usbRow->addWidget(folder_, 1);
    usbRow->addWidget(browse_);
    layout->addLayout(usbRow);
    auto* handRow = new QHBoxLayout;
    handRow->addWidget(hand_, 1);
    handRow->addWidget(start_);
    handRow->addWidget(pause_);
    layout->addLayout(handRow);
    layout->addWidget(OkCancel(this));
    Follow();
}

void CSpecialConversionDlg::ReadFields() {
    form_.autoTransfer = auto_->isChecked();
    form_.select = usb_->isChecked() ? conversion::kTransferToUsb : conversion::kTransferToSerial;
    form_.serialPort = port_->currentIndex();
    form_.handTransfer = hand_->isChecked();
    form_.usbFolder = G(folder_->text());
}

void CSpecialConversionDlg::Follow() {
    ReadFields();
    const conversion::SpecialConversionForm::Enabling e = form_.Enabled();
    serial_->setEnabled(e.serialRadio);
    usb_->setEnabled(e.usbRadio);
    folder_->setEnabled(e.folder);
    browse_->setEnabled(e.browse);
    port_->setEnabled(e.portList);
    hand_->setEnabled(e.handBox);
    start_->setEnabled(e.start);
    pause_->setEnabled(e.pause);
}

void CSpecialConversionDlg::accept() {
    ReadFields();
    stored_ = form_.Ok();
    QDialog::accept();
}

// --- Commands -----------------------------------------------------------------------------

void ShowPagePreview(QWidget* parent, const std::string& gbkPath) {
    QDialog dialog(parent);
    dialog.setObjectName("pagePreview");
    dialog.setWindowTitle(U("预览"));
    dialog.setModal(true);
    app::BrowserView* view = app::BrowserView::Create(&dialog);
    view->setObjectName("previewView");
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(view, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    layout->addWidget(buttons);
    dialog.resize(800, 600);
    view->OpenFile(app::QPath(gbkPath));
    dialog.exec();
}

bool ShowDataSourceSettings(QWidget* parent, client::ClientCore& core) {
    conversion::DataSourceForm form;
    CDataSourceDlg dialog(form, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (conversion::ExportHandOff* hand = core.Export()) hand->ReloadSettings();
    return true;
}

bool ShowConversionSettings(QWidget* parent, client::ClientCore& core) {
    std::shared_ptr<const conversion::ConversionSettings> current = core.Converter().Settings();
    conversion::ConversionSettingsForm form(*current);
    ConversionSettingsActions actions;
    actions.customizeCategories = [parent, &core](int kind) {
        ShowConversionCategories(parent, core, kind);
    };
    actions.dataSource = [parent, &core] { ShowDataSourceSettings(parent, core); };
    CConversionSettingsDlg* shown = nullptr;
    // Over the settings dialog, which is modal itself.
    actions.manageTemplates = [&shown, parent, &core] {
        return ShowTemplateManager(shown ? static_cast<QWidget*>(shown) : parent,
                                   core.Settings().programFolder);
    };
    CConversionSettingsDlg dialog(form, *current, std::move(actions), parent);
    shown = &dialog;
    if (dialog.exec() != QDialog::Accepted) return false;
    core.Converter().ReloadSettings();
    if (conversion::ExportHandOff* hand = core.Export()) hand->ReloadSettings();
    if (dialog.NotifiedCode() != 0) core.Observer().RefreshNavigation(dialog.NotifiedCode());
    return true;
}

bool ShowSpecialConversion(QWidget* parent, client::ClientCore& core) {
    conversion::ExportHandOff* hand = core.Export();
    conversion::SpecialConversionForm form(hand ? &hand->Transfer() : nullptr);
    CSpecialConversionDlg dialog(form, {}, parent);
    if (dialog.exec() != QDialog::Accepted) return false;
    if (hand) hand->ApplySettings(dialog.Stored());
    return true;
}

}  // namespace brevio::ui
