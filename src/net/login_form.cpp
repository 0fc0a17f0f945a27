#include "net/login_form.h"

#include "net/login.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "settings/keys.h"

namespace brevio::net {
namespace {

bool IsControl(char c) {
    auto b = static_cast<unsigned char>(c);
    return b < 0x20 || b == 0x7F;
}

std::string WithoutControls(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (!IsControl(c)) out += c;
    }
    return out;
}

std::string PasswordAsTaken(std::string_view password) {
    return std::string(platform::DbcsPrefix(password, LoginForm::kPasswordInputMax));
}

}  // namespace

std::string LoginForm::Caption() {
    return "Brevio用户登录";
}
std::string LoginForm::UserIdLabel() {
    return "用 户 名:";
}
std::string LoginForm::PasswordLabel() {
    return "用户密码:";
}
std::string LoginForm::AutoLoginText() {
    return "自动登录";
}
std::string LoginForm::RegisterText() {
    return "注册";
}

LoginForm::LoginForm(std::string portalAddress, const LoginFormValues& current, std::string problem)
    : portalAddress_(std::move(portalAddress)),
      initial_{current.userId, PasswordAsTaken(current.password), current.autoLogin},
      problem_(std::move(problem)),
      accepted_(initial_) {}

std::string LoginForm::RegistrationAddress() const {
    return RegistrationPage(portalAddress_);
}

const LoginFormValues& LoginForm::Ok(std::string_view userId, std::string_view password,
                                     bool autoLogin) {
    accepted_.userId = WithoutControls(userId);
    accepted_.password = PasswordAsTaken(WithoutControls(password));
    accepted_.autoLogin = autoLogin;
    return accepted_;
}

std::string CurrentPortalAddress() {
    std::optional<std::string> portal =
        platform::Registry::Default().GetString(settings::keys::kPortalAddress);
    if (portal && !portal->empty()) return *portal;
    return settings::keys::kBuiltInPortal;
}

}  // namespace brevio::net
