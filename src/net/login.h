// Login through the web portal: a form post of user id and password to "ggfb.aspx"; the
// portal answers with the user's category list between two markers, which becomes the
// program folder's "Vantory.ini".
#pragma once

#include <string>
#include <string_view>

namespace brevio::settings {
struct AppSettings;
}

namespace brevio::net {

enum class LoginResult {
    kOk,
    kRejected,     // the marker is missing: wrong user or password, or no subscription
    kUnreachable,  // the portal could not be reached or the request failed
    kWriteFailed,  // "Vantory.ini" could not be written
};

// The form body of the login post. User id and password go in as their bytes, except that
// "&", "=", "+", "%", "#", space, CR and LF are sent as %XX so that such a password arrives
// whole instead of cutting the form short.
std::string LoginFormBody(std::string_view userId, std::string_view password);

// The category list in a portal answer: the text after the first marker up to the next one,
// with every "<br>" replaced by CR LF; empty when the second marker is missing. False when
// the first marker is missing.
bool ExtractCategoryList(std::string_view answer, std::string& list);

// Posts the login form to portalAddress + "/ggfb.aspx" and, on success, writes the category
// list to programFolder + "Vantory.ini". `detail` (optional) receives the reason of a failure.
LoginResult WebLogin(std::string_view portalAddress, std::string_view programFolder,
                     std::string_view userId, std::string_view password,
                     std::string* detail = nullptr);

// The first step of the login at start-up: with AutoLogin set (and a stored user id), the web
// login with the stored user id and password. kRejected without AutoLogin means the login
// dialog has to ask; after any failure the dialog is shown as well.
LoginResult AutomaticLogin(const settings::AppSettings& settings, std::string* detail = nullptr);

// The message shown when the portal refuses the login (GBK).
std::string LoginRejectedText();

// The login dialog's OK stores the values before they are checked: AutoLogin, PemloUserID and
// the scrambled PemloPasswd.
void StoreLoginValues(std::string_view userId, std::string_view password, bool autoLogin);

// The portal's registration page address.
std::string RegistrationPage(std::string_view portalAddress);

}  // namespace brevio::net
