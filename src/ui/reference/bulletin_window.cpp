#include "ui/reference/bulletin_window.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QVBoxLayout>

#include "app/widgets/text.h"
#include "client/client_core.h"

namespace brevio::ui {

using app::G;
using app::Q;

namespace {

QString ColourStyle(std::uint32_t colorRef) {
    return QStringLiteral("color: %1;").arg(Q(net::HtmlColour(colorRef)));
}

}  // namespace

CBulletinWindow::CBulletinWindow(std::string bulletinPath, const net::SubscriptionLists& lists,
                                 QWidget* parent)
    : QDialog(parent), form_(std::move(bulletinPath)), lists_(lists) {
    setObjectName("bulletinWindow");
    setModal(false);
    time_ = new QLabel(this);
    time_->setObjectName("time");
    time_->setStyleSheet(ColourStyle(net::BulletinWindowForm::kTimeColour));
    category_ = new QLabel(this);
    category_->setObjectName("category");
    category_->setStyleSheet(ColourStyle(net::BulletinWindowForm::kCategoryColour));
    content_ = new QTextBrowser(this);
    content_->setObjectName("content");
    content_->setStyleSheet(ColourStyle(net::BulletinWindowForm::kContentColour));
    content_->setOpenExternalLinks(true);
    showAtStart_ = new QCheckBox(Q(net::BulletinWindowForm::ShowAtStartText()), this);
    showAtStart_->setObjectName("showAtStart");
    connect(showAtStart_, &QCheckBox::toggled, this, &CBulletinWindow::OnShowAtStartToggled);
    auto* close = new QPushButton(QString::fromUtf8("关闭"), this);
    close->setObjectName("close");
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::close);

    auto* head = new QHBoxLayout;
    head->addWidget(time_);
    head->addStretch();
    head->addWidget(category_);
    auto* foot = new QHBoxLayout;
    foot->addWidget(showAtStart_);
    foot->addStretch();
    foot->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(content_, 1);
    layout->addLayout(foot);
    resize(460, 340);
}

void CBulletinWindow::Fill() {
    filling_ = true;
    setWindowTitle(Q(form_.Caption()));
    time_->setText(Q(form_.TimeText()));
    category_->setText(Q(form_.CategoryName()));
    content_->setPlainText(Q(form_.Content()));
    showAtStart_->setChecked(form_.ShowAtStart());
    filling_ = false;
}

void CBulletinWindow::ShowBulletin(const QString& title, const QString& time,
                                   const QString& category, const QString& content) {
    reference::Bulletin bulletin;
    bulletin.title = G(title);
    bulletin.time = G(time);
    bulletin.category = G(category);
    bulletin.content = G(content);
    bulletin.showAtStart = 1;
    form_.Show(bulletin, lists_);
    Fill();
    show();
    raise();
    activateWindow();
}

bool CBulletinWindow::ShowAtStart() {
    if (!form_.LoadAtStart(lists_)) return false;
    Fill();
    show();
    raise();
    return true;
}

void CBulletinWindow::OnShowAtStartToggled(bool on) {
    if (filling_) return;
    form_.SetShowAtStart(on);
    // The box shows what the file holds (a file that could not be rewritten keeps its flag).
    if (form_.ShowAtStart() != on) {
        filling_ = true;
        showAtStart_->setChecked(form_.ShowAtStart());
        filling_ = false;
    }
}

CBulletinWindow* CreateBulletinWindow(QWidget* mainWindow, client::ClientCore& core) {
    auto* window = new CBulletinWindow(
        net::BulletinWindowForm::FilePath(core.Settings().contentFolder), core.Lists(), mainWindow);
    QTimer::singleShot(0, window, [window] { window->ShowAtStart(); });
    return window;
}

}  // namespace brevio::ui
