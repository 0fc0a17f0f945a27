#include "net/find_bar_form.h"

#include "platform/text.h"
#include "reference/reference_tables.h"

namespace brevio::net {

std::string FindBarForm::Label() {
    return "搜索:";
}
std::string FindBarForm::SearchText() {
    return "搜索";
}
std::string FindBarForm::WebSearchText() {
    return "百度";
}

std::variant<store::FormMessage, FindBarForm::Request> FindBarForm::BeginLocal(
    std::string_view keyword) {
    const std::string_view trimmed = platform::Trim(keyword);
    if (trimmed.empty()) {
        return store::FormMessage{"请输入您想查找的关键字!", "新闻查找",
                                  platform::MessageBoxSink::kWarning};
    }
    return Request{++generation_, std::string(trimmed), scope_};
}

store::LocalSearchResult FindBarForm::Run(const Request& request,
                                          const reference::ReferenceTables& tables,
                                          std::string_view contentFolder) {
    return store::SearchLocal(request.keyword, request.scope, tables, contentFolder);
}

}  // namespace brevio::net
