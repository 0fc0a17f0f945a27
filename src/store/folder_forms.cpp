#include "store/folder_forms.h"

#include "platform/fs.h"
#include "platform/host.h"
#include "platform/text.h"

namespace brevio::store {
namespace {

int Index(FolderListKind list) {
    return list == FolderListKind::kFavorites ? 0 : 1;
}

FormMessage Warning(std::string text) {
    return {std::move(text), ProgramMessageTitle(), platform::MessageBoxSink::kWarning};
}

std::string Cut(std::string_view text, std::size_t max) {
    return std::string(platform::DbcsPrefix(text, max));
}

bool ValidRow(std::optional<std::size_t> row, std::size_t size) {
    return row && *row < size;
}

}  // namespace

std::string ProgramMessageTitle() {
    return "Brevio提示";
}

FolderKind FolderKindOf(FolderListKind list) {
    return list == FolderListKind::kFavorites ? kFolderFavorite : kFolderSubscription;
}

const FolderDialogTexts& DialogTexts(FolderListKind list) {
    static const FolderDialogTexts kTexts[2] = {
        {163, "整理", "管理(包括添加、删除、重命名等功能)。", 161, "添加收藏夹",
         "添加一收藏夹,以便更好地管理您感兴趣新闻.",
         "当搜索到的新闻包含下列关键词时,自动将新闻添加到此收藏夹中(多个关键词之间用\",\"隔开).",
         207, "收藏夹属性"},
        {240, "个性化订阅", "对个性化订阅进行管理(包括添加、删除、重命名等功能)。", 239,
         "添加个性化订阅", "添加个性化订阅夹,以便更好地管理您感兴趣新闻.",
         "当搜索到的新闻包含下列关键词时,自动将新闻添加到此个性化订阅夹中(多个关键词之间用\",\"隔开"
         ").",
         241, "个性化订阅属性"},
    };
    return kTexts[Index(list)];
}

const OrganizerButtons& OrganizerButtonTexts() {
    static const OrganizerButtons kButtons{"添  加", "删  除", "重命名",
                                           "属  性", "确 定",  "取 消"};
    return kButtons;
}

FormMessage SelectFolderMessage() {
    return Warning("请选择一个收藏文件夹!");
}

// FolderLists

FolderLists::FolderLists(FolderListHolder& favorites, std::string favoritesFile,
                         FolderListHolder& subscriptions, std::string subscriptionsFile)
    : holders_{&favorites, &subscriptions},
      files_{std::move(favoritesFile), std::move(subscriptionsFile)} {}

FolderListHolder& FolderLists::Holder(FolderListKind list) const {
    return *holders_[Index(list)];
}

const std::string& FolderLists::File(FolderListKind list) const {
    return files_[Index(list)];
}

// NewFolderForm

NewFolderForm::NewFolderForm(FolderListKind list, const FolderLists& lists)
    : list_(list), lists_(lists) {}

std::optional<NewFolderForm::Refusal> NewFolderForm::Ok(std::string_view name,
                                                        std::string_view keywords) {
    const std::string trimmedName = Cut(platform::Trim(name), kFolderNameInputMax);
    const std::string trimmedKeywords = Cut(platform::Trim(keywords), kFolderKeywordInputMax);
    if (trimmedName.empty()) {
        // A folder without a name could be neither shown nor told apart.
        return Refusal{Warning("收藏夹的名称不能为空!"), Field::kName};
    }
    // The list as loaded: entries added in the organising dialog are not looked at.
    if (HasFolderNamed(*lists_.Holder(list_).Get(), trimmedName)) {
        return Refusal{Warning(platform::Format("文件夹\"%s\"已存在!", trimmedName.c_str())),
                       Field::kName};
    }
    std::int32_t id = NextFolderId(*lists_.Holder(FolderListKind::kFavorites).Get(),
                                   *lists_.Holder(FolderListKind::kSubscriptions).Get());
    if (id < 0) return Refusal{Warning("收藏夹的编号已经用完!"), Field::kName};
    entry_ = FolderEntry{id, trimmedName, SplitFolderKeywords(trimmedKeywords)};
    return std::nullopt;
}

// RenameForm

std::string RenameForm::Title() {
    return "重命名";
}
std::string RenameForm::OldNameLabel() {
    return "原名称:";
}
std::string RenameForm::NewNameLabel() {
    return "新名称:";
}

std::optional<FormMessage> RenameForm::Ok(std::string_view newName) {
    std::string name = Cut(platform::Trim(newName), kFolderNameInputMax);
    if (name.empty()) return Warning("收藏夹的名称不能为空!");
    newName_ = std::move(name);
    return std::nullopt;
}

// PropertiesForm

PropertiesForm::PropertiesForm(FolderListKind list, const FolderEntry& entry)
    : list_(list),
      name_(entry.name),
      keywordText_(Cut(entry.KeywordText(), kFolderKeywordInputMax)),
      keywords_(entry.keywords) {}

void PropertiesForm::Ok(std::string_view keywordText) {
    keywordText_ = Cut(platform::Trim(keywordText), kFolderKeywordInputMax);
    keywords_ = SplitFolderKeywords(keywordText_);
}

// FolderOrganizer

FolderOrganizer::FolderOrganizer(FolderListKind list, FolderLists& lists)
    : list_(list), lists_(lists), entries_(*lists.Holder(list).Get()) {}

std::vector<std::string> FolderOrganizer::Names() const {
    std::vector<std::string> names;
    names.reserve(entries_.size());
    for (const FolderEntry& e : entries_) names.push_back(e.name);
    return names;
}

std::size_t FolderOrganizer::Add(const NewFolderForm& accepted) {
    entries_.push_back(accepted.Entry());
    return entries_.size() - 1;
}

std::optional<FormMessage> FolderOrganizer::RequireSelection(std::optional<std::size_t> row) const {
    if (!ValidRow(row, entries_.size())) return SelectFolderMessage();
    return std::nullopt;
}

std::optional<FormMessage> FolderOrganizer::Delete(std::optional<std::size_t> row) {
    if (auto refused = RequireSelection(row)) return refused;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(*row));
    return std::nullopt;
}

std::variant<FormMessage, RenameForm> FolderOrganizer::Rename(
    std::optional<std::size_t> row) const {
    if (auto refused = RequireSelection(row)) return *refused;
    return RenameForm(entries_[*row].name);
}

void FolderOrganizer::Apply(std::size_t row, const RenameForm& accepted) {
    if (row < entries_.size()) entries_[row].name = accepted.NewName();
}

std::variant<FormMessage, PropertiesForm> FolderOrganizer::Properties(
    std::optional<std::size_t> row) const {
    if (auto refused = RequireSelection(row)) return *refused;
    return PropertiesForm(list_, entries_[*row]);
}

void FolderOrganizer::Apply(std::size_t row, const PropertiesForm& accepted) {
    if (row < entries_.size()) entries_[row].keywords = accepted.Keywords();
}

bool FolderOrganizer::Ok() {
    const std::string& file = lists_.File(list_);
    const bool saved = SaveFolders(file, entries_);
    // Copy-on-write: the store writer thread may be filing with the subscription list right
    // now; it keeps its snapshot while the reloaded list is published.
    lists_.Holder(list_).Reload(file);
    if (saved) lists_.NotifySaved(FolderKindOf(list_));
    return saved;
}

void FolderOrganizer::Cancel() {
    lists_.Holder(list_).Reload(lists_.File(list_));
    entries_ = *lists_.Holder(list_).Get();
}

// ChooseFavouriteForm

std::string ChooseFavouriteForm::Title() {
    return "添加到收藏夹";
}
std::string ChooseFavouriteForm::Text() {
    return "将选择的新闻添加到指定的收藏夹中.";
}
std::string ChooseFavouriteForm::OrganizeButton() {
    return "整理收藏夹";
}

ChooseFavouriteForm::ChooseFavouriteForm(FolderLists& lists) : lists_(lists) {
    Refill();
}

void ChooseFavouriteForm::Refill() {
    entries_ = *lists_.Holder(FolderListKind::kFavorites).Get();
    names_.clear();
    for (const FolderEntry& e : entries_) names_.push_back(e.name);
}

std::optional<std::size_t> ChooseFavouriteForm::InitialSelection() const {
    if (entries_.empty()) return std::nullopt;
    return 0;
}

std::optional<FormMessage> ChooseFavouriteForm::Ok(std::optional<std::size_t> row) {
    if (!ValidRow(row, entries_.size())) return SelectFolderMessage();
    chosenId_ = entries_[*row].id;
    return std::nullopt;
}

int CopyItemToFolder(std::string_view contentFolder, FolderKind sourceKind,
                     std::string_view sourceBase, std::int32_t newsId, FolderKind targetKind,
                     std::int32_t folderId) {
    if (folderId <= 0) return kCannotOpen;
    NewsRecord record;
    std::string content;
    int rc =
        ReadItem(ResolveFolder(contentFolder, sourceKind), sourceBase, newsId, record, content);
    if (rc < 0) return rc;
    const std::string folder = ResolveFolder(contentFolder, targetKind);
    if (!platform::FolderExists(folder)) platform::CreateFolder(folder);
    return AppendRecord(BasePath(folder, std::to_string(folderId)), record, content);
}

}  // namespace brevio::store
