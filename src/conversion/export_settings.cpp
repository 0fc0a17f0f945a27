#include "conversion/export_settings.h"

#include "platform/paths.h"
#include "settings/registry_values.h"

namespace brevio::conversion {

std::string UsbFolderPath(std::string folder) {
    if (!folder.empty() && folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder;
}

ExportSettings ExportSettingsFrom(const ConversionSettings& c) {
    ExportSettings s;
    s.convertPath = c.convertPath;
    s.convertAuto = c.convertAuto == 1;
    s.convertFormat = c.convertFormat;
    s.specialAuto = c.espeTransAuto == 1;
    s.specialSelect = c.espeTransSelect;
    s.serialPort = c.espeTransSerial;
    s.handTransfer = c.espeTransHand == 1;
    s.usbFolder = UsbFolderPath(c.espeTransPath);
    return s;
}

ExportSettings ReadExportSettings() {
    namespace k = keys;
    ExportSettings s;
    s.convertPath = settings::ReadString(k::kConvertPath, platform::ProgramFolder());
    if (s.convertPath.size() < 3) {
        s.convertPath = platform::ProgramFolder();
        settings::WriteString(k::kConvertPath, s.convertPath);
    }
    s.convertPath = platform::WithSlash(s.convertPath);
    s.convertAuto = settings::ReadInt(k::kConvertAuto, 0) == 1;
    s.convertFormat = settings::ReadInt(k::kConvertFormat, kFormatText);
    s.specialAuto = settings::ReadInt(k::kEspeTransAuto, 0) == 1;
    s.specialSelect = settings::ReadInt(k::kEspeTransSelect, kTransferToSerial);
    s.serialPort = settings::ReadInt(k::kEspeTransSerial, 0);
    s.handTransfer = settings::ReadInt(k::kEspeTransHand, 0) == 1;
    s.usbFolder = UsbFolderPath(settings::ReadString(k::kEspeTransPath, ""));
    return s;
}

}  // namespace brevio::conversion
