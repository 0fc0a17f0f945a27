// The dialogs of the subscription model, thin views over their form objects: the category
// selection ("自选信息"), the web sites of a category ("定制网站"), the automatic-search settings,
// the property view of a category ("属性"), the conversion category choice and the
// subscription dialog with the three category trees ("新闻订制").
//
// The views take what they work on explicitly (SubscriptionContext); the command functions at
// the end build it from the running client.
#pragma once

#include <QDialog>
#include <functional>
#include <optional>
#include <string>

#include "client/navigation_tree.h"
#include "net/auto_search_form.h"
#include "net/category_selection_form.h"
#include "net/property_view_form.h"
#include "net/website_form.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QTabWidget;
class QTimeEdit;
class QTreeWidget;

namespace brevio::client {
class ClientCore;
}
namespace brevio::conversion {
class ConversionCategoryForm;
}
namespace brevio::reference {
class ReferenceTables;
}

namespace brevio::ui {

// What the subscription dialogs read and change.
struct SubscriptionContext {
    const reference::ReferenceTables& tables;
    net::SubscriptionLists& lists;
    std::string contentFolder;  // GBK, ends in "/": UserWebsite.tab lives under it
    std::string programFolder;  // GBK, ends in "/": Vantory.ini lives there

    std::string UserWebsitePath() const;
    SubscriptionContext(const reference::ReferenceTables& t, net::SubscriptionLists& l,
                        std::string content, std::string program)
        : tables(t),
          lists(l),
          contentFolder(std::move(content)),
          programFolder(std::move(program)) {}
};

// "定制网站 —— <category>".
class CWebsiteDlg : public QDialog {
    Q_OBJECT
  public:
    CWebsiteDlg(net::WebsiteForm form, net::SubscriptionLists& lists, QWidget* parent = nullptr);
    const net::WebsiteForm& Form() const { return form_; }
    void accept() override;

  private:
    void OnItemChanged(QListWidgetItem* item);
    void SetAll(bool ticked);
    void Find();
    void Refresh();

    net::WebsiteForm form_;
    net::SubscriptionLists& lists_;
    QListWidget* sites_ = nullptr;
    QLabel* count_ = nullptr;
    QLineEdit* findText_ = nullptr;
    QCheckBox* allCategories_ = nullptr;
    bool filling_ = false;
};

// "自选信息": the groups, the categories of the shown group and the user's choice.
class CCategorySelectionDlg : public QDialog {
    Q_OBJECT
  public:
    // `onSaved` runs after OK wrote the selection (the client selects the records it names and
    // rebuilds its conversion lists).
    CCategorySelectionDlg(SubscriptionContext context, std::function<void()> onSaved,
                          QWidget* parent = nullptr);
    const net::CategorySelectionForm& Form() const { return form_; }
    void accept() override;

  private:
    void ShowGroup(int index);
    void Add();
    void Remove();
    void Websites();
    void FillChosen();

    SubscriptionContext context_;
    std::function<void()> onSaved_;
    net::CategorySelectionForm form_;
    QComboBox* group_ = nullptr;
    QListWidget* available_ = nullptr;
    QListWidget* chosen_ = nullptr;
};

// "自动搜索设置 ".
class CAutoSearchDlg : public QDialog {
    Q_OBJECT
  public:
    CAutoSearchDlg(net::SubscriptionLists& lists, QWidget* parent = nullptr);
    void accept() override;

  private:
    void ApplyEnabling();

    net::SubscriptionLists& lists_;
    net::AutoSearchForm form_;
    QCheckBox* autoSearch_ = nullptr;
    QTimeEdit* start_ = nullptr;
    QTimeEdit* end_ = nullptr;
    QLineEdit* interval_ = nullptr;
};

// "属性 —— <category>": read-only.
class CPropertyViewDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CPropertyViewDlg(const net::PropertyViewForm& form, QWidget* parent = nullptr);
};

// "定制转换类别" (public categories under their major categories) or "定制新闻类别" (trades or
// regions): which categories the conversion takes.
class CConversionCategoryDlg : public QDialog {
    Q_OBJECT
  public:
    CConversionCategoryDlg(int kind, conversion::ConversionCategoryForm& form,
                           QWidget* parent = nullptr);
    void accept() override;

  private:
    void FillShown();
    void SetAll(bool ticked);

    conversion::ConversionCategoryForm& form_;
    QListWidget* majors_ = nullptr;
    QListWidget* entries_ = nullptr;
    bool filling_ = false;
};

// "新闻订制": the public categories, trades and regions as three trees; the web sites and the
// properties of the chosen category, and the category selection.
class CSubscriptionTreesDlg : public QDialog {
    Q_OBJECT
  public:
    CSubscriptionTreesDlg(SubscriptionContext context, std::function<void()> onSelectionSaved,
                          QWidget* parent = nullptr);
    // The category leaf chosen in the tree shown, if any.
    std::optional<client::NavNode> ChosenNode() const;

  private:
    SubscriptionContext context_;
    std::function<void()> onSelectionSaved_;
    QTabWidget* tabs_ = nullptr;
    std::vector<QTreeWidget*> trees_;
    std::vector<client::NavNode> roots_;
};

// The web-site dialog of a category node (public category, trade or region). Without a node
// the message asking for a category; a node with no record gives "请选择一新闻类别" and no
// dialog. True when OK stored the sites.
bool ShowWebsites(QWidget* parent, SubscriptionContext context,
                  const std::optional<client::NavNode>& node);
// The property view of a category node; the same messages as the web-site dialog.
void ShowCategoryProperties(QWidget* parent, SubscriptionContext context,
                            const std::optional<client::NavNode>& node);

// The commands of the main window.
SubscriptionContext ContextOf(client::ClientCore& core);
bool ShowCategorySelection(QWidget* parent, client::ClientCore& core);  // 32777
bool ShowWebsites(QWidget* parent, client::ClientCore& core,
                  const std::optional<client::NavNode>& node);   // 32841
bool ShowAutoSearch(QWidget* parent, client::ClientCore& core);  // 32842
void ShowCategoryProperties(QWidget* parent, client::ClientCore& core,
                            const std::optional<client::NavNode>& node);  // 32774
void ShowSubscriptionTrees(QWidget* parent, client::ClientCore& core);    // 32825
// The conversion category choice of a group (10 public, 11 regions, 12 trades), opened by the
// conversion settings dialog; true when OK stored the choice.
bool ShowConversionCategories(QWidget* parent, client::ClientCore& core, int kind);

}  // namespace brevio::ui
