#include "conversion/special_conversion_form.h"

#include "conversion/special_transfer.h"
#include "conversion/transfer_files.h"
#include "settings/registry_values.h"

namespace brevio::conversion {

std::string SpecialConversionForm::Title() {
    return "新闻特殊转换";
}
std::string SpecialConversionForm::AutoText() {
    return "接收时将新闻进行特殊转换";
}
std::string SpecialConversionForm::SerialText() {
    return "转换至串口";
}
std::string SpecialConversionForm::UsbText() {
    return "转换至USB";
}
std::string SpecialConversionForm::HandText() {
    return "新闻接收完毕后转换至串口";
}
std::string SpecialConversionForm::BrowseText() {
    return "浏览目录... ";
}
std::string SpecialConversionForm::StartText() {
    return "开始转换";
}
std::string SpecialConversionForm::PauseText() {
    return "暂停转换";
}
std::vector<std::string> SpecialConversionForm::PortNames() {
    return {"COM1", "COM2"};
}

SpecialConversionForm::SpecialConversionForm(SpecialTransfer* transfer) : transfer_(transfer) {
    namespace k = keys;
    usbFolder = settings::ReadString(k::kEspeTransPath, "");
    openedFolder_ = usbFolder;
    serialPort = settings::ReadInt(k::kEspeTransSerial, 0) == 1 ? 1 : 0;
    select = settings::ReadInt(k::kEspeTransSelect, kTransferToSerial) == kTransferToUsb
                 ? kTransferToUsb
                 : kTransferToSerial;
    handTransfer = settings::ReadInt(k::kEspeTransHand, 0) == 1;
    autoTransfer = settings::ReadInt(k::kEspeTransAuto, 0) == 1;
    running_ = transfer_ && transfer_->HandRunFlag();
}

SpecialConversionForm::Enabling SpecialConversionForm::Enabled() const {
    Enabling e;
    if (!autoTransfer) return e;
    e.serialRadio = e.usbRadio = true;
    const bool serial = select != kTransferToUsb;
    e.folder = e.browse = !serial;
    e.portList = e.handBox = serial;
    if (serial && handTransfer) {
        e.start = !running_;
        e.pause = running_;
    }
    return e;
}

void SpecialConversionForm::StartPressed() {
    running_ = true;
    if (transfer_) transfer_->StartHandTransfer();
}

void SpecialConversionForm::PausePressed() {
    running_ = false;
    if (transfer_) transfer_->PauseHandTransfer();
}

ExportSettings SpecialConversionForm::Ok() {
    namespace k = keys;
    settings::WriteInt(k::kEspeTransAuto, autoTransfer ? 1 : 0);
    settings::WriteString(k::kEspeTransPath, usbFolder);
    markerCreated_ = false;
    if (usbFolder != openedFolder_) {
        const std::string folder = UsbFolderPath(usbFolder);
        if (!folder.empty() && CreateUsbMarker(folder)) {
            settings::WriteInt(k::kUsbFileNum, 0);
            markerCreated_ = true;
        }
        openedFolder_ = usbFolder;
    }
    settings::WriteInt(k::kEspeTransHand, handTransfer ? 1 : 0);
    settings::WriteInt(k::kEspeTransSelect, select == kTransferToUsb ? kTransferToUsb : kTransferToSerial);
    settings::WriteInt(k::kEspeTransSerial, serialPort == 1 ? 1 : 0);
    return ReadExportSettings();
}

}  // namespace brevio::conversion
