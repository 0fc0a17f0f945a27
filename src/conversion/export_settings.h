// The part of the conversion settings that the database export and the special conversion
// (serial port, USB folder) work with. ReadExportSettings reads just these values from the
// registry (missing ones are created with their defaults, like every registry value);
// ExportSettingsFrom takes them from the whole settings of LoadConversionSettings.
#pragma once

#include <string>

#include "conversion/conversion_settings.h"

namespace brevio::conversion {

// pxEspeTransSelect values.
inline constexpr int kTransferToSerial = 0;
inline constexpr int kTransferToUsb = 1;

struct ExportSettings {
    std::string convertPath;  // root of the conversion output, ends in "/"
    bool convertAuto = false;
    int convertFormat = kFormatText;
    bool specialAuto = false;          // pxEspeTransAuto
    int specialSelect = kTransferToSerial;  // pxEspeTransSelect
    int serialPort = 0;                // pxEspeTransSerial: 0 COM1, 1 COM2
    bool handTransfer = false;         // pxEspeTransHand
    std::string usbFolder;             // pxEspeTransPath, ends in "/" when not empty

    bool SerialChosen() const { return specialSelect != kTransferToUsb; }
    bool operator==(const ExportSettings&) const = default;
};

// The values of the whole conversion settings.
ExportSettings ExportSettingsFrom(const ConversionSettings& settings);

// Reads the values above. A stored ConvertPath shorter than 3 characters is replaced by the
// program folder, which is written back.
ExportSettings ReadExportSettings();

// The USB folder as the transfer uses it: a trailing "/" added when missing (empty stays empty).
std::string UsbFolderPath(std::string folder);

}  // namespace brevio::conversion
