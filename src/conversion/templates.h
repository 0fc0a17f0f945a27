// HTML templates of the conversion: the built-in template, the template files (folder
// "TemplatePath", one "<name>.txt" per template, the custom names listed in "TemplateName"
// joined by "|"), the sample values of the preview ("HtmlSamples.ini") and the template
// manager form (add, delete, rename, preview).
//
// A template is an HTML page written as a format string with five "%s" (title, title, date
// text, site text, content) and "%%" for a percent sign. A template with another number of
// "%s" is accepted as it is: FillTemplate fills what it has and leaves surplus values out.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "store/form_message.h"

namespace brevio::conversion {

// The built-in page (fourteen lines joined by line feeds).
const std::string& BuiltInTemplate();
// "Ostra模板", the fixed template; it is the built-in one while no file of that name exists.
std::string FixedTemplateName();

// A template name may become a file name: not empty, no "/", no "|" (the list separator), no
// control byte, not "." or "..".
bool IsUsableTemplateName(std::string_view name);
// templatePath + name + ".txt".
std::string TemplateFilePath(std::string_view templatePath, std::string_view name);
// The template's text; the built-in template when the name is unusable or the file cannot be
// read. At most kMaxTemplateBytes are read.
inline constexpr std::size_t kMaxTemplateBytes = 102399;
std::string LoadTemplate(std::string_view templatePath, std::string_view name);

// The preview's sample values: program folder + "Content/Data/HtmlSamples.ini", section
// "TEMPLATE", keys OSTRA_TIME (at most 22 bytes), OSTRA_WEBSITE (30), OSTRA_TITLE (200),
// OSTRA_CONTENT (102398). Missing values are empty.
struct HtmlSamples {
    std::string time, website, title, content;
};
std::string HtmlSamplesFile(std::string_view programFolder);
HtmlSamples LoadHtmlSamples(std::string_view programFolder);
// The preview page: the sample content with CR LF as "<br>" and the keyword marks as a red
// font, filled in with sample title, title, time, site and content.
std::string PreviewPage(std::string_view templateText, const HtmlSamples& samples);
// Where the preview page is written: the drive-c folder's "content.html".
std::string PreviewPagePath();
// Writes the preview of a template (loaded from the template folder) and returns the page's
// path, or nothing when it cannot be written.
std::optional<std::string> WritePreview(std::string_view programFolder,
                                        std::string_view templatePath, std::string_view name);

// The template manager ("模板管理"): its list of custom names and what its buttons do. Every
// change of the list stores "TemplateName" at once. Messages are GBK.
class TemplateManagerForm {
  public:
    static constexpr int kResource = 215;
    static std::string Title();            // "模板管理"
    static std::string AddDialogTitle();   // "选取保存新闻的HTML模板"
    static std::string AddDialogFilter();  // "Text Files (*.txt)|*.txt||"
    static std::string RenameTitle();      // "重命名"
    static std::string RenameLabel();      // "新名字："

    // Reads "TemplateName" and "TemplatePath" (a stored folder shorter than two characters
    // is replaced by program folder + "Template/" and written back).
    explicit TemplateManagerForm(std::string programFolder);

    const std::vector<std::string>& Names() const { return names_; }
    const std::string& TemplatePath() const { return templatePath_; }
    // Where the add dialog starts: program folder + "Content/Template/".
    std::string AddDialogFolder() const;

    // "添加" with the file chosen in the file dialog: the name is the file's title without
    // its extension, trimmed. Nothing (success) or the message to show.
    std::optional<store::FormMessage> Add(std::string_view chosenFile);
    // "删除" for the selected row (nothing selected: -1).
    std::optional<store::FormMessage> Delete(int selected);
    // "重命名" for the selected row: checks the selection (before the name dialog opens).
    std::optional<store::FormMessage> CheckRename(int selected) const;
    // The name dialog's OK: renames file and entry.
    std::optional<store::FormMessage> Rename(int selected, std::string_view newName);
    // "预览": the page written (its path in `page`) or the message.
    std::optional<store::FormMessage> Preview(int selected, std::string* page) const;

  private:
    void Store() const;
    std::string programFolder_;
    std::string templatePath_;
    std::vector<std::string> names_;
};

// The template folder of the settings: "TemplatePath", replaced (and written back) by
// program folder + "Template/" when shorter than two characters; ends in "/".
std::string ReadTemplatePath(std::string_view programFolder);

}  // namespace brevio::conversion
