#include "ui/store/folder_dialogs.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/widgets/text.h"
#include "ui/store/form_view_support.h"

namespace brevio::ui {

using app::G;
using app::Q;
using app::U;

namespace {

// OK and Cancel under a dialog, wired to accept and reject.
QLabel* TextLabel(const std::string& gbk, QWidget* parent) {
    auto* label = new QLabel(Q(gbk), parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

// --- CNewFolderDlg -----------------------------------------------------------------------

CNewFolderDlg::CNewFolderDlg(store::NewFolderForm form, QWidget* parent)
    : QDialog(parent), form_(std::move(form)) {
    const store::FolderDialogTexts& texts = form_.Texts();
    setWindowTitle(Q(texts.newEntryTitle));
    setModal(true);
    name_ = new QLineEdit(this);
    name_->setObjectName("name");
    LimitGbkBytes(name_, store::kFolderNameInputMax);
    keywords_ = new QLineEdit(this);
    keywords_->setObjectName("keywords");
    LimitGbkBytes(keywords_, store::kFolderKeywordInputMax);
    QLabel* hint = TextLabel(texts.keywordHint, this);
    hint->setObjectName("hint");

    auto* fields = new QFormLayout;
    fields->addRow(U("名称:"), name_);
    fields->addRow(U("关键词:"), keywords_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TextLabel(texts.newEntryText, this));
    layout->addLayout(fields);
    layout->addWidget(hint);
    layout->addWidget(OkCancel(this));
    setMinimumWidth(380);
    name_->setFocus();
}

void CNewFolderDlg::accept() {
    std::optional<store::NewFolderForm::Refusal> refusal =
        form_.Ok(G(name_->text()), G(keywords_->text()));
    if (refusal) {
        ShowFormMessage(this, refusal->message);
        QLineEdit* box = refusal->focus == store::NewFolderForm::Field::kName ? name_ : keywords_;
        box->setFocus();
        box->selectAll();
        return;
    }
    QDialog::accept();
}

// --- CRenameDlg --------------------------------------------------------------------------

CRenameDlg::CRenameDlg(store::RenameForm form, QWidget* parent)
    : QDialog(parent), form_(std::move(form)) {
    setWindowTitle(Q(store::RenameForm::Title()));
    setModal(true);
    auto* oldName = new QLabel(Q(form_.OldName()), this);
    oldName->setObjectName("oldName");
    newName_ = new QLineEdit(Q(form_.OldName()), this);
    newName_->setObjectName("newName");
    LimitGbkBytes(newName_, store::kFolderNameInputMax);
    auto* fields = new QFormLayout;
    fields->addRow(Q(store::RenameForm::OldNameLabel()), oldName);
    fields->addRow(Q(store::RenameForm::NewNameLabel()), newName_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(OkCancel(this));
    setMinimumWidth(320);
    newName_->setFocus();
    newName_->selectAll();
}

void CRenameDlg::accept() {
    if (std::optional<store::FormMessage> message = form_.Ok(G(newName_->text()))) {
        ShowFormMessage(this, *message);
        newName_->setFocus();
        return;
    }
    QDialog::accept();
}

// --- CFolderPropertiesDlg ----------------------------------------------------------------

CFolderPropertiesDlg::CFolderPropertiesDlg(store::PropertiesForm form, QWidget* parent)
    : QDialog(parent), form_(std::move(form)) {
    setWindowTitle(Q(form_.Texts().propertiesTitle));
    setModal(true);
    auto* name = new QLineEdit(Q(form_.Name()), this);
    name->setObjectName("name");
    name->setReadOnly(true);
    keywords_ = new QLineEdit(Q(form_.KeywordText()), this);
    keywords_->setObjectName("keywords");
    LimitGbkBytes(keywords_, store::kFolderKeywordInputMax);
    auto* fields = new QFormLayout;
    fields->addRow(U("名称:"), name);
    fields->addRow(U("关键词:"), keywords_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(TextLabel(form_.Texts().keywordHint, this));
    layout->addWidget(OkCancel(this));
    setMinimumWidth(380);
    keywords_->setFocus();
}

void CFolderPropertiesDlg::accept() {
    form_.Ok(G(keywords_->text()));
    QDialog::accept();
}

// --- CFolderOrganizerDlg -----------------------------------------------------------------

CFolderOrganizerDlg::CFolderOrganizerDlg(store::FolderListKind list, store::FolderLists& lists,
                                         QWidget* parent)
    : QDialog(parent), organizer_(list, lists) {
    const store::FolderDialogTexts& texts = organizer_.Texts();
    const store::OrganizerButtons& b = store::OrganizerButtonTexts();
    setWindowTitle(Q(texts.organizerTitle));
    setModal(true);

    list_ = new QListWidget(this);
    list_->setObjectName("folders");
    connect(list_, &QListWidget::itemDoubleClicked, this, &CFolderOrganizerDlg::Rename);

    auto* side = new QVBoxLayout;
    auto button = [&](const std::string& text, const char* name,
                      void (CFolderOrganizerDlg::*run)()) {
        auto* push = new QPushButton(Q(text), this);
        push->setObjectName(name);
        push->setAutoDefault(false);
        connect(push, &QPushButton::clicked, this, run);
        side->addWidget(push);
    };
    button(b.add, "add", &CFolderOrganizerDlg::Add);
    button(b.remove, "delete", &CFolderOrganizerDlg::Delete);
    button(b.rename, "rename", &CFolderOrganizerDlg::Rename);
    button(b.properties, "properties", &CFolderOrganizerDlg::Properties);
    side->addStretch();
    QDialogButtonBox* buttons = OkCancel(this, Q(b.ok), Q(b.cancel));
    buttons->setOrientation(Qt::Vertical);
    side->addWidget(buttons);

    auto* body = new QHBoxLayout;
    body->addWidget(list_, 1);
    body->addLayout(side);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TextLabel(texts.organizerText, this));
    layout->addLayout(body);
    resize(420, 320);
    FillList(organizer_.Entries().empty() ? std::nullopt : std::optional<std::size_t>(0));
}

std::optional<std::size_t> CFolderOrganizerDlg::Selected() const {
    return SelectedRow(list_);
}

void CFolderOrganizerDlg::FillList(std::optional<std::size_t> select) {
    list_->clear();
    for (const std::string& name : organizer_.Names()) list_->addItem(Q(name));
    if (select && *select < static_cast<std::size_t>(list_->count())) {
        list_->setCurrentRow(static_cast<int>(*select));
    }
}

void CFolderOrganizerDlg::Add() {
    CNewFolderDlg dialog(organizer_.NewEntry(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    FillList(organizer_.Add(dialog.Form()));
}

void CFolderOrganizerDlg::Delete() {
    const std::optional<std::size_t> row = Selected();
    if (std::optional<store::FormMessage> message = organizer_.Delete(row)) {
        ShowFormMessage(this, *message);
        return;
    }
    std::optional<std::size_t> next;
    if (!organizer_.Entries().empty()) next = std::min(*row, organizer_.Entries().size() - 1);
    FillList(next);
}

void CFolderOrganizerDlg::Rename() {
    const std::optional<std::size_t> row = Selected();
    auto step = organizer_.Rename(row);
    if (auto* message = std::get_if<store::FormMessage>(&step)) {
        ShowFormMessage(this, *message);
        return;
    }
    CRenameDlg dialog(std::get<store::RenameForm>(std::move(step)), this);
    if (dialog.exec() != QDialog::Accepted) return;
    organizer_.Apply(*row, dialog.Form());
    list_->item(static_cast<int>(*row))->setText(Q(organizer_.Entries()[*row].name));
}

void CFolderOrganizerDlg::Properties() {
    const std::optional<std::size_t> row = Selected();
    auto step = organizer_.Properties(row);
    if (auto* message = std::get_if<store::FormMessage>(&step)) {
        ShowFormMessage(this, *message);
        return;
    }
    CFolderPropertiesDlg dialog(std::get<store::PropertiesForm>(std::move(step)), this);
    if (dialog.exec() == QDialog::Accepted) organizer_.Apply(*row, dialog.Form());
}

void CFolderOrganizerDlg::accept() {
    // A file that cannot be written keeps what was stored before; there is nothing to ask.
    organizer_.Ok();
    QDialog::accept();
}

void CFolderOrganizerDlg::reject() {
    organizer_.Cancel();
    QDialog::reject();
}

// --- CChooseFavouriteDlg -----------------------------------------------------------------

CChooseFavouriteDlg::CChooseFavouriteDlg(store::FolderLists& lists, QWidget* parent)
    : QDialog(parent), lists_(lists), form_(lists) {
    setWindowTitle(Q(store::ChooseFavouriteForm::Title()));
    setModal(true);
    list_ = new QListWidget(this);
    list_->setObjectName("favourites");
    list_->setUniformItemSizes(true);
    list_->setStyleSheet(QStringLiteral("QListWidget::item { height: %1px; }")
                             .arg(store::ChooseFavouriteForm::kRowHeight));
    connect(list_, &QListWidget::itemDoubleClicked, this, &CChooseFavouriteDlg::accept);
    auto* organize = new QPushButton(Q(store::ChooseFavouriteForm::OrganizeButton()), this);
    organize->setObjectName("organize");
    organize->setAutoDefault(false);
    connect(organize, &QPushButton::clicked, this, &CChooseFavouriteDlg::Organize);

    auto* row = new QHBoxLayout;
    row->addWidget(organize);
    row->addStretch();
    row->addWidget(OkCancel(this));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(TextLabel(store::ChooseFavouriteForm::Text(), this));
    layout->addWidget(list_, 1);
    layout->addLayout(row);
    resize(360, 300);
    FillList();
}

void CChooseFavouriteDlg::FillList() {
    list_->clear();
    for (const std::string& name : form_.Names()) list_->addItem(Q(name));
    if (std::optional<std::size_t> first = form_.InitialSelection()) {
        list_->setCurrentRow(static_cast<int>(*first));
    }
}

void CChooseFavouriteDlg::Organize() {
    CFolderOrganizerDlg organizer(store::FolderListKind::kFavorites, lists_, this);
    if (organizer.exec() != QDialog::Accepted) return;
    form_.Refill();
    FillList();
}

void CChooseFavouriteDlg::accept() {
    if (std::optional<store::FormMessage> message = form_.Ok(SelectedRow(list_))) {
        ShowFormMessage(this, *message);
        return;
    }
    QDialog::accept();
}

// --- Commands ----------------------------------------------------------------------------

namespace {

bool ShowOrganizer(QWidget* parent, store::FolderListKind list, store::FolderLists& lists) {
    CFolderOrganizerDlg dialog(list, lists, parent);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace

bool ShowFavoritesOrganizer(QWidget* parent, store::FolderLists& lists) {
    return ShowOrganizer(parent, store::FolderListKind::kFavorites, lists);
}

bool ShowSubscriptionOrganizer(QWidget* parent, store::FolderLists& lists) {
    return ShowOrganizer(parent, store::FolderListKind::kSubscriptions, lists);
}

bool ShowFavoritesOrganizer(QWidget* parent, client::ClientCore& core) {
    return ShowFavoritesOrganizer(parent, core.FolderLists());
}

bool ShowSubscriptionOrganizer(QWidget* parent, client::ClientCore& core) {
    return ShowSubscriptionOrganizer(parent, core.FolderLists());
}

std::optional<std::int32_t> ChooseFavourite(QWidget* parent, store::FolderLists& lists) {
    CChooseFavouriteDlg dialog(lists, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Form().ChosenId();
}

}  // namespace brevio::ui
