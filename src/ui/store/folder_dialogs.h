// The dialogs of the favourites and personal subscription folders, thin views over the form
// objects of store/folder_forms.h: the organising dialog (add, delete, rename, properties),
// the new-entry dialog, the rename dialog, the properties dialog and "add to favourites".
#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>

#include "client/client_core.h"
#include "store/folder_forms.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace brevio::ui {

// The new-entry dialog ("添加收藏夹" / "添加个性化订阅"): name and keywords. OK stays open with
// the form's message when the form refuses.
class CNewFolderDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CNewFolderDlg(store::NewFolderForm form, QWidget* parent = nullptr);
    const store::NewFolderForm& Form() const { return form_; }
    void accept() override;

  private:
    store::NewFolderForm form_;
    QLineEdit* name_ = nullptr;
    QLineEdit* keywords_ = nullptr;
};

// "重命名": the old name and the new one.
class CRenameDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CRenameDlg(store::RenameForm form, QWidget* parent = nullptr);
    const store::RenameForm& Form() const { return form_; }
    void accept() override;

  private:
    store::RenameForm form_;
    QLineEdit* newName_ = nullptr;
};

// "收藏夹属性" / "个性化订阅属性": the name (read-only) and the keywords.
class CFolderPropertiesDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CFolderPropertiesDlg(store::PropertiesForm form, QWidget* parent = nullptr);
    const store::PropertiesForm& Form() const { return form_; }
    void accept() override;

  private:
    store::PropertiesForm form_;
    QLineEdit* keywords_ = nullptr;
};

// The organising dialog of either list ("整理" / "个性化订阅"). OK stores the list and the
// main window refreshes that part of the navigation; Cancel (or closing it) drops the changes.
class CFolderOrganizerDlg : public QDialog {
    Q_OBJECT
  public:
    CFolderOrganizerDlg(store::FolderListKind list, store::FolderLists& lists,
                        QWidget* parent = nullptr);
    const store::FolderOrganizer& Organizer() const { return organizer_; }

    void accept() override;
    void reject() override;

  private:
    void Add();
    void Delete();
    void Rename();
    void Properties();
    void FillList(std::optional<std::size_t> select);
    std::optional<std::size_t> Selected() const;

    store::FolderOrganizer organizer_;
    QListWidget* list_ = nullptr;
};

// "添加到收藏夹": the favourites to choose from and the button that opens the organiser.
class CChooseFavouriteDlg : public QDialog {
    Q_OBJECT
  public:
    CChooseFavouriteDlg(store::FolderLists& lists, QWidget* parent = nullptr);
    const store::ChooseFavouriteForm& Form() const { return form_; }
    void accept() override;

  private:
    void Organize();
    void FillList();

    store::FolderLists& lists_;
    store::ChooseFavouriteForm form_;
    QListWidget* list_ = nullptr;
};

// Command 32801 "整理收藏夹" and command 243, the personal subscriptions: true after OK.
bool ShowFavoritesOrganizer(QWidget* parent, client::ClientCore& core);
bool ShowSubscriptionOrganizer(QWidget* parent, client::ClientCore& core);
bool ShowFavoritesOrganizer(QWidget* parent, store::FolderLists& lists);
bool ShowSubscriptionOrganizer(QWidget* parent, store::FolderLists& lists);
// "Add to favourites": the chosen folder's ID, nothing when the user cancelled.
std::optional<std::int32_t> ChooseFavourite(QWidget* parent, store::FolderLists& lists);

}  // namespace brevio::ui
