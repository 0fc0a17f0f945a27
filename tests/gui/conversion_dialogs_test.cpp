// The conversion and export dialogs as the user sees them, offscreen: the fields filled from
// the stored values, the buttons that follow the boxes, refused values with the form's message
// and the dialog kept open, what OK stores, and the update dialog's stop and end.
#include "ui/conversion/conversion_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "conversion/conversion_settings.h"
#include "conversion/db_export.h"
#include "platform/fs.h"
#include "platform/text.h"
#include "settings/registry_values.h"
#include "ui/conversion/news_edit_dialogs.h"
#include "ui/reference/list_update_window.h"

using namespace brevio;
namespace keys = conversion::keys;

namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

template <class W>
W* Child(QWidget* parent, const char* name) {
    W* child = parent->findChild<W*>(name);
    if (!child) qWarning("no child %s", name);
    return child;
}

void Click(QWidget* parent, const char* name) {
    auto* button = Child<QAbstractButton>(parent, name);
    QVERIFY(button);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

// Runs `action` while every message box that shows up is answered with OK; their texts.
QStringList AnswerMessageBoxes(const std::function<void()>& action) {
    QStringList texts;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        texts << box->text();
        box->button(QMessageBox::Ok)->click();
    });
    watcher.start(10);
    action();
    return texts;
}

// Runs `step` on the dialog once an exec() has opened it; a failed step closes it.
template <class W>
void OnNextModal(std::function<void(W*)> step) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, step] {
        auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!window) return;
        timer->stop();
        timer->deleteLater();
        step(window);
        if (QTest::currentTestFailed() && window->isVisible()) window->close();
    });
    timer->start();
}

conversion::ConversionSettings SomeSettings(const std::string& folder) {
    conversion::ConversionSettings s;
    s.programFolder = folder;
    s.convertPath = folder + "out/";
    s.installDir = folder;
    s.templatePath = folder + "Template/";
    s.isTranPeople = 1;
    s.isTranTrade = 0;
    s.isTranRegion = 1;
    s.convertAuto = 1;
    s.convertFormat = conversion::kFormatHtml;
    s.convertTemplate = 1;
    s.templateNames = "a|b|c";
    s.selectTemplate = "b";
    return s;
}

// An exchange that waits until the test lets it go.
class HeldExchange {
  public:
    reference::ListExchange Exchange(reference::ListReply reply) {
        return [this, reply](const reference::UpdateRequest&) {
            std::unique_lock lock(mutex_);
            started_ = true;
            cv_.wait(lock, [this] { return released_; });
            return reply;
        };
    }
    bool Started() {
        std::lock_guard lock(mutex_);
        return started_;
    }
    void Release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        cv_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool started_ = false;
    bool released_ = false;
};

}  // namespace

class ConversionDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void settingsShowTheStoredValuesAndButtonsFollowTheBoxes();
    void settingsRefuseAMissingTemplateAndZeroDaysAndStoreOnOk();
    void settingsCancelStoresNothing();
    void dataSourceShowsStoredValuesTestsAndStores();
    void specialConversionEnablesByChoiceAndStores();
    void updateDialogStopsAndEndsWithCancelOnceTheWorkerEnds();
    void updateDialogEndsWithOkOnSuccessAndAnimates();
    void templateManagerAddsRenamesPreviewsAndDeletesWithTheFormsMessages();
    void settingsTakeTheManagersListAndKeepTheChosenTemplate();

  private:
    std::unique_ptr<QTemporaryDir> home_;
    std::string Folder() const { return home_->path().toStdString() + "/"; }
};

void ConversionDialogsTest::init() {
    home_ = std::make_unique<QTemporaryDir>();
    QVERIFY(home_->isValid());
    qputenv("BREVIO_HOME", home_->path().toUtf8());
}

void ConversionDialogsTest::cleanup() {
    home_.reset();
}

void ConversionDialogsTest::settingsShowTheStoredValuesAndButtonsFollowTheBoxes() {
    settings::WriteInt(keys::kPeopleData, 5);
    settings::WriteInt(keys::kTradeData, 6);
    settings::WriteInt(keys::kRegionData, 8);
    const conversion::ConversionSettings current = SomeSettings(Folder());
    conversion::ConversionSettingsForm form(current);
    std::vector<int> customized;
    int dataSourceOpened = 0;
    ui::ConversionSettingsActions actions;
    actions.customizeCategories = [&customized](int kind) { customized.push_back(kind); };
    actions.dataSource = [&dataSourceOpened] { ++dataSourceOpened; };
    ui::CConversionSettingsDlg dialog(form, current, actions);
    dialog.show();

    QCOMPARE(dialog.windowTitle(), U("转换"));
    QCOMPARE(Child<QLineEdit>(&dialog, "path")->text(), QString::fromStdString(Folder() + "out/"));
    QVERIFY(Child<QCheckBox>(&dialog, "people")->isChecked());
    QVERIFY(!Child<QCheckBox>(&dialog, "trade")->isChecked());
    QVERIFY(Child<QCheckBox>(&dialog, "region")->isChecked());
    QCOMPARE(Child<QSpinBox>(&dialog, "peopleDays")->value(), 5);
    QCOMPARE(Child<QSpinBox>(&dialog, "tradeDays")->value(), 6);
    QCOMPARE(Child<QSpinBox>(&dialog, "regionDays")->value(), 8);
    auto* format = Child<QComboBox>(&dialog, "format");
    QCOMPARE(format->currentText(), U("HTML文件"));
    QVERIFY(Child<QRadioButton>(&dialog, "customTemplate")->isChecked());
    QVERIFY(Child<QRadioButton>(&dialog, "automatic")->isChecked());
    auto* custom = Child<QListWidget>(&dialog, "customList");
    QCOMPARE(custom->count(), 3);
    QCOMPARE(custom->currentRow(), 1);
    QVERIFY(custom->isEnabled());
    QVERIFY(!Child<QListWidget>(&dialog, "fixedList")->isEnabled());

    // "定制类别" follows its group's box; each button names its group.
    QVERIFY(Child<QPushButton>(&dialog, "peopleCategories")->isEnabled());
    QVERIFY(!Child<QPushButton>(&dialog, "tradeCategories")->isEnabled());
    Click(&dialog, "trade");
    QVERIFY(Child<QPushButton>(&dialog, "tradeCategories")->isEnabled());
    Click(&dialog, "peopleCategories");
    Click(&dialog, "tradeCategories");
    Click(&dialog, "regionCategories");
    QCOMPARE(customized, (std::vector<int>{10, 12, 11}));
    Click(&dialog, "region");
    QVERIFY(!Child<QPushButton>(&dialog, "regionCategories")->isEnabled());

    // The data source only for the database format.
    QVERIFY(!Child<QPushButton>(&dialog, "dataSource")->isEnabled());
    Click(&dialog, "fixedTemplate");
    QVERIFY(!custom->isEnabled());
    QVERIFY(Child<QListWidget>(&dialog, "fixedList")->isEnabled());
    QCOMPARE(dataSourceOpened, 0);
}

void ConversionDialogsTest::settingsRefuseAMissingTemplateAndZeroDaysAndStoreOnOk() {
    conversion::ConversionSettings current = SomeSettings(Folder());
    current.selectTemplate = "none of them";
    current.templateIndex = 7;  // no such row: nothing selected
    conversion::ConversionSettingsForm form(current);
    ui::CConversionSettingsDlg dialog(form, current, {});
    dialog.show();
    QCOMPARE(Child<QListWidget>(&dialog, "customList")->currentRow(), -1);

    QStringList shown = AnswerMessageBoxes([&] { Click(&dialog, "ok"); });
    QCOMPARE(shown, QStringList{U("请选择一个HTML模板!")});
    QVERIFY(dialog.isVisible());

    Child<QListWidget>(&dialog, "customList")->setCurrentRow(2);
    Child<QSpinBox>(&dialog, "tradeDays")->setValue(0);
    shown = AnswerMessageBoxes([&] { Click(&dialog, "ok"); });
    QCOMPARE(shown, QStringList{U("保留的天数不能为 0 。")});
    QVERIFY(dialog.isVisible());
    QVERIFY(!settings::ReadString(keys::kSelectTemplate, "").size());

    Child<QSpinBox>(&dialog, "tradeDays")->setValue(3);
    Click(&dialog, "manual");
    Child<QComboBox>(&dialog, "format")->setCurrentIndex(conversion::kFormatTextAndHtml);
    shown = AnswerMessageBoxes([&] { Click(&dialog, "ok"); });
    QVERIFY(shown.isEmpty());
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(dialog.NotifiedCode(), 13);
    QCOMPARE(settings::ReadString(keys::kSelectTemplate, ""), std::string("c"));
    QCOMPARE(settings::ReadInt(keys::kTemplateIndex, -1), 2);
    QCOMPARE(settings::ReadInt(keys::kTradeData, -1), 3);
    QCOMPARE(settings::ReadInt(keys::kConvertAuto, -1), 0);
    QCOMPARE(settings::ReadInt(keys::kConvertFormat, -1), int(conversion::kFormatTextAndHtml));
    QCOMPARE(settings::ReadInt(keys::kIsTranTrade, -1), 0);
    QCOMPARE(settings::ReadInt(keys::kIsTranRegion, -1), 1);
}

void ConversionDialogsTest::settingsCancelStoresNothing() {
    const conversion::ConversionSettings current = SomeSettings(Folder());
    conversion::ConversionSettingsForm form(current);
    ui::CConversionSettingsDlg dialog(form, current, {});
    dialog.show();
    Click(&dialog, "trade");
    Click(&dialog, "cancel");
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QCOMPARE(dialog.NotifiedCode(), 0);
    QCOMPARE(settings::ReadInt(keys::kIsTranTrade, -1), -1);
}

void ConversionDialogsTest::dataSourceShowsStoredValuesTestsAndStores() {
    conversion::StoreDataSource({"nosuchsource", "someone", "pw"});
    conversion::DataSourceForm form;
    ui::CDataSourceDlg dialog(form);
    dialog.show();
    QCOMPARE(dialog.windowTitle(), U("数据源配置"));
    QCOMPARE(Child<QLineEdit>(&dialog, "name")->text(), QString("nosuchsource"));
    QCOMPARE(Child<QLineEdit>(&dialog, "user")->text(), QString("someone"));
    QCOMPARE(Child<QLineEdit>(&dialog, "password")->echoMode(), QLineEdit::Password);

    // The test uses the stored source (which does not exist) and keeps the dialog open.
    Child<QLineEdit>(&dialog, "name")->setText("other");
    const QStringList shown = AnswerMessageBoxes([&] { Click(&dialog, "test"); });
    QCOMPARE(shown, QStringList{U("测试数据源失败,请重新配置数据源或选择其他转换方式!")});
    QVERIFY(dialog.isVisible());
    QCOMPARE(conversion::ReadDataSource().name, std::string("nosuchsource"));

    Child<QLineEdit>(&dialog, "password")->setText(U("新密码"));
    Click(&dialog, "ok");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    const conversion::DataSource stored = conversion::ReadDataSource();
    QCOMPARE(stored.name, std::string("other"));
    QCOMPARE(stored.user, std::string("someone"));
    QCOMPARE(stored.password, platform::Utf8ToGbk("新密码"));
}

void ConversionDialogsTest::specialConversionEnablesByChoiceAndStores() {
    settings::WriteInt(keys::kEspeTransAuto, 1);
    settings::WriteInt(keys::kEspeTransSelect, conversion::kTransferToSerial);
    settings::WriteInt(keys::kEspeTransSerial, 1);
    settings::WriteInt(keys::kEspeTransHand, 0);
    conversion::SpecialConversionForm form;
    ui::CSpecialConversionDlg dialog(form, [this] { return std::optional<std::string>(Folder()); });
    dialog.show();
    QCOMPARE(dialog.windowTitle(), U("新闻特殊转换"));
    QVERIFY(Child<QCheckBox>(&dialog, "auto")->isChecked());
    QVERIFY(Child<QRadioButton>(&dialog, "serial")->isChecked());
    QCOMPARE(Child<QComboBox>(&dialog, "port")->currentText(), QString("COM2"));

    // Every control shows the form's enabling for the values on screen.
    auto check = [&] {
        const conversion::SpecialConversionForm::Enabling e = form.Enabled();
        QCOMPARE(Child<QWidget>(&dialog, "port")->isEnabled(), e.portList);
        QCOMPARE(Child<QWidget>(&dialog, "folder")->isEnabled(), e.folder);
        QCOMPARE(Child<QWidget>(&dialog, "browse")->isEnabled(), e.browse);
        QCOMPARE(Child<QWidget>(&dialog, "hand")->isEnabled(), e.handBox);
        QCOMPARE(Child<QWidget>(&dialog, "start")->isEnabled(), e.start);
        QCOMPARE(Child<QWidget>(&dialog, "pause")->isEnabled(), e.pause);
    };
    check();
    QVERIFY(Child<QWidget>(&dialog, "port")->isEnabled());
    QVERIFY(!Child<QWidget>(&dialog, "folder")->isEnabled());
    Click(&dialog, "usb");
    check();
    QVERIFY(Child<QWidget>(&dialog, "folder")->isEnabled());
    Click(&dialog, "browse");
    QCOMPARE(Child<QLineEdit>(&dialog, "folder")->text(), QString::fromStdString(Folder()));
    Click(&dialog, "auto");
    check();

    Click(&dialog, "ok");
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(settings::ReadInt(keys::kEspeTransAuto, -1), 0);
    QCOMPARE(settings::ReadInt(keys::kEspeTransSelect, -1), conversion::kTransferToUsb);
    QCOMPARE(dialog.Stored().specialSelect, conversion::kTransferToUsb);
    QVERIFY(!dialog.Stored().specialAuto);
    // A new folder gets its marker file.
    QVERIFY(QFile::exists(QString::fromStdString(Folder() + "usb.usb")));
}

void ConversionDialogsTest::updateDialogStopsAndEndsWithCancelOnceTheWorkerEnds() {
    HeldExchange held;
    reference::UpdateRequest request;
    request.label = platform::Utf8ToGbk("行业");
    request.type = "trade";
    bool sawStop = false;
    QTimer::singleShot(0, [&] {
        auto* timer = new QTimer;
        QObject::connect(timer, &QTimer::timeout, [&, timer] {
            auto* dialog = qobject_cast<ui::CUpdateDlg*>(QApplication::activeModalWidget());
            if (!dialog || !held.Started()) return;
            timer->stop();
            timer->deleteLater();
            QCOMPARE(Child<QLabel>(dialog, "status")->text(), U("正在更新行业..."));
            auto* stop = Child<QPushButton>(dialog, "stop");
            QCOMPARE(stop->text(), U("终 止"));
            stop->click();
            QVERIFY(!stop->isEnabled());
            QCOMPARE(Child<QLabel>(dialog, "status")->text(), U("用户终止更新!"));
            // Closing before the worker ends keeps the window.
            dialog->close();
            QVERIFY(dialog->isVisible());
            sawStop = true;
            held.Release();
        });
        timer->start(10);
    });
    ui::CUpdateDlg dialog(request, held.Exchange({0, "200 OK\r\nCODE:1\r\n"}));
    QCOMPARE(dialog.Run(), reference::DialogResult::kCancel);
    QVERIFY(sawStop);
    QVERIFY(!dialog.isVisible());
    QVERIFY(request.body.empty());
}

void ConversionDialogsTest::updateDialogEndsWithOkOnSuccessAndAnimates() {
    HeldExchange held;
    reference::UpdateRequest request;
    request.label = "stocks";
    request.type = "stock";
    QSet<QString> frames;
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<ui::CUpdateDlg*>(QApplication::activeModalWidget());
        if (!dialog) return;
        frames.insert(Child<QLabel>(dialog, "animation")->text());
        if (frames.size() >= 3) held.Release();
    });
    timer->start(ui::CUpdateDlg::kFrameMilliseconds / 2);
    reference::DialogEnd end =
        ui::WindowDialogRunner(nullptr)(request, held.Exchange({0, "200 OK\r\nCODE:1\r\n"}));
    delete timer;
    QCOMPARE(end.result, reference::DialogResult::kOk);
    QVERIFY(frames.size() >= 3);
    QCOMPARE(request.body, std::string("CODE:1\r\n"));
    QVERIFY(end.messages.empty());
}

void ConversionDialogsTest::templateManagerAddsRenamesPreviewsAndDeletesWithTheFormsMessages() {
    const std::string folder = Folder();
    const std::string chosen = folder + platform::Utf8ToGbk("蓝色模板.txt");
    {
        QFile file(QString::fromStdString(platform::GbkToUtf8(chosen)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<html><title>%s</title><h1>%s</h1><p>%s %s</p>%s</html>");
    }
    conversion::TemplateManagerForm form(folder);
    std::vector<std::string> previews;
    ui::TemplateManagerQuestions questions;
    questions.chooseFile = [&] { return std::optional<std::string>(chosen); };
    questions.newName = [](const std::string& current) {
        return std::optional<std::string>(current + platform::Utf8ToGbk("二"));
    };
    questions.showPage = [&](const std::string& page) { previews.push_back(page); };
    ui::CTemplateManagerDlg dialog(form, questions);
    dialog.show();
    auto* list = Child<QListWidget>(&dialog, "templates");
    QCOMPARE(list->count(), 0);

    // Buttons that need a selection say so.
    QStringList shown = AnswerMessageBoxes([&] {
        Click(&dialog, "delete");
        Click(&dialog, "rename");
        Click(&dialog, "preview");
    });
    QCOMPARE(shown, QStringList({U("请选择要删除的模板!"), U("请选择一个要重命名的模板!"),
                                 U("请选择一个要预览的模板!")}));
    QVERIFY(!dialog.Changed());

    // Added under the file's title; the same file again is refused.
    shown = AnswerMessageBoxes([&] { Click(&dialog, "add"); });
    QVERIFY(shown.isEmpty());
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), U("蓝色模板"));
    QCOMPARE(platform::GbkToUtf8(settings::ReadString(keys::kTemplateName, "")),
             std::string("蓝色模板"));
    shown = AnswerMessageBoxes([&] { Click(&dialog, "add"); });
    QCOMPARE(shown, QStringList{U("已经包含有相同名字的模板了!")});
    QCOMPARE(list->count(), 1);

    // Renamed: file and entry; the preview fills the renamed template.
    list->setCurrentRow(0);
    Click(&dialog, "rename");
    QCOMPARE(list->item(0)->text(), U("蓝色模板二"));
    QVERIFY(platform::FileExists(form.TemplatePath() + platform::Utf8ToGbk("蓝色模板二.txt")));
    QVERIFY(!platform::FileExists(form.TemplatePath() + platform::Utf8ToGbk("蓝色模板.txt")));
    list->setCurrentRow(0);
    Click(&dialog, "preview");
    QCOMPARE(previews.size(), std::size_t(1));
    std::string page;
    QVERIFY(platform::ReadWholeFile(previews[0], page));
    QVERIFY2(page.rfind("<html><title>", 0) == 0, page.c_str());

    list->setCurrentRow(0);
    Click(&dialog, "delete");
    QCOMPARE(list->count(), 0);
    QCOMPARE(settings::ReadString(keys::kTemplateName, "x"), std::string());
    QVERIFY(dialog.Changed());
}

void ConversionDialogsTest::settingsTakeTheManagersListAndKeepTheChosenTemplate() {
    const conversion::ConversionSettings current = SomeSettings(Folder());  // a|b|c, b chosen
    conversion::ConversionSettingsForm form(current);
    std::vector<std::optional<std::vector<std::string>>> answers = {
        std::nullopt,                                  // closed without a change
        std::vector<std::string>{"new", "a", "b"},     // one added in front
        std::vector<std::string>{"new"},               // the chosen one deleted
    };
    std::size_t asked = 0;
    ui::ConversionSettingsActions actions;
    actions.manageTemplates = [&] { return answers[asked++]; };
    ui::CConversionSettingsDlg dialog(form, current, actions);
    dialog.show();
    auto* custom = Child<QListWidget>(&dialog, "customList");
    QCOMPARE(custom->currentRow(), 1);

    Click(&dialog, "manageTemplates");
    QCOMPARE(custom->count(), 3);
    QCOMPARE(custom->currentRow(), 1);
    Click(&dialog, "manageTemplates");
    QCOMPARE(custom->count(), 3);
    QCOMPARE(custom->item(0)->text(), U("new"));
    QCOMPARE(custom->currentItem()->text(), U("b"));
    Click(&dialog, "manageTemplates");
    QCOMPARE(custom->count(), 1);
    QCOMPARE(custom->selectedItems().size(), 0);
    QCOMPARE(asked, std::size_t(3));
    // With the chosen template gone, OK asks for one.
    const QStringList shown = AnswerMessageBoxes([&] { Click(&dialog, "ok"); });
    QCOMPARE(shown, QStringList{U("请选择一个HTML模板!")});
}

QTEST_MAIN(ConversionDialogsTest)
#include "conversion_dialogs_test.moc"
