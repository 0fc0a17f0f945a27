#include "net/net_settings_form.h"

#include <gtest/gtest.h>

#include "net/exchange.h"
#include "platform/registry.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/registry_values.h"
#include "support/temp_home.h"

namespace brevio::net {
namespace {

namespace keys = settings::keys;

class NetSettingsFormTest : public test::TempHomeTest {
  protected:
    static void StoreProxy(int mode, const char* host, int port, const char* user,
                           const char* password, int auth) {
        settings::WriteInt(keys::kProxyMode, mode);
        settings::WriteString(keys::kProxyHost, host);
        settings::WriteInt(keys::kProxyPort, port);
        settings::WriteString(keys::kProxyUser, user);
        settings::WriteString(keys::kProxyPwd, password);
        settings::WriteInt(keys::kProxyAuth, auth);
    }
    static void StoreServer(const char* host, int port) {
        settings::WriteString(keys::kServerHost, host);
        settings::WriteInt(keys::kServerPort, port);
    }
    static platform::Registry::Values Registry() { return platform::Registry::Default().All(); }

    ServerEndpoint endpoint_{"10.0.0.9", 7000};
};

TEST_F(NetSettingsFormTest, OpeningShowsTheStoredValuesWithTheServerDefaults) {
    // Nothing stored: every value is written with its default, the built-in server is shown.
    NetSettingsForm fresh(endpoint_);
    EXPECT_EQ(fresh.Shown(), (NetSettingsValues{0, "", 0, "", "", false, "127.0.0.1", 5001}));
    EXPECT_EQ(NetSettingsForm::BuiltInServers().size(), 2u);
    EXPECT_EQ(fresh.Shown().serverHost, NetSettingsForm::BuiltInServers().front());
    platform::Registry::Values written = Registry();
    for (const char* name :
         {keys::kProxyMode, keys::kProxyHost, keys::kProxyPort, keys::kProxyUser, keys::kProxyPwd,
          keys::kProxyAuth, keys::kServerHost, keys::kServerPort}) {
        EXPECT_TRUE(written.count(name)) << name;
    }
    EXPECT_EQ(settings::ReadInt(keys::kServerPort, -1), 0);  // shown as 5001, stored as it was

    // Stored values as they are, the server host trimmed of blanks; a nonsense mode is direct.
    StoreProxy(2, "proxy.lan", 1080, "张三", "pw", 7);
    StoreServer("  news.example.cn  ", 6001);
    NetSettingsForm stored(endpoint_);
    EXPECT_EQ(stored.Shown(), (NetSettingsValues{2, "proxy.lan", 1080, "张三", "pw", true,
                                                 "news.example.cn", 6001}));
    NetSettingsForm::Input shown = stored.InitialInput();
    EXPECT_EQ(shown.proxyPortText, "1080");
    EXPECT_EQ(shown.serverPortText, "6001");
    settings::WriteInt(keys::kProxyMode, 9);
    StoreServer("   ", 0);
    NetSettingsForm odd(endpoint_);
    EXPECT_EQ(odd.Shown().proxyMode, 0);
    EXPECT_EQ(odd.Shown().serverHost, "127.0.0.1");
    EXPECT_EQ(odd.Shown().serverPort, 5001);
    // Opening changes nothing in the running client.
    EXPECT_EQ(endpoint_.Get().host, "10.0.0.9");
    EXPECT_EQ(endpoint_.Get().port, 7000);
}

TEST_F(NetSettingsFormTest, ProxyControlsFollowTheModeAndTheAuthenticationBox) {
    const NetSettingsEnabling none{};
    const NetSettingsEnabling hostAndPort{true, true, false, false, false};
    for (bool auth : {false, true}) {
        EXPECT_EQ(EnablingFor(0, auth), none) << auth;
        EXPECT_EQ(EnablingFor(1, auth), hostAndPort) << auth;  // no box with SOCKS4
        EXPECT_EQ(EnablingFor(3, auth), none) << auth;
        EXPECT_EQ(EnablingFor(-1, auth), none) << auth;
    }
    EXPECT_EQ(EnablingFor(2, false), (NetSettingsEnabling{true, true, true, false, false}));
    EXPECT_EQ(EnablingFor(2, true), (NetSettingsEnabling{true, true, true, true, true}));
}

TEST_F(NetSettingsFormTest, PortsOutsideTheRangeAreRefusedInControlOrderAndNothingIsWritten) {
    StoreProxy(1, "proxy.lan", 1080, "", "", 0);
    StoreServer("news.example.cn", 6001);
    NetSettingsForm form(endpoint_);
    const platform::Registry::Values before = Registry();

    const std::string notANumber = "请输入一个整数。";
    const std::string outOfRange = "请输入一个介于 0 和 65535 之间的整数。";
    EXPECT_EQ(NotANumberText(), notANumber);
    EXPECT_EQ(OutOfRangeText(0, 65535), outOfRange);
    struct Case {
        const char* text;
        const std::string* message;  // nullptr: accepted
    };
    const Case cases[] = {
        {"", &notANumber},    {"  ", &notANumber},
        {"abc", &notANumber}, {"80x", &notANumber},
        {"1e3", &notANumber}, {"8 0", &notANumber},
        {"-", &notANumber},   {"65536", &outOfRange},
        {"-1", &outOfRange},  {"99999999999999999999", &outOfRange},
        {"0", nullptr},       {" 65535\t", nullptr},
        {"+8080", nullptr},   {"-0", nullptr},
    };
    for (const Case& c : cases) {
        if (!c.message) continue;
        // The server port alone is wrong.
        NetSettingsForm::Input in = form.InitialInput();
        in.serverPortText = c.text;
        auto refused = form.Ok(in);
        ASSERT_TRUE(refused) << c.text;
        EXPECT_EQ(refused->message.text, *c.message) << c.text;
        EXPECT_EQ(refused->message.title, "Brevio提示");
        EXPECT_EQ(refused->message.icon, platform::MessageBoxSink::kWarning);
        EXPECT_EQ(refused->focus, NetSettingsForm::kServerPortEdit);
        // The proxy box comes first when both are wrong.
        in.proxyPortText = c.text;
        refused = form.Ok(in);
        ASSERT_TRUE(refused) << c.text;
        EXPECT_EQ(refused->focus, NetSettingsForm::kProxyPortEdit) << c.text;
    }
    EXPECT_EQ(Registry(), before);
    EXPECT_EQ(endpoint_.Get().host, "10.0.0.9");
    EXPECT_EQ(endpoint_.Get().port, 7000);

    for (const Case& c : cases) {
        if (c.message) continue;
        NetSettingsForm::Input in = form.InitialInput();
        in.serverPortText = c.text;
        in.proxyPortText = c.text;
        EXPECT_FALSE(form.Ok(in)) << c.text;
    }
    EXPECT_EQ(settings::ReadInt(keys::kServerPort, -1), 0);  // "-0", the last one accepted
    EXPECT_EQ(form.Stored().proxyPort, 0);
}

TEST_F(NetSettingsFormTest, ADisabledProxyPortIsNotHeldAgainstOk) {
    StoreProxy(0, "", 1080, "", "", 0);
    NetSettingsForm form(endpoint_);
    NetSettingsForm::Input in = form.InitialInput();
    in.proxyPortText = "70000";
    EXPECT_FALSE(form.Ok(in));
    EXPECT_EQ(settings::ReadInt(keys::kProxyPort, -1), 1080);  // kept as it was
    in.proxyPortText = "3128";
    EXPECT_FALSE(form.Ok(in));
    EXPECT_EQ(settings::ReadInt(keys::kProxyPort, -1), 3128);  // a number in range is stored

    // Switching to a proxy makes the box count.
    in.proxyMode = 2;
    in.proxyPortText = "70000";
    auto refused = form.Ok(in);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->focus, NetSettingsForm::kProxyPortEdit);
    EXPECT_EQ(settings::ReadInt(keys::kProxyMode, -1), 0);
}

TEST_F(NetSettingsFormTest, OkWritesTheEightValuesAndRetargetsTheRunningClient) {
    settings::AppSettings running;
    running.serverHost = "10.0.0.9";
    running.serverPort = 7000;
    NetSettingsForm form(endpoint_, &running);

    NetSettingsForm::Input in;
    in.proxyMode = 2;
    in.proxyHost = "  socks.lan ";
    in.proxyPortText = "1080";
    in.proxyUser = "用户";
    in.proxyPassword = " secret ";  // passwords keep their blanks
    in.proxyAuth = true;
    in.serverHost = " 192.168.1.20 ";
    in.serverPortText = "5002";
    ASSERT_FALSE(form.Ok(in));

    // The exchanges read back exactly what the dialog wrote.
    ProxySettings proxy = ReadProxySettings();
    EXPECT_EQ(proxy.mode, 2);
    EXPECT_EQ(proxy.host, "socks.lan");
    EXPECT_EQ(proxy.port, 1080);
    EXPECT_EQ(proxy.user, "用户");
    EXPECT_EQ(proxy.password, " secret ");
    EXPECT_TRUE(proxy.authenticate);
    EXPECT_EQ(settings::ReadInt(keys::kProxyAuth, -1), 1);
    EXPECT_EQ(settings::ReadString(keys::kServerHost, ""), "192.168.1.20");
    EXPECT_EQ(settings::ReadInt(keys::kServerPort, -1), 5002);
    EXPECT_EQ(endpoint_.Get().host, "192.168.1.20");
    EXPECT_EQ(endpoint_.Get().port, 5002);
    EXPECT_EQ(running.serverHost, "192.168.1.20");
    EXPECT_EQ(running.serverPort, 5002);
    // The next start-up load agrees with the running client.
    settings::AppSettings next = settings::LoadAppSettings();
    EXPECT_EQ(next.serverHost, "192.168.1.20");
    EXPECT_EQ(next.serverPort, 5002);

    // The dialog opened again shows what was stored; the flag goes back to 0.
    NetSettingsForm again(endpoint_);
    EXPECT_EQ(again.Shown(), form.Stored());
    in = again.InitialInput();
    in.proxyAuth = false;
    in.proxyMode = 1;
    ASSERT_FALSE(again.Ok(in));
    EXPECT_EQ(settings::ReadInt(keys::kProxyAuth, -1), 0);
    EXPECT_EQ(ReadProxySettings().user, "用户");  // disabled boxes keep their text
}

TEST_F(NetSettingsFormTest, TheRunningClientGetsTheServerTheNextStartWouldUse) {
    NetSettingsForm form(endpoint_);
    NetSettingsForm::Input in = form.InitialInput();
    in.serverHost = "ab";  // too short to be a host: the built-in one
    in.serverPortText = "0";
    ASSERT_FALSE(form.Ok(in));
    EXPECT_EQ(settings::ReadString(keys::kServerHost, "?"), "ab");  // stored as typed
    EXPECT_EQ(settings::ReadInt(keys::kServerPort, -1), 0);
    EXPECT_EQ(endpoint_.Get().host, "127.0.0.1");
    EXPECT_EQ(endpoint_.Get().port, 5001);
    settings::AppSettings next = settings::LoadAppSettings();
    EXPECT_EQ(next.serverHost, endpoint_.Get().host);
    EXPECT_EQ(next.serverPort, endpoint_.Get().port);

    EXPECT_EQ(EffectiveServerFor("abc", -5).host, "abc");
    EXPECT_EQ(EffectiveServerFor("abc", -5).port, 5001);
}

TEST_F(NetSettingsFormTest, LongTextsAreCutToTheirBoxesWithoutSplittingACharacter) {
    NetSettingsForm form(endpoint_);
    NetSettingsForm::Input in = form.InitialInput();
    const std::string a254(254, 'a');
    in.serverHost = a254 + "中文";  // the first character would straddle byte 255
    in.proxyHost = std::string(300, 'p');
    in.proxyUser = a254 + "用";
    in.proxyPassword = std::string(256, 'x');
    ASSERT_FALSE(form.Ok(in));
    EXPECT_EQ(form.Stored().serverHost, a254);
    EXPECT_EQ(endpoint_.Get().host, a254);
    EXPECT_EQ(form.Stored().proxyHost, std::string(255, 'p'));
    EXPECT_EQ(form.Stored().proxyUser, a254);
    EXPECT_EQ(ReadProxySettings().password, std::string(255, 'x'));
}

}  // namespace
}  // namespace brevio::net
