// A message box that a form object asks its dialog to show. The dialog shows it (GUI:
// QMessageBox; brevio-cli: stderr) and stays open unless the form says otherwise.
#pragma once

#include <string>

#include "platform/host.h"

namespace brevio::store {

struct FormMessage {
    std::string text;   // GBK
    std::string title;  // GBK
    platform::MessageBoxSink::Icon icon = platform::MessageBoxSink::kWarning;
    bool operator==(const FormMessage&) const = default;
};

// The title of the program's message boxes, "Brevio提示" (GBK).
std::string ProgramMessageTitle();

}  // namespace brevio::store
