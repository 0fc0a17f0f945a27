#include "app/widgets/message_boxes.h"

#include <QMessageBox>

#include "app/widgets/text.h"

namespace brevio::app {
namespace {

QMessageBox::Icon QtIcon(platform::MessageBoxSink::Icon icon) {
    switch (icon) {
        case platform::MessageBoxSink::kWarning:
            return QMessageBox::Warning;
        case platform::MessageBoxSink::kError:
            return QMessageBox::Critical;
        case platform::MessageBoxSink::kQuestion:
            return QMessageBox::Question;
        default:
            return QMessageBox::Information;
    }
}

QMessageBox::StandardButtons QtButtons(platform::MessageBoxSink::Buttons buttons) {
    switch (buttons) {
        case platform::MessageBoxSink::kOkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case platform::MessageBoxSink::kYesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case platform::MessageBoxSink::kYesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        default:
            return QMessageBox::Ok;
    }
}

}  // namespace

int QtMessageBoxes::Show(std::string_view text, std::string_view title, Icon icon,
                         Buttons buttons) {
    QMessageBox box(QtIcon(icon), Q(title), Q(text), QtButtons(buttons), parent_);
    switch (box.exec()) {
        case QMessageBox::Yes:
            return kYes;
        case QMessageBox::No:
            return kNo;
        case QMessageBox::Cancel:
            return kCancel;
        default:
            return kOk;
    }
}

void ShowMessage(QWidget* parent, std::string_view text, std::string_view title,
                 platform::MessageBoxSink::Icon icon) {
    QtMessageBoxes(parent).Show(text, title, icon, platform::MessageBoxSink::kOkOnly);
}

}  // namespace brevio::app
