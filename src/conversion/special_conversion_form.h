// The special-conversion dialog "新闻特殊转换" as a form object: what it shows on opening, which
// controls are enabled, the start and pause buttons of the hand transfer, and what OK stores.
#pragma once

#include <string>
#include <vector>

#include "conversion/export_settings.h"

namespace brevio::conversion {

class SpecialTransfer;

class SpecialConversionForm {
  public:
    static constexpr int kResource = 234;
    // Controls.
    static constexpr int kAutoBox = 1225;
    static constexpr int kSerialRadio = 1228;
    static constexpr int kUsbRadio = 1229;
    static constexpr int kPortList = 1230;
    static constexpr int kFolderField = 1212;
    static constexpr int kBrowseButton = 3;
    static constexpr int kHandBox = 1231;
    static constexpr int kStartButton = 1232;
    static constexpr int kPauseButton = 1234;

    static std::string Title();              // "新闻特殊转换"
    static std::string AutoText();           // "接收时将新闻进行特殊转换"
    static std::string SerialText();         // "转换至串口"
    static std::string UsbText();            // "转换至USB"
    static std::string HandText();           // "新闻接收完毕后转换至串口"
    static std::string BrowseText();         // "浏览目录... "
    static std::string StartText();          // "开始转换"
    static std::string PauseText();          // "暂停转换"
    static std::vector<std::string> PortNames();  // "COM1", "COM2"

    // On opening: the stored values; the hand transfer's run flag from `transfer` (none: the
    // flag is clear).
    explicit SpecialConversionForm(SpecialTransfer* transfer = nullptr);

    // The controls' values; the view writes them back as the user changes them.
    bool autoTransfer = false;        // 1225
    int select = kTransferToSerial;   // 1228 / 1229
    int serialPort = 0;               // 1230
    bool handTransfer = false;        // 1231
    std::string usbFolder;            // 1212

    struct Enabling {
        bool serialRadio = false, usbRadio = false, folder = false, browse = false,
             portList = false, handBox = false, start = false, pause = false;
        bool operator==(const Enabling&) const = default;
    };
    // Which controls are enabled for the values above and the run flag.
    Enabling Enabled() const;
    bool HandRunning() const { return running_; }

    // "开始转换": sets the run flag (the buttons swap their enabled states).
    void StartPressed();
    // "暂停转换": clears it.
    void PausePressed();

    // OK: stores pxEspeTransAuto and pxEspeTransPath; when the folder changed, creates (or
    // empties) "usb.usb" in it (a "/" appended when missing) and, when that worked, starts
    // the USB files at 0 again; then stores pxEspeTransHand, pxEspeTransSelect and
    // pxEspeTransSerial. Returns the settings as now stored, for the running transfer.
    ExportSettings Ok();
    // True when OK created the marker and reset the file number.
    bool MarkerCreated() const { return markerCreated_; }

  private:
    SpecialTransfer* transfer_;
    std::string openedFolder_;
    bool running_ = false;
    bool markerCreated_ = false;
};

}  // namespace brevio::conversion
