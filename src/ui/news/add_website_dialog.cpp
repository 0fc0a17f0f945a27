#include "ui/news/add_website_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/widgets/message_boxes.h"
#include "app/widgets/text.h"
#include "client/client_core.h"

namespace brevio::ui {

using app::G;
using app::Q;
using net::AddWebsiteField;

namespace {

QComboBox* EditableList(const std::vector<std::string>& names, const char* objectName,
                        QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(objectName);
    box->setEditable(true);
    box->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& name : names) box->addItem(Q(name));
    box->setCurrentIndex(-1);
    box->setEditText(QString());
    return box;
}

QLineEdit* Line(const char* objectName, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(objectName);
    return edit;
}

}  // namespace

AddWebsiteDialog::AddWebsiteDialog(net::AddWebsiteForm form, const net::AddWebsiteLists& lists,
                                   QWidget* parent)
    : QDialog(parent), form_(std::move(form)) {
    const net::AddWebsiteTexts& texts = net::AddWebsiteDialogTexts();
    setWindowTitle(Q(texts.title));
    auto* header = new QLabel(Q(texts.header), this);
    header->setWordWrap(true);

    name_ = Line("name", this);
    url_ = Line("url", this);
    category_ = EditableList(lists.categories, "category", this);
    trade_ = EditableList(lists.trades, "trade", this);
    region_ = EditableList(lists.regions, "region", this);
    introduction_ = Line("introduction", this);

    auto* fields = new QFormLayout;
    fields->addRow(QString::fromUtf8("网站名称:"), name_);
    fields->addRow(QString(), new QLabel(QString::fromUtf8("(必填)"), this));
    fields->addRow(QString::fromUtf8("网址(URL):"), url_);
    fields->addRow(QString(), new QLabel(QString::fromUtf8("(必填)"), this));
    fields->addRow(QString::fromUtf8("所属类别:"), category_);
    fields->addRow(QString::fromUtf8("所属行业:"), trade_);
    fields->addRow(QString::fromUtf8("所在地区:"), region_);
    fields->addRow(QString::fromUtf8("简介(100字以内)"), introduction_);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* submit =
        buttons->addButton(QString::fromUtf8("递 交"), QDialogButtonBox::ActionRole);
    submit->setObjectName("submit");
    submit->setDefault(true);
    buttons->addButton(QString::fromUtf8("关  闭"), QDialogButtonBox::RejectRole)
        ->setObjectName("close");
    connect(submit, &QPushButton::clicked, this, [this] { Submit(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addLayout(fields);
    layout->addWidget(buttons);
}

QWidget* AddWebsiteDialog::FieldWidget(AddWebsiteField field) const {
    switch (field) {
        case AddWebsiteField::kName:
            return name_;
        case AddWebsiteField::kUrl:
            return url_;
        case AddWebsiteField::kCategory:
            return category_;
        case AddWebsiteField::kTrade:
            return trade_;
        case AddWebsiteField::kRegion:
            return region_;
        case AddWebsiteField::kIntroduction:
            return introduction_;
        default:
            return nullptr;
    }
}

void AddWebsiteDialog::Submit() {
    form_.fields = {
        G(name_->text()),         G(url_->text()),           G(category_->currentText()),
        G(trade_->currentText()), G(region_->currentText()), G(introduction_->text())};
    net::AddWebsiteForm::SubmitResult r = form_.Submit();
    if (r.problem) {
        app::ShowMessage(this, r.problem->message.text, r.problem->message.title,
                         r.problem->message.icon);
        if (QWidget* w = FieldWidget(r.problem->focus)) w->setFocus();
        return;
    }
    if (!r.outcome) return;
    app::ShowMessage(this, r.outcome->message.text, r.outcome->message.title,
                     r.outcome->message.icon);
    if (r.outcome->close) accept();
}

void ShowAddWebsite(QWidget* parent, client::ClientCore& core) {
    const settings::AppSettings& s = core.Settings();
    net::AddWebsiteForm form(s.userId, s.password, net::ServerProposalSender(core.Server()));
    AddWebsiteDialog dialog(std::move(form), net::FillAddWebsiteLists(core.Tables()), parent);
    dialog.exec();
}

}  // namespace brevio::ui
