#include "ui/conversion/news_edit_dialogs.h"

#include <QDateEdit>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <map>
#include <memory>

#include "app/widgets/background.h"
#include "app/widgets/text.h"
#include "client/client_core.h"
#include "conversion/auto_converter.h"
#include "conversion/export_hand_off.h"
#include "platform/fs.h"
#include "store/news_file.h"
#include "ui/conversion/conversion_dialogs.h"
#include "ui/store/form_view_support.h"

namespace brevio::ui {

using app::G;
using app::Q;
using app::U;

namespace {

// "Text Files (*.txt)|*.txt||" as a Qt file-dialog filter.
QString QtFilter(const std::string& filter) {
    const std::size_t bar = filter.find('|');
    return Q(bar == std::string::npos ? filter : filter.substr(0, bar));
}

QDate DateOf(std::int32_t yyyymmdd) {
    return QDate(yyyymmdd / 10000, yyyymmdd / 100 % 100, yyyymmdd % 100);
}

QTime TimeOf(std::int32_t hhmmss) {
    return QTime(hhmmss / 10000, hhmmss / 100 % 100, hhmmss % 100);
}

}  // namespace

// --- CTemplateManagerDlg --------------------------------------------------------------------

CTemplateManagerDlg::CTemplateManagerDlg(conversion::TemplateManagerForm& form,
                                         TemplateManagerQuestions questions, QWidget* parent)
    : QDialog(parent), form_(form), questions_(std::move(questions)) {
    setObjectName("templateManager");
    setWindowTitle(Q(conversion::TemplateManagerForm::Title()));
    list_ = new QListWidget(this);
    list_->setObjectName("templates");
    QPushButton* add = Button(U("添加"), "add", this);
    QPushButton* remove = Button(U("删除"), "delete", this);
    QPushButton* rename = Button(U("重命名"), "rename", this);
    QPushButton* preview = Button(U("预览"), "preview", this);
    QPushButton* close = Button(U("关闭"), "close", this);
    connect(add, &QPushButton::clicked, this, [this] { Add(); });
    connect(remove, &QPushButton::clicked, this, [this] { Delete(); });
    connect(rename, &QPushButton::clicked, this, [this] { Rename(); });
    connect(preview, &QPushButton::clicked, this, [this] { Preview(); });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { Preview(); });

    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {add, remove, rename, preview}) buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(close);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(list_, 1);
    layout->addLayout(buttons);
    resize(360, 260);
    Fill(-1);
}

void CTemplateManagerDlg::Fill(int select) {
    list_->clear();
    for (const std::string& name : form_.Names()) list_->addItem(Q(name));
    if (select >= 0 && select < list_->count()) list_->setCurrentRow(select);
}

int CTemplateManagerDlg::Selected() const {
    const std::optional<std::size_t> row = SelectedRow(list_);
    return row ? static_cast<int>(*row) : -1;
}

void CTemplateManagerDlg::Add() {
    std::optional<std::string> file;
    if (questions_.chooseFile) {
        file = questions_.chooseFile();
    } else {
        const QString chosen = QFileDialog::getOpenFileName(
            this, Q(conversion::TemplateManagerForm::AddDialogTitle()),
            app::QPath(form_.AddDialogFolder()),
            QtFilter(conversion::TemplateManagerForm::AddDialogFilter()));
        if (!chosen.isEmpty()) file = G(chosen);
    }
    if (!file) return;
    if (std::optional<store::FormMessage> message = form_.Add(*file)) {
        ShowFormMessage(this, *message);
        return;
    }
    changed_ = true;
    Fill(static_cast<int>(form_.Names().size()) - 1);
}

void CTemplateManagerDlg::Delete() {
    if (std::optional<store::FormMessage> message = form_.Delete(Selected())) {
        ShowFormMessage(this, *message);
        return;
    }
    changed_ = true;
    Fill(-1);
}

void CTemplateManagerDlg::Rename() {
    const int selected = Selected();
    if (std::optional<store::FormMessage> message = form_.CheckRename(selected)) {
        ShowFormMessage(this, *message);
        return;
    }
    const std::string current = form_.Names()[static_cast<std::size_t>(selected)];
    std::optional<std::string> name;
    if (questions_.newName) {
        name = questions_.newName(current);
    } else {
        bool ok = false;
        const QString text = QInputDialog::getText(
            this, Q(conversion::TemplateManagerForm::RenameTitle()),
            Q(conversion::TemplateManagerForm::RenameLabel()), QLineEdit::Normal, Q(current), &ok);
        if (ok) name = G(text);
    }
    if (!name) return;
    if (std::optional<store::FormMessage> message = form_.Rename(selected, *name)) {
        ShowFormMessage(this, *message);
        return;
    }
    changed_ = true;
    Fill(selected);
}

void CTemplateManagerDlg::Preview() {
    std::string page;
    if (std::optional<store::FormMessage> message = form_.Preview(Selected(), &page)) {
        ShowFormMessage(this, *message);
        return;
    }
    if (questions_.showPage) {
        questions_.showPage(page);
    } else {
        ShowPagePreview(this, page);
    }
}

// --- CNewsEditDlg ---------------------------------------------------------------------------

CNewsEditDlg::CNewsEditDlg(conversion::NewsEditForm& form,
                           std::function<conversion::NewsEditForm::Outcome()> convert,
                           std::function<std::optional<std::string>()> chooseSavePath,
                           QWidget* parent)
    : QDialog(parent),
      form_(form),
      convert_(std::move(convert)),
      chooseSavePath_(std::move(chooseSavePath)) {
    setObjectName("newsEdit");
    setWindowTitle(Q(conversion::NewsEditForm::Title()));
    title_ = new QLineEdit(Q(form_.title), this);
    title_->setObjectName("title");
    site_ = new QLineEdit(Q(form_.site), this);
    site_->setObjectName("site");
    date_ = new QDateEdit(DateOf(form_.date), this);
    date_->setObjectName("date");
    date_->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    date_->setCalendarPopup(true);
    time_ = new QTimeEdit(TimeOf(form_.time), this);
    time_->setObjectName("time");
    time_->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    content_ = new QPlainTextEdit(this);
    content_->setObjectName("content");
    // The stored content separates lines with CR LF; the editor shows them as lines.
    QString text = Q(form_.content);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    content_->setPlainText(text);

    auto* fields = new QFormLayout;
    fields->addRow(U("标题:"), title_);
    auto* when = new QHBoxLayout;
    when->addWidget(date_);
    when->addWidget(time_);
    when->addStretch(1);
    fields->addRow(U("日期:"), when);
    fields->addRow(U("来源网站:"), site_);

    QPushButton* convertButton = Button(U("转换"), "convert", this);
    QPushButton* saveAs = Button(U("另存为..."), "saveAs", this);
    QPushButton* cancel = Button(U("取消"), "cancel", this);
    connect(convertButton, &QPushButton::clicked, this, [this] { Convert(); });
    connect(saveAs, &QPushButton::clicked, this, [this] { SaveAs(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* b : {convertButton, saveAs, cancel}) buttons->addWidget(b);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(new QLabel(U("内容:"), this));
    layout->addWidget(content_, 1);
    layout->addLayout(buttons);
    resize(620, 480);
}

void CNewsEditDlg::ReadFields() {
    form_.title = G(title_->text());
    form_.site = G(site_->text());
    const QDate d = date_->date();
    form_.date = d.year() * 10000 + d.month() * 100 + d.day();
    const QTime t = time_->time();
    form_.time = t.hour() * 10000 + t.minute() * 100 + t.second();
    QString text = content_->toPlainText();
    text.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    form_.content = G(text);
}

void CNewsEditDlg::Convert() {
    if (converting_) return;
    ReadFields();
    converting_ = true;
    setEnabled(false);
    app::RunInBackground<conversion::NewsEditForm::Outcome>(
        this, convert_, [this](conversion::NewsEditForm::Outcome outcome) {
            converting_ = false;
            setEnabled(true);
            ShowFormMessage(this, outcome.message);
            if (outcome.close) accept();
        });
}

void CNewsEditDlg::reject() {
    if (!converting_) QDialog::reject();
}

void CNewsEditDlg::SaveAs() {
    ReadFields();
    std::optional<std::string> path;
    if (chooseSavePath_) {
        path = chooseSavePath_();
    } else {
        QFileDialog dialog(this, Q(conversion::NewsEditForm::SaveAsTitle()));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QtFilter(conversion::NewsEditForm::SaveAsFilter()));
        dialog.setDefaultSuffix(Q(conversion::NewsEditForm::SaveAsExtension()).mid(1));
        dialog.selectFile(Q(form_.title));
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
            path = G(dialog.selectedFiles().first());
        }
    }
    if (!path) return;
    if (form_.SaveAs(*path) < 0) {
        ShowFormMessage(this, {G(U("文件操作失败!")), store::ProgramMessageTitle(),
                               platform::MessageBoxSink::kWarning});
    }
}

// --- commands -------------------------------------------------------------------------------

std::optional<std::vector<std::string>> ShowTemplateManager(QWidget* parent,
                                                            const std::string& programFolder) {
    conversion::TemplateManagerForm form(programFolder);
    CTemplateManagerDlg dialog(form, {}, parent);
    dialog.exec();
    if (!dialog.Changed()) return std::nullopt;
    return form.Names();
}

void EditStoredNews(QWidget* parent, client::ClientCore& core, const StoredNewsRef& item) {
    struct Read {
        int rc = -1;
        store::NewsRecord record;
        std::string content;
    };
    const std::string folder = store::ResolveFolder(core.Settings().contentFolder, item.folderKind);
    client::ClientCore* running = &core;
    app::RunInBackground<std::shared_ptr<Read>>(
        parent,
        [folder, item] {
            auto read = std::make_shared<Read>();
            read->rc = store::ReadItem(folder, item.base, item.id, read->record, read->content);
            return read;
        },
        [parent, running, item](std::shared_ptr<Read> read) {
            if (read->rc < 0) {
                ShowFormMessage(parent, {G(U("读取新闻失败!")), store::ProgramMessageTitle(),
                                         platform::MessageBoxSink::kWarning});
                return;
            }
            conversion::NewsEditForm form(item.folderKind, item.base, read->record,
                                          read->content);
            auto convert = [running, &form] {
                const std::shared_ptr<const conversion::ConversionSettings> settings =
                    running->Converter().Settings();
                conversion::ExportHandOff* hand = running->Export();
                return form.Convert(*settings, running->Tables(), settings->convertFormat,
                                    hand ? &hand->Database() : nullptr);
            };
            CNewsEditDlg dialog(form, convert, {}, parent);
            dialog.exec();
        });
}

void ConvertStoredNews(QWidget* parent, client::ClientCore& core,
                       std::vector<StoredNewsRef> items, std::function<void(int)> done) {
    if (items.empty()) return;
    // The items of one news file are read in one pass.
    std::map<std::pair<int, std::string>, std::vector<std::int32_t>> byFile;
    for (const StoredNewsRef& item : items) byFile[{item.folderKind, item.base}].push_back(item.id);

    auto* busy = new QProgressDialog(U("正在转换新闻..."), QString(), 0, 0, parent);
    busy->setObjectName("convertingNews");
    busy->setWindowModality(Qt::WindowModal);
    busy->setMinimumDuration(300);
    busy->setValue(0);

    const std::shared_ptr<const conversion::ConversionSettings> settings =
        core.Converter().Settings();
    const std::string contentFolder = core.Settings().contentFolder;
    client::ClientCore* running = &core;
    app::RunInBackground<int>(
        parent,
        [settings, contentFolder, running, byFile] {
            int converted = 0;
            conversion::ExportHandOff* hand = running->Export();
            for (const auto& [file, ids] : byFile) {
                conversion::StoredConversion one;
                if (settings->convertFormat == conversion::kFormatDatabase) {
                    if (!hand) continue;
                    one = conversion::SaveStoredItems(hand->Database(),
                                                      *running->Tables().Websites(), contentFolder,
                                                      file.first, file.second, ids);
                } else {
                    one = conversion::ConvertStoredItems(*settings, running->Tables(),
                                                         contentFolder, file.first, file.second,
                                                         ids, settings->convertFormat);
                }
                converted += one.converted;
            }
            return converted;
        },
        [parent, busy, done](int converted) {
            busy->close();
            busy->deleteLater();
            ShowFormMessage(parent, {conversion::ConvertedCountText(converted),
                                     store::ProgramMessageTitle(),
                                     platform::MessageBoxSink::kInformation});
            if (done) done(converted);
        });
}

}  // namespace brevio::ui
