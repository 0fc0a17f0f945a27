// The conversion dialogs as form objects: what each shows, the checks of its buttons with
// their messages, and what gets stored. The dialogs are thin views over these.
//
//   ConversionSettingsForm   the conversion settings dialog ("转换")
//   ConversionCategoryForm   the choice of the categories, trades or regions that convert
//                            ("定制转换类别" for public news, "定制新闻类别" for the others)
//
// The template manager and the news edit dialog have their forms beside the code they use
// (TemplateManagerForm in templates.h, NewsEditForm in stored_conversion.h).
//
// A check that fails returns a FormMessage; the dialog shows it and stays open. Texts are GBK.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/conversion_settings.h"
#include "conversion/tidy.h"
#include "reference/ref_list.h"
#include "store/form_message.h"

namespace brevio::conversion {

class ConversionSettingsForm {
  public:
    static constexpr int kResource = 211;
    static std::string Title();         // "转换"
    static std::string FolderPrompt();  // "请选择一个目录"
    // The format list: "文本文件", "HTML文件", "文本与HTML文件".
    static std::vector<std::string> FormatNames();

    // Opening: the conversion path and the day counts as the registry holds them, the rest
    // from the in-memory copy; the custom template list from "TemplateName" with the chosen
    // template selected.
    explicit ConversionSettingsForm(const ConversionSettings& current);

    // The fields the dialog edits.
    std::string path;
    bool people = false;
    bool trade = false;
    bool region = false;
    int format = kFormatText;
    bool customTemplate = false;  // radio buttons: fixed (false) or custom (true) template
    std::vector<std::string> customNames;
    int customSelected = -1;  // row of the custom list, -1 for none
    bool automatic = false;   // radio buttons: manual or automatic conversion
    int peopleDays = 0;
    int tradeDays = 0;
    int regionDays = 0;

    // The fixed template list: its one entry.
    std::vector<std::string> FixedNames() const;
    // A group's "定制类别" button follows its check box.
    bool CustomizeEnabled(int kind) const;
    // "数据源配置..." only for the database form.
    bool DataSourceEnabled() const { return format == kFormatDatabase; }
    // The template the radio buttons choose (empty: a custom one without a selection).
    std::string SelectedTemplateName() const;

    // "更改路径" with the chosen folder: the path field gets it with a trailing "/". When it
    // is not "Install_Dir", 文本格式/ and 文本格式/Data/ are created under it and every file
    // of "Install_Dir" YpData/ is copied into 文本格式/Data/ (replacing what is there).
    void ChangePath(std::string_view folder);

    // OK: a custom template without a selection gives "请选择一个HTML模板!", a day count of 0
    // "保留的天数不能为 0 。"; otherwise the values are stored in their order and
    // `notify` gets the navigation code 13. The caller then loads the in-memory copy again.
    std::optional<store::FormMessage> Ok(const std::function<void(int)>& notify = {});

    // "立即整理" of a group with its day count field, on the conversion path of `settings`.
    TidyResult TidyNow(const ConversionSettings& settings, int kind) const;
    // "预览模板": writes the preview of the chosen template; the page's path, or the message.
    std::optional<store::FormMessage> PreviewTemplate(std::string* page) const;

  private:
    std::string programFolder_;
    std::string installDir_;
    std::string templatePath_;
};

class ConversionCategoryForm {
  public:
    // The public list (dialog 212) and the trade or region list (dialog 214).
    static int Resource(int kind);
    static std::string Title(int kind);  // "定制转换类别" / "定制新闻类别"

    // `entries` is the group's conversion list; `majors` the major public categories (used
    // by the public list only).
    ConversionCategoryForm(std::string programFolder, int kind,
                           std::vector<ConversionEntry> entries, reference::RefList majors = {});

    // Public list: the major categories; choosing one shows the entries whose code starts
    // with its two characters. The other lists show every entry from the start.
    const reference::RefList& Majors() const { return majors_; }
    void ShowMajor(std::string_view majorCode);

    std::size_t ShownCount() const { return shown_.size(); }
    const ConversionEntry& Shown(std::size_t row) const;
    // A click on a box: 'T' when ticked, 'F' when not.
    void SetTicked(std::size_t row, bool ticked);
    // "全部选定" and "全部未选": every shown entry.
    void TickAll();
    void ClearAll();

    // OK: every entry of the list (shown or not) is written to its flags file; true when the
    // dialog closes (an empty list keeps it open and writes nothing).
    bool Ok();
    const std::vector<ConversionEntry>& Entries() const { return entries_; }

  private:
    void SetAllShown(char flag);
    std::string programFolder_;
    int kind_;
    std::vector<ConversionEntry> entries_;
    reference::RefList majors_;
    std::vector<std::size_t> shown_;  // positions in entries_
};

}  // namespace brevio::conversion
