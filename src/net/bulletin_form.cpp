#include "net/bulletin_form.h"

#include "platform/text.h"
#include "reference/file_names.h"

namespace brevio::net {

std::string HtmlColour(std::uint32_t colorRef) {
    const unsigned red = colorRef & 0xFFu;
    const unsigned green = (colorRef >> 8) & 0xFFu;
    const unsigned blue = (colorRef >> 16) & 0xFFu;
    return platform::Format("#%02X%02X%02X", red, green, blue);
}

std::string BulletinWindowForm::ShowAtStartText() {
    return "下次启动弹出该对话框";
}

std::string BulletinWindowForm::FilePath(std::string_view contentFolder) {
    return reference::DataPath(contentFolder, reference::kBulletinFile);
}

void BulletinWindowForm::Take(const reference::Bulletin& bulletin, const SubscriptionLists& lists) {
    bulletin_ = bulletin;
    categoryName_.clear();
    if (auto record = lists.Get(SubscriptionLists::RefFor(Group::kPublic, bulletin.category))) {
        categoryName_ = record->categoryName;
    }
}

void BulletinWindowForm::Show(const reference::Bulletin& bulletin, const SubscriptionLists& lists) {
    Take(bulletin, lists);
    reference::Bulletin stored;
    showAtStart_ = reference::ReadBulletin(path_, stored) != 0 || stored.showAtStart != 0;
}

bool BulletinWindowForm::LoadAtStart(const SubscriptionLists& lists) {
    reference::Bulletin stored;
    if (reference::ReadBulletin(path_, stored) != 0 || stored.Empty() || stored.showAtStart == 0) {
        bulletin_ = {};
        categoryName_.clear();
        showAtStart_ = false;
        return false;
    }
    Take(stored, lists);
    showAtStart_ = true;
    return true;
}

int BulletinWindowForm::SetShowAtStart(bool show) {
    const int rc = reference::SetBulletinFlag(path_, show ? 1 : 0);
    if (rc == 0) showAtStart_ = show;
    return rc;
}

}  // namespace brevio::net
