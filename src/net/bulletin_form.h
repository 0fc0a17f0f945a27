// The bulletin window as a form object. The server's bulletin is shown when it arrives (the
// store has written it to "Bullient.tab" with its start-up flag set) and at start-up when the
// file's flag says so. The window's caption is the bulletin's title; it shows the time in
// black, the name of the bulletin's public category in blue and the content in red. Its check
// box "下次启动弹出该对话框" rewrites the file's flag at once. Every text is GBK.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "net/subscription_lists.h"
#include "reference/bulletin.h"

namespace brevio::net {

// A Windows colour value (0x00BBGGRR) as "#RRGGBB".
std::string HtmlColour(std::uint32_t colorRef);

class BulletinWindowForm {
  public:
    // The message that shows the window (user message 200).
    static constexpr int kShowMessage = 200;
    // Colours of the three texts, as Windows colour values.
    static constexpr std::uint32_t kTimeColour = 0x000000;      // black
    static constexpr std::uint32_t kCategoryColour = 0xFF0000;  // blue
    static constexpr std::uint32_t kContentColour = 0x0000FF;   // red
    static std::string ShowAtStartText();                       // "下次启动弹出该对话框"

    // content folder (ending in "/") + "Data/Bullient.tab".
    static std::string FilePath(std::string_view contentFolder);

    explicit BulletinWindowForm(std::string bulletinPath) : path_(std::move(bulletinPath)) {}

    // The show message: takes a bulletin just received. The category name is looked up by
    // the bulletin's category code among the public subscription records (empty when none
    // has it); the check box shows the file's flag (ticked when the file cannot be read: the
    // bulletin was just stored to be shown again).
    void Show(const reference::Bulletin& bulletin, const SubscriptionLists& lists);
    // At start-up: reads the file; true when the window is to be shown (a bulletin whose flag
    // is set). Otherwise the form is left empty.
    bool LoadAtStart(const SubscriptionLists& lists);

    const std::string& Caption() const { return bulletin_.title; }
    const std::string& TimeText() const { return bulletin_.time; }
    const std::string& CategoryName() const { return categoryName_; }
    const std::string& Content() const { return bulletin_.content; }
    bool ShowAtStart() const { return showAtStart_; }

    // The check box: rewrites the file's flag line (only that line changes). Returns the
    // result of the rewrite (0, reference::kBulletinMissing, reference::kBulletinWriteFailed);
    // the box keeps the state the file has.
    int SetShowAtStart(bool show);

  private:
    void Take(const reference::Bulletin& bulletin, const SubscriptionLists& lists);

    std::string path_;
    reference::Bulletin bulletin_;
    std::string categoryName_;
    bool showAtStart_ = false;
};

}  // namespace brevio::net
