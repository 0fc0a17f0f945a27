#include "client/web_settings_form.h"

#include <atomic>

namespace brevio::client {
namespace {

std::atomic<std::size_t> g_liveBindings{0};

}  // namespace

WebSettingsForm::WebSettingsForm(int kind)
    : kind_(kind >= 0 && kind <= 5 ? kind : 0), layout_(SettingsDialogLayoutFor(kind_)) {}

WebSettingsForm::~WebSettingsForm() {
    Forget();
}

WebSettingsForm::PageStep WebSettingsForm::PageFinished() {
    PageStep step;
    if (clicked_) {
        step.close = *clicked_ == layout_.okButton ? Close::kOk : Close::kCancel;
        clicked_.reset();
        return step;
    }
    pageFirst_ = bindings_.size();
    for (std::string_view id : {layout_.okButton, layout_.cancelButton}) {
        bindings_.push_back({std::string(id), -1});
        g_liveBindings.fetch_add(1);
        step.connect.emplace_back(id);
    }
    return step;
}

void WebSettingsForm::BindingsConnected(const std::vector<int>& cookies) {
    const std::size_t wanted = bindings_.size() - pageFirst_;
    const std::size_t n = cookies.size() < wanted ? cookies.size() : wanted;
    for (std::size_t i = 0; i < n; ++i) bindings_[pageFirst_ + i].cookie = cookies[i];
    connected_ = wanted > 0 && n == wanted;
}

void WebSettingsForm::ButtonClicked(const std::string& elementId) {
    if (elementId == layout_.okButton || elementId == layout_.cancelButton) clicked_ = elementId;
}

std::vector<WebSettingsForm::Binding> WebSettingsForm::Release() {
    std::vector<Binding> connectedOnes;
    if (connected_) {
        for (const Binding& b : bindings_) {
            if (b.cookie >= 0) connectedOnes.push_back(b);
        }
    }
    Forget();
    return connectedOnes;
}

void WebSettingsForm::Forget() {
    g_liveBindings.fetch_sub(bindings_.size());
    bindings_.clear();
    pageFirst_ = 0;
    connected_ = false;
    clicked_.reset();
}

std::size_t WebSettingsForm::LiveBindings() {
    return g_liveBindings.load();
}

}  // namespace brevio::client
