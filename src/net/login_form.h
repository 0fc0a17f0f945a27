// The login dialog as a form object: its texts and controls, the values it starts from, the
// reason the last login failed, what OK accepts and, for the login settings command, what it
// stores. The dialog itself is a thin view over this.
//
// The dialog serves two commands:
//   - the login at start-up: OK hands the typed values to the caller, which stores them and
//     runs the web login (the values are stored before the portal checks them);
//   - the login settings: the dialog starts from the values in use, and OK stores them in the
//     registry (StoreLoginValues) and in the running client (ClientCore::SetUser) without
//     contacting the portal.
//
// Every text is GBK. The form runs on the user-interface thread.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace brevio::net {

struct LoginFormValues {
    std::string userId;
    std::string password;
    bool autoLogin = false;
    bool operator==(const LoginFormValues&) const = default;
};

class LoginForm {
  public:
    static constexpr int kResource = 149;
    // Control ids of the dialog.
    static constexpr int kUserIdEdit = 1214;
    static constexpr int kPasswordEdit = 1215;
    static constexpr int kAutoLoginBox = 1216;
    static constexpr int kRegisterButton = 1058;

    // The stored password keeps at most this many bytes (the unscrambling buffer holds 128
    // with its terminator), so the password box takes no more: what is used now is what the
    // next start reads back.
    static constexpr std::size_t kPasswordInputMax = 127;

    static std::string Caption();        // "Brevio用户登录"
    static std::string UserIdLabel();    // "用 户 名:"
    static std::string PasswordLabel();  // "用户密码:"
    static std::string AutoLoginText();  // "自动登录"
    static std::string RegisterText();   // "注册"

    // `portalAddress` is where the registration page is; `problem` (may be empty) says why
    // the last login failed.
    LoginForm(std::string portalAddress, const LoginFormValues& current, std::string problem = {});

    // What the boxes show on opening: the values to start from, the password cut to what the
    // box takes.
    const LoginFormValues& Initial() const { return initial_; }
    // The reason the last attempt failed; the dialog shows a line for it only when there is one.
    const std::string& Problem() const { return problem_; }
    bool ShowsProblem() const { return !problem_.empty(); }
    // The registration button opens this page in the user's browser.
    std::string RegistrationAddress() const;

    // OK: takes the values as typed. Control characters (a pasted line end, a tab) are dropped
    // from the user id and the password, because both travel inside request lines and form
    // bodies; the password is cut to kPasswordInputMax bytes without splitting a double-byte
    // character. Nothing is refused and nothing is stored here.
    const LoginFormValues& Ok(std::string_view userId, std::string_view password, bool autoLogin);
    // The values OK accepted.
    const LoginFormValues& Accepted() const { return accepted_; }

  private:
    std::string portalAddress_;
    LoginFormValues initial_;
    std::string problem_;
    LoginFormValues accepted_;
};


// The portal address as the start-up settings load takes it: the PortalAddress value when it
// is set, else the built-in portal.
std::string CurrentPortalAddress();

}  // namespace brevio::net
