#include "net/login.h"

#include "platform/fs.h"
#include "platform/http.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/password.h"
#include "settings/registry_values.h"

namespace brevio::net {
namespace {

constexpr std::string_view kMarker = "###!!!###OK@@@";
// The view state of the portal's login page, sent back unchanged with every login post.
constexpr std::string_view kViewState = "dDwtMTM4NzE0NTc2Nzs7PqSxBfuTpD2AYtQPr4kvZ2r0vnDu";

std::string Portal(std::string_view address) {
    std::string base = platform::WithHttpPrefix(address);
    while (!base.empty() && base.back() == '/') base.pop_back();
    return base;
}

// A form value as the portal reads it back: bytes go as they are (GBK included), except the
// characters that would end the value or change its meaning in a form body, which go as %XX.
std::string FormValue(std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : value) {
        if (c == '&' || c == '=' || c == '+' || c == '%' || c == '#' || c == ' ' || c == '\r' ||
            c == '\n') {
            auto b = static_cast<unsigned char>(c);
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string LoginFormBody(std::string_view userId, std::string_view password) {
    std::string body = "__VIEWSTATE=" + std::string(kViewState) +
                       "&Head1%3Auserid=&Head1%3Auserpw=&Head1%3Atxtkey=";
    body += "&userid=" + FormValue(userId) + "&userpw=" + FormValue(password);
    body += "&Button1=%B5%C7%C2%BC";
    return body;
}

bool ExtractCategoryList(std::string_view answer, std::string& list) {
    list.clear();
    std::size_t first = answer.find(kMarker);
    if (first == std::string_view::npos) return false;
    std::size_t start = first + kMarker.size();
    std::size_t second = answer.find(kMarker, start);
    if (second == std::string_view::npos) return true;
    std::string_view text = answer.substr(start, second - start);
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t br = text.find("<br>", pos);
        if (br == std::string_view::npos) {
            list.append(text.substr(pos));
            break;
        }
        list.append(text.substr(pos, br - pos));
        list += "\r\n";
        pos = br + 4;
    }
    return true;
}

LoginResult WebLogin(std::string_view portalAddress, std::string_view programFolder,
                     std::string_view userId, std::string_view password, std::string* detail) {
    platform::HttpOptions options;
    options.connectTimeoutMs = 15000;
    options.idleTimeoutMs = 30000;
    platform::HttpResult r = platform::HttpPostForm(Portal(portalAddress) + "/ggfb.aspx",
                                                    LoginFormBody(userId, password), options);
    if (!r.transferred) {
        if (detail) *detail = r.error;
        return LoginResult::kUnreachable;
    }
    std::string list;
    if (!ExtractCategoryList(r.body, list)) {
        if (detail) *detail = r.Ok() ? "the portal refused the login" : r.error;
        return LoginResult::kRejected;
    }
    std::string path = std::string(programFolder) + "Vantory.ini";
    if (!platform::WriteFileAtomic(path, list)) {
        if (detail) *detail = "cannot write " + path;
        return LoginResult::kWriteFailed;
    }
    return LoginResult::kOk;
}

LoginResult AutomaticLogin(const settings::AppSettings& s, std::string* detail) {
    if (!s.autoLogin || s.userId.empty()) {
        if (detail) *detail = "automatic login is off";
        return LoginResult::kRejected;
    }
    return WebLogin(s.portalAddress, s.programFolder, s.userId, s.password, detail);
}

std::string LoginRejectedText() {
    return "用户名或密码不正确 \n或者 没有订阅新闻!";
}

void StoreLoginValues(std::string_view userId, std::string_view password, bool autoLogin) {
    settings::WriteInt(settings::keys::kAutoLogin, autoLogin ? 1 : 0);
    settings::WriteString(settings::keys::kUserId, userId);
    settings::WriteString(settings::keys::kPassword, settings::ScramblePassword(password));
}

std::string RegistrationPage(std::string_view portalAddress) {
    return Portal(portalAddress) + "/login.aspx";
}

}  // namespace brevio::net
