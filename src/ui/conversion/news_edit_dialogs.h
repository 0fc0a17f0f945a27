// The template manager ("模板管理") and the news edit dialog ("新闻编辑"), thin views over
// conversion::TemplateManagerForm and conversion::NewsEditForm, and the news list's two
// conversion commands built on them.
#pragma once

#include <QDialog>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "conversion/stored_conversion.h"
#include "conversion/templates.h"

class QDateEdit;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QTimeEdit;

namespace brevio::client {
class ClientCore;
}

namespace brevio::ui {

// Where the template manager's dialogs get their answers; unset members ask the user.
struct TemplateManagerQuestions {
    // "添加": the chosen template file (GBK), nothing when cancelled.
    std::function<std::optional<std::string>()> chooseFile;
    // "重命名": the new name (GBK), nothing when cancelled.
    std::function<std::optional<std::string>(const std::string& current)> newName;
    // "预览": shows the written page (default: the modal preview window).
    std::function<void(const std::string& page)> showPage;
};

class CTemplateManagerDlg : public QDialog {
    Q_OBJECT
  public:
    CTemplateManagerDlg(conversion::TemplateManagerForm& form, TemplateManagerQuestions questions,
                        QWidget* parent = nullptr);
    // Whether a button changed the list ("TemplateName" is stored at every change).
    bool Changed() const { return changed_; }

  private:
    void Fill(int select);
    int Selected() const;
    void Add();
    void Delete();
    void Rename();
    void Preview();

    conversion::TemplateManagerForm& form_;
    TemplateManagerQuestions questions_;
    QListWidget* list_ = nullptr;
    bool changed_ = false;
};

class CNewsEditDlg : public QDialog {
    Q_OBJECT
  public:
    // `convert` runs the form's "转换" with the edited fields, off the user-interface thread (a
    // database may take its connection time-out); `chooseSavePath` answers
    // "另存为..." (GBK; nothing when cancelled, unset asks the user).
    CNewsEditDlg(conversion::NewsEditForm& form,
                 std::function<conversion::NewsEditForm::Outcome()> convert,
                 std::function<std::optional<std::string>()> chooseSavePath = {},
                 QWidget* parent = nullptr);

    // Copies the fields into the form.
    void ReadFields();
    // Not while a conversion runs (it works on the form).
    void reject() override;

  private:
    void Convert();
    void SaveAs();

    conversion::NewsEditForm& form_;
    std::function<conversion::NewsEditForm::Outcome()> convert_;
    std::function<std::optional<std::string>()> chooseSavePath_;
    bool converting_ = false;
    QLineEdit* title_ = nullptr;
    QPlainTextEdit* content_ = nullptr;
    QLineEdit* site_ = nullptr;
    QDateEdit* date_ = nullptr;
    QTimeEdit* time_ = nullptr;
};

// One selected item of the news list.
struct StoredNewsRef {
    int folderKind = 0;
    std::string base;
    std::int32_t id = 0;
};

// "模板管理..." of the conversion settings: the manager over the program folder's templates;
// the custom names afterwards when the list changed.
std::optional<std::vector<std::string>> ShowTemplateManager(QWidget* parent,
                                                            const std::string& programFolder);
// 32827 "编辑新闻": reads the item off the user-interface thread, then the edit dialog.
void EditStoredNews(QWidget* parent, client::ClientCore& core, const StoredNewsRef& item);
// 32828: converts the selected items by the conversion settings' format (the database form
// through the running export) off the user-interface thread with a busy indicator, then
// "共有%d条新闻转换成功!". `done` gets the number converted.
void ConvertStoredNews(QWidget* parent, client::ClientCore& core,
                       std::vector<StoredNewsRef> items, std::function<void(int)> done = {});

}  // namespace brevio::ui
