#include "net/login_form.h"

#include <gtest/gtest.h>

#include "net/login.h"
#include "platform/registry.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/password.h"
#include "settings/registry_values.h"
#include "support/temp_home.h"

namespace brevio::net {
namespace {

namespace keys = settings::keys;

class LoginFormTest : public test::TempHomeTest {};

TEST_F(LoginFormTest, OpensWithTheGivenValuesAndShowsAProblemOnlyWhenThereIsOne) {
    LoginForm first("127.0.0.1:8080/", {"张三", "pw", true});
    EXPECT_EQ(first.Initial(), (LoginFormValues{"张三", "pw", true}));
    EXPECT_FALSE(first.ShowsProblem());
    EXPECT_EQ(first.Accepted(), first.Initial());  // nothing typed yet
    EXPECT_EQ(first.RegistrationAddress(), "http://127.0.0.1:8080/login.aspx");

    LoginForm again("http://portal.example.cn", {"demo", "", false}, "用户名或密码不正确");
    EXPECT_TRUE(again.ShowsProblem());
    EXPECT_EQ(again.Problem(), "用户名或密码不正确");
    EXPECT_EQ(again.RegistrationAddress(), "http://portal.example.cn/login.aspx");

    EXPECT_EQ(LoginForm::Caption(), "Brevio用户登录");
    EXPECT_EQ(LoginForm::UserIdLabel(), "用 户 名:");
    EXPECT_EQ(LoginForm::PasswordLabel(), "用户密码:");
}

TEST_F(LoginFormTest, OkTakesTheValuesAsTypedButWhatCannotTravelOrBeStored) {
    LoginForm form("", {});
    // Blanks are part of the values; line ends, tabs and DEL would break request lines.
    EXPECT_EQ(form.Ok(" 张 三 ", "a\r\nb\tc\x7F d", true),
              (LoginFormValues{" 张 三 ", "abc d", true}));
    EXPECT_EQ(form.Ok("x\ny", "", false), (LoginFormValues{"xy", "", false}));
    EXPECT_EQ(form.Accepted(), (LoginFormValues{"xy", "", false}));

    // The password box takes 127 bytes and never half a character.
    const std::string a126(126, 'a');
    EXPECT_EQ(form.Ok("u", a126 + "b", false).password, a126 + "b");
    EXPECT_EQ(form.Ok("u", a126 + "bc", false).password, a126 + "b");
    EXPECT_EQ(form.Ok("u", a126 + "密码", false).password, a126);
    // A longer password handed in to start from is shown cut the same way.
    LoginForm longer("", {"u", a126 + "密码", false});
    EXPECT_EQ(longer.Initial().password, a126);
}

TEST_F(LoginFormTest, SettingsOkStoresInTheRegistryAsTheNextStartReadsThem) {
    LoginForm form(CurrentPortalAddress(), {"old", "oldpw", false});
    // The longest password the box takes, with a GBK character at its end.
    const std::string password = std::string(125, 'p') + "码";
    const LoginFormValues& typed = form.Ok("新用户", password, true);
    StoreLoginValues(typed.userId, typed.password, typed.autoLogin);

    EXPECT_EQ(settings::ReadString(keys::kUserId, ""), "新用户");
    EXPECT_EQ(settings::ReadString(keys::kPassword, ""), settings::ScramblePassword(password));
    EXPECT_EQ(settings::ReadInt(keys::kAutoLogin, -1), 1);

    settings::AppSettings next = settings::LoadAppSettings();
    EXPECT_EQ(next.userId, "新用户");
    EXPECT_EQ(next.password, password);
    EXPECT_TRUE(next.autoLogin);

    // Unticking the box clears the flag again.
    StoreLoginValues("新用户", password, false);
    EXPECT_EQ(settings::ReadInt(keys::kAutoLogin, -1), 0);
    EXPECT_FALSE(settings::LoadAppSettings().autoLogin);
}

TEST_F(LoginFormTest, ThePortalAddressIsTheOneTheStartUpLoadUses) {
    EXPECT_EQ(CurrentPortalAddress(), keys::kBuiltInPortal);
    // Asking does not store the built-in address.
    EXPECT_FALSE(platform::Registry::Default().GetString(keys::kPortalAddress));
    settings::WriteString(keys::kPortalAddress, "");
    EXPECT_EQ(CurrentPortalAddress(), keys::kBuiltInPortal);
    settings::WriteString(keys::kPortalAddress, "portal.example.cn:81");
    EXPECT_EQ(CurrentPortalAddress(), "portal.example.cn:81");
    EXPECT_EQ(CurrentPortalAddress(), settings::LoadAppSettings().portalAddress);
}

}  // namespace
}  // namespace brevio::net
