// The dialogs of news conversion and export, thin views over their form objects: the
// conversion settings ("转换"), the data source of the database format ("数据源配置") and the
// special conversion to a serial port or a USB folder ("新闻特殊转换").
//
// Every check and message lives in the form; a refused OK shows the form's message and the
// dialog stays open. The command functions at the end build the forms from the running client.
#pragma once

#include <QDialog>
#include <functional>

#include "conversion/db_source_form.h"
#include "conversion/settings_forms.h"
#include "conversion/special_conversion_form.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace brevio::client {
class ClientCore;
}

namespace brevio::ui {

// What the settings dialog's buttons open besides its own fields (each may be empty).
struct ConversionSettingsActions {
    // "定制类别" of a group (10 public, 12 trade, 11 region).
    std::function<void(int kind)> customizeCategories;
    // "数据源配置...".
    std::function<void()> dataSource;
    // "预览模板" with the page written; "模板管理..." (the custom names when the list changed).
    std::function<void(const std::string& page)> showPreview;
    std::function<std::optional<std::vector<std::string>>()> manageTemplates;
    // "更改路径": the chosen folder (GBK), nothing when the user cancelled.
    std::function<std::optional<std::string>()> chooseFolder;
};

// "转换".
class CConversionSettingsDlg : public QDialog {
    Q_OBJECT
  public:
    CConversionSettingsDlg(conversion::ConversionSettingsForm& form,
                           const conversion::ConversionSettings& current,
                           ConversionSettingsActions actions, QWidget* parent = nullptr);
    void accept() override;
    // The navigation code OK sent (0 before an accepted OK).
    int NotifiedCode() const { return notified_; }

  private:
    void FillTemplates();
    void Follow();
    void ReadFields();
    void Tidy(int kind);
    void Preview();

    conversion::ConversionSettingsForm& form_;
    const conversion::ConversionSettings& current_;
    ConversionSettingsActions actions_;
    int notified_ = 0;
    QLineEdit* path_ = nullptr;
    QCheckBox* people_ = nullptr;
    QCheckBox* trade_ = nullptr;
    QCheckBox* region_ = nullptr;
    QPushButton* customizePeople_ = nullptr;
    QPushButton* customizeTrade_ = nullptr;
    QPushButton* customizeRegion_ = nullptr;
    QComboBox* format_ = nullptr;
    QPushButton* dataSource_ = nullptr;
    QRadioButton* fixed_ = nullptr;
    QRadioButton* custom_ = nullptr;
    QListWidget* fixedList_ = nullptr;
    QListWidget* customList_ = nullptr;
    QRadioButton* manual_ = nullptr;
    QRadioButton* automatic_ = nullptr;
    QSpinBox* peopleDays_ = nullptr;
    QSpinBox* tradeDays_ = nullptr;
    QSpinBox* regionDays_ = nullptr;
};

// "数据源配置" with its test button.
class CDataSourceDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CDataSourceDlg(conversion::DataSourceForm& form, QWidget* parent = nullptr);
    void accept() override;

  private:
    void ReadFields();

    conversion::DataSourceForm& form_;
    QLineEdit* name_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
};

// "新闻特殊转换".
class CSpecialConversionDlg : public QDialog {
    Q_OBJECT
  public:
    // `chooseFolder` answers "浏览目录..." (GBK; nothing when cancelled); may be empty.
    CSpecialConversionDlg(conversion::SpecialConversionForm& form,
                          std::function<std::optional<std::string>()> chooseFolder,
                          QWidget* parent = nullptr);
    void accept() override;
    // What OK stored (after an accepted OK).
    const conversion::ExportSettings& Stored() const { return stored_; }

  private:
    void ReadFields();
    void Follow();

    conversion::SpecialConversionForm& form_;
    std::function<std::optional<std::string>()> chooseFolder_;
    conversion::ExportSettings stored_;
    QCheckBox* auto_ = nullptr;
    QRadioButton* serial_ = nullptr;
    QRadioButton* usb_ = nullptr;
    QComboBox* port_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QPushButton* browse_ = nullptr;
    QCheckBox* hand_ = nullptr;
    QPushButton* start_ = nullptr;
    QPushButton* pause_ = nullptr;
};

// The main window's commands. Each returns true when the dialog ended with OK.
//   conversion settings (32815): stores, reloads the automatic conversion and the export
//   settings, tells the navigation the code OK gave.
bool ShowConversionSettings(QWidget* parent, client::ClientCore& core);
//   "数据源配置" (from the settings dialog): stores the data source; the running export
//   takes it on its next connection.
bool ShowDataSourceSettings(QWidget* parent, client::ClientCore& core);
//   "将新闻转换至串口或USB" (32859): stores and hands the settings to the running transfer.
bool ShowSpecialConversion(QWidget* parent, client::ClientCore& core);

// A modal window showing a written page (the template previews).
void ShowPagePreview(QWidget* parent, const std::string& gbkPath);

}  // namespace brevio::ui
