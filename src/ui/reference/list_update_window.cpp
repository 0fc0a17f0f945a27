#include "ui/reference/list_update_window.h"

#include <QCloseEvent>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/widgets/text.h"
#include "client/client_core.h"
#include "conversion/db_export.h"
#include "conversion/export_hand_off.h"
#include "conversion/export_settings.h"
#include "net/exchange.h"
#include "ui/store/form_view_support.h"

namespace brevio::ui {

using app::Q;
using reference::UpdateDialogForm;

namespace {

// One frame of the animation: a dot running along a row of rings.
QString FrameText(int frame) {
    QString text;
    for (int i = 0; i < UpdateDialogForm::kAnimationFrames; ++i) {
        text += (i == frame) ? QChar(0x25CF) : QChar(0x25CB);
    }
    return text;
}

// A Windows colour value (0x00BBGGRR) as a style-sheet colour.
QString StyleColor(std::uint32_t value) {
    return QStringLiteral("color: rgb(%1, %2, %3);")
        .arg(value & 0xFF)
        .arg((value >> 8) & 0xFF)
        .arg((value >> 16) & 0xFF);
}

}  // namespace

CUpdateDlg::CUpdateDlg(reference::UpdateRequest& request, reference::ListExchange exchange,
                       QWidget* parent)
    : QDialog(parent), form_(std::make_unique<UpdateDialogForm>(request, std::move(exchange))) {
    setModal(true);
    frame_ = new QLabel(this);
    frame_->setObjectName("animation");
    frame_->setAlignment(Qt::AlignCenter);
    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setAlignment(Qt::AlignCenter);
    const UpdateDialogForm::TextStyle style = UpdateDialogForm::StatusStyle();
    QFont font(Q(style.font), style.pointSize);
    font.setBold(style.bold);
    status_->setFont(font);
    status_->setStyleSheet(StyleColor(style.color));
    stop_ = new QPushButton(Q(UpdateDialogForm::StopButtonText()), this);
    stop_->setObjectName("stop");
    stop_->setAutoDefault(false);
    connect(stop_, &QPushButton::clicked, this, [this] {
        form_->StopPressed();
        Refresh();
    });
    animation_ = new QTimer(this);
    animation_->setInterval(kFrameMilliseconds);
    connect(animation_, &QTimer::timeout, this, [this] {
        form_->NextFrame();
        ShowMessages();
        Refresh();
    });

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame_);
    layout->addWidget(status_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(stop_);
    buttons->addStretch(1);
    layout->addLayout(buttons);
    resize(320, 120);
}

CUpdateDlg::~CUpdateDlg() {
    // The worker may still hold the request: wait for it before anything goes.
    form_->Destroy();
}

reference::DialogResult CUpdateDlg::Run() {
    // The worker's end comes back to this thread; a dialog gone by then takes no call.
    const bool started = form_->Open([this] {
        QMetaObject::invokeMethod(
            this, [this] { WorkerFinished(); }, Qt::QueuedConnection);
    });
    if (!started) return reference::DialogResult::kCancel;
    setWindowTitle(Q(form_->Title()));
    Refresh();
    animation_->start();
    exec();
    animation_->stop();
    return form_->Result().value_or(reference::DialogResult::kCancel);
}

void CUpdateDlg::Refresh() {
    status_->setText(Q(form_->StatusText()));
    stop_->setEnabled(form_->StopEnabled());
    frame_->setText(FrameText(form_->AnimationFrame()));
}

void CUpdateDlg::ShowMessages() {
    for (store::FormMessage& message : form_->TakeMessages()) {
        shown_.push_back(message);
        ShowFormMessage(this, message);
    }
}

void CUpdateDlg::WorkerFinished() {
    form_->OnWorkerFinished();
    ShowMessages();
    Refresh();
    if (!form_->AnimationPlaying()) animation_->stop();
    done(form_->Result() == reference::DialogResult::kOk ? Accepted : Rejected);
}

void CUpdateDlg::reject() {
    // Escape and the window's close button: the form decides whether the window may go.
    if (form_->CloseRequested()) {
        QDialog::reject();
    } else {
        Refresh();
    }
}

void CUpdateDlg::closeEvent(QCloseEvent* event) {
    if (form_->WorkerDone() && form_->CloseRequested()) {
        QDialog::closeEvent(event);
        return;
    }
    if (!form_->WorkerDone()) form_->CloseRequested();
    Refresh();
    event->ignore();
}

reference::UpdateDialogRunner WindowDialogRunner(QWidget* parent) {
    return [parent](reference::UpdateRequest& request, reference::ListExchange exchange) {
        CUpdateDlg dialog(request, std::move(exchange), parent);
        reference::DialogEnd end;
        end.result = dialog.Run();
        end.status = dialog.Form().StatusText();
        end.messages = dialog.Shown();
        return end;
    };
}

namespace {

// The refresh over the running client: its lists and folders, its server and user, the stock
// names into the conversion database when a data source is stored, every exchange with the
// dialog over `parent`.
reference::ListUpdateContext ClientUpdateContext(QWidget* parent, client::ClientCore& core) {
    const settings::AppSettings& s = core.Settings();
    reference::ListUpdateContext context;
    context.contentFolder = s.contentFolder;
    context.pemloIni = s.pemloIni;
    context.conversionPath = conversion::ReadExportSettings().convertPath;
    context.transferFolder = s.transPath;
    context.exchange =
        reference::ServerListExchange(core.Server(), net::NspCredentials{s.userId, s.password});
    context.runDialog = WindowDialogRunner(parent);
    conversion::ExportHandOff* hand = core.Export();
    if (hand && !conversion::ReadDataSource().Empty()) {
        context.stockNames = [hand](std::string_view code, std::string_view name,
                                    std::string_view trade, std::string_view aliases) {
            hand->Database().UpdateStockName(code, name, trade, aliases);
        };
    }
    context.tables = &core.Tables();
    context.window = &core.Observer();
    return context;
}

}  // namespace

void AutoRefreshLists(QWidget* parent, client::ClientCore& core) {
    reference::ListUpdater updater(ClientUpdateContext(parent, core));
    updater.AutoRefresh();
}

store::FormMessage RefreshListWithDialog(QWidget* parent, client::ClientCore& core,
                                         reference::RefreshList list) {
    reference::ListUpdater updater(ClientUpdateContext(parent, core));
    store::FormMessage message = updater.PressButton(list);
    ShowFormMessage(parent, message);
    return message;
}

}  // namespace brevio::ui
