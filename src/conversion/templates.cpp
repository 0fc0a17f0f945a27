#include "conversion/templates.h"

#include <algorithm>

#include "conversion/conversion_settings.h"
#include "conversion/news_export.h"
#include "platform/fs.h"
#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "settings/registry_values.h"

namespace brevio::conversion {
namespace {

constexpr const char* kSamplesSection = "TEMPLATE";
constexpr std::size_t kSampleTimeMax = 22;
constexpr std::size_t kSampleWebsiteMax = 30;
constexpr std::size_t kSampleTitleMax = 200;
constexpr std::size_t kSampleContentMax = 102398;

store::FormMessage Warning(std::string text) {
    return {std::move(text), store::ProgramMessageTitle(), platform::MessageBoxSink::kWarning};
}

// The file's title without folder and extension.
std::string FileTitle(std::string_view path) {
    std::size_t slash = path.rfind('/');
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind('.');
    if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    return std::string(platform::Trim(name));
}

std::string Joined(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        if (!out.empty()) out += '|';
        out += n;
    }
    return out;
}

bool InRange(int selected, std::size_t size) {
    return selected >= 0 && static_cast<std::size_t>(selected) < size;
}

}  // namespace

const std::string& BuiltInTemplate() {
    static const std::string text =
        "<html>\n"
        "<meta http-equiv=\"content-type\" content=\"text/html; charset=gb2312\">\n"
        "<head>\n"
        "<title>%s</title>\n"
        "<style type=text/css>\n"
        "td{font-size:14.8px;line-height:150%%}\n"
        ".titleA {font-size:14.8px;color:#ff3366;line-height:150%%}\n"
        ".info{font-size:9pt;color:#cccccc;line-height:110%%}\n"
        ".content {line-height:150%%}\n"
        "</style>\n"
        "</head>\n"
        "<body topmargin=0 >\n"
        "<table align=center width=98%% ><tr><td class=titleA>%s</td></tr><tr><td "
        "class=info>%s&nbsp;&nbsp;%s</td></tr><tr><td>%s</td></tr></table>\n"
        "</body></html>";
    return text;
}

std::string FixedTemplateName() {
    return "Ostra模板";
}

bool IsUsableTemplateName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '|' || u < 0x20 || u == 0x7F) return false;
    }
    return true;
}

std::string TemplateFilePath(std::string_view templatePath, std::string_view name) {
    return std::string(templatePath) + std::string(name) + ".txt";
}

std::string LoadTemplate(std::string_view templatePath, std::string_view name) {
    if (!IsUsableTemplateName(name)) return BuiltInTemplate();
    std::string text;
    if (!platform::ReadWholeFile(TemplateFilePath(templatePath, name), text)) {
        return BuiltInTemplate();
    }
    if (text.size() > kMaxTemplateBytes)
        text.resize(platform::DbcsPrefix(text, kMaxTemplateBytes).size());
    return text;
}

std::string HtmlSamplesFile(std::string_view programFolder) {
    return platform::WithSlash(std::string(programFolder)) + "Content/Data/HtmlSamples.ini";
}

HtmlSamples LoadHtmlSamples(std::string_view programFolder) {
    const std::string file = HtmlSamplesFile(programFolder);
    HtmlSamples s;
    s.time =
        platform::ProfileGetString(file, kSamplesSection, "OSTRA_TIME", "", kSampleTimeMax + 1);
    s.website = platform::ProfileGetString(file, kSamplesSection, "OSTRA_WEBSITE", "",
                                           kSampleWebsiteMax + 1);
    s.title =
        platform::ProfileGetString(file, kSamplesSection, "OSTRA_TITLE", "", kSampleTitleMax + 1);
    s.content = platform::ProfileGetString(file, kSamplesSection, "OSTRA_CONTENT", "",
                                           kSampleContentMax + 1);
    return s;
}

std::string PreviewPage(std::string_view templateText, const HtmlSamples& samples) {
    std::string content;
    content.reserve(samples.content.size() + 64);
    const std::string_view c = samples.content;
    for (std::size_t i = 0; i < c.size(); ++i) {
        if (c[i] == '\r' && i + 1 < c.size() && c[i + 1] == '\n') {
            content += "<br>";
            ++i;
        } else if (c[i] == '\x04') {
            content += "<font color=red>";
        } else if (c[i] == '\x05') {
            content += "</font>";
        } else {
            content += c[i];
        }
    }
    return FillTemplate(templateText,
                        {samples.title, samples.title, samples.time, samples.website, content});
}

std::string PreviewPagePath() {
    return platform::DriveCFolder() + "content.html";
}

std::optional<std::string> WritePreview(std::string_view programFolder,
                                        std::string_view templatePath, std::string_view name) {
    std::string page =
        PreviewPage(LoadTemplate(templatePath, name), LoadHtmlSamples(programFolder));
    std::string path = PreviewPagePath();
    if (WriteWholeFile(path, page) < 0) return std::nullopt;
    return path;
}

std::string ReadTemplatePath(std::string_view programFolder) {
    const std::string fallback = platform::WithSlash(std::string(programFolder)) + "Template/";
    std::string path = settings::ReadString(keys::kTemplatePath, fallback);
    if (path.size() < kMinTemplatePath) {
        path = fallback;
        settings::WriteString(keys::kTemplatePath, path);
    }
    return platform::WithSlash(path);
}

// --- TemplateManagerForm ---------------------------------------------------------------

std::string TemplateManagerForm::Title() {
    return "模板管理";
}
std::string TemplateManagerForm::AddDialogTitle() {
    return "选取保存新闻的HTML模板";
}
std::string TemplateManagerForm::AddDialogFilter() {
    return "Text Files (*.txt)|*.txt||";
}
std::string TemplateManagerForm::RenameTitle() {
    return "重命名";
}
std::string TemplateManagerForm::RenameLabel() {
    return "新名字：";
}

TemplateManagerForm::TemplateManagerForm(std::string programFolder)
    : programFolder_(platform::WithSlash(std::move(programFolder))),
      templatePath_(ReadTemplatePath(programFolder_)) {
    for (std::string& name : platform::Split(settings::ReadString(keys::kTemplateName, ""), '|')) {
        if (!name.empty()) names_.push_back(std::move(name));
    }
}

std::string TemplateManagerForm::AddDialogFolder() const {
    return programFolder_ + "Content/Template/";
}

void TemplateManagerForm::Store() const {
    settings::WriteString(keys::kTemplateName, Joined(names_));
}

std::optional<store::FormMessage> TemplateManagerForm::Add(std::string_view chosenFile) {
    const std::string name = FileTitle(chosenFile);
    if (std::find(names_.begin(), names_.end(), name) != names_.end()) {
        return Warning("已经包含有相同名字的模板了!");
    }
    if (!IsUsableTemplateName(name)) return Warning("模板的名字不能为空,也不能含有 / 或 | !");
    platform::CreateFolders(templatePath_);
    std::string text;
    if (!platform::ReadWholeFile(chosenFile, text)) return Warning("读取文件失败!");
    if (WriteWholeFile(TemplateFilePath(templatePath_, name), text) < 0) {
        return Warning("文件操作失败!");
    }
    names_.push_back(name);
    Store();
    return std::nullopt;
}

std::optional<store::FormMessage> TemplateManagerForm::Delete(int selected) {
    if (!InRange(selected, names_.size())) return Warning("请选择要删除的模板!");
    const std::string& name = names_[static_cast<std::size_t>(selected)];
    if (IsUsableTemplateName(name)) platform::RemoveFile(TemplateFilePath(templatePath_, name));
    names_.erase(names_.begin() + selected);
    Store();
    return std::nullopt;
}

std::optional<store::FormMessage> TemplateManagerForm::CheckRename(int selected) const {
    if (!InRange(selected, names_.size())) return Warning("请选择一个要重命名的模板!");
    return std::nullopt;
}

std::optional<store::FormMessage> TemplateManagerForm::Rename(int selected,
                                                              std::string_view newName) {
    if (auto refusal = CheckRename(selected)) return refusal;
    const std::string name(platform::Trim(newName));
    std::string& old = names_[static_cast<std::size_t>(selected)];
    if (name == old) return std::nullopt;
    if (std::find(names_.begin(), names_.end(), name) != names_.end()) {
        return Warning("已经包含有相同名字的模板了!");
    }
    if (!IsUsableTemplateName(name)) return Warning("模板的名字不能为空,也不能含有 / 或 | !");
    const std::string from = TemplateFilePath(templatePath_, old);
    if (IsUsableTemplateName(old) && platform::FileExists(from) &&
        !platform::RenameFile(from, TemplateFilePath(templatePath_, name))) {
        return Warning("文件操作失败!");
    }
    old = name;
    Store();
    return std::nullopt;
}

std::optional<store::FormMessage> TemplateManagerForm::Preview(int selected,
                                                               std::string* page) const {
    if (!InRange(selected, names_.size())) return Warning("请选择一个要预览的模板!");
    std::optional<std::string> written =
        WritePreview(programFolder_, templatePath_, names_[static_cast<std::size_t>(selected)]);
    if (!written) return Warning("文件操作失败!");
    if (page) *page = *written;
    return std::nullopt;
}

}  // namespace brevio::conversion
