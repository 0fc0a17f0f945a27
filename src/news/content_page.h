// The content page: one news item as an HTML page built from a fixed template whose named
// placeholders are replaced by the item's title, time, source web site and content and by the
// reader's colour and font-size settings. The page is written to one fixed file under the
// drive-c folder ("content.html"), rewritten for every item, and the content pane shows that
// file.
//
// Every text is GBK. Title, time text and web-site name go into the page as they are (markup
// in them takes effect); the content is converted first (ConvertContent).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace brevio::news {

// The display settings of the page, read afresh for every rendering. Colours are Windows
// colour values (0x00BBGGRR, red in the low byte), sizes pixels.
struct PageSettings {
    int backgroundColor = 0xFFFFFF;  // ContentBgColor
    int titleColor = 0xFF;           // TitleFontColor
    int contentColor = 0;            // ContentFontColor
    int titleSize = 14;              // TitleFontSize
    int contentSize = 14;            // ContentFontSize
};

// The five values from the registry (a missing value is written with its default).
PageSettings ReadPageSettings();

// One item as the page shows it.
struct PageItem {
    std::string title;
    std::string timeText;
    std::string webSite;
    std::string content;
};

// A Windows colour value as "#RRGGBB": the value's four bytes reversed, written "#%08X" and
// cut to seven characters (255 gives "#FF0000", 0x00123456 gives "#563412").
std::string ColorText(int windowsColor);

// The content as the page shows it, in this order: every blank becomes "&nbsp;", three
// "&nbsp;" go in front, every "\r\n" becomes "<br>" and a three-blank indent, and the keyword
// marks 0x04 and 0x05 become "<font color=red>" and "</font>".
std::string ConvertContent(std::string_view content);

// The page template: its lines joined by single line feeds, none after the last.
const std::string& PageTemplate();

// The page of an item: every placeholder of the template replaced by plain text substitution,
// one placeholder after the other in a fixed order (font sizes, colours, then title, content,
// time and web site), so a placeholder text inside the title is replaced again only when its
// own placeholder comes later in that order. Line ends are single line feeds.
std::string RenderPage(const PageItem& item, const PageSettings& settings);

// The file every rendering rewrites: the drive-c folder + "content.html".
std::string ContentPagePath();

// Result codes of WritePage and RenderToFile.
inline constexpr int kPageWritten = 0;
inline constexpr int kPageCannotOpen = -10;

// Writes a page as a text file of this system's document convention: every line feed is
// written as a carriage return and line feed. Replaces the file; kPageCannotOpen when it
// cannot be created (the caller then leaves the page on screen as it was).
int WritePage(std::string_view path, std::string_view page);

// ShowNews without the display: reads the settings, renders the item and writes the page to
// `path`. Returns kPageWritten or kPageCannotOpen.
int RenderToFile(const PageItem& item, std::string_view path);

// The content shown for an item whose content cannot be read (a red line that tells the
// reader to double-click the title to open the source site).
std::string UnreadableContentText();

// What the page shows as content after ReadItem returned `readResult` with `content`: the
// content, or the unreadable-content text when the result is 0 or less.
std::string DisplayedContent(int readResult, std::string content);

}  // namespace brevio::news
