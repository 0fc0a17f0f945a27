// The network settings dialog as a form object: the eight values it shows on opening, which
// controls are enabled for a proxy kind, the range checks of OK with their messages and the
// control that gets the focus back, and what OK stores. The dialog itself is a thin view.
//
// OK writes ProxyMode, ProxyHost, ProxyPort, ProxyUser, ProxyPwd, ProxyAuth, ServerHost and
// ServerPort and hands the server's host and port to the running client's endpoint at once, so
// the next exchange uses them (exchanges read the proxy values again each time anyway).
// Cancel writes nothing.
//
// Every text is GBK. The form runs on the user-interface thread; the endpoint is locked by
// itself, so exchanges running meanwhile keep the copy they took.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/proxy_socket.h"
#include "store/form_message.h"

namespace brevio::settings {
struct AppSettings;
}

namespace brevio::net {

class ServerEndpoint;

struct NetSettingsValues {
    int proxyMode = 0;  // 0 direct, 1 SOCKS4, 2 SOCKS5
    std::string proxyHost;
    int proxyPort = 0;
    std::string proxyUser;
    std::string proxyPassword;
    bool proxyAuth = false;
    std::string serverHost;
    int serverPort = 0;
    bool operator==(const NetSettingsValues&) const = default;
};

// Which of the proxy controls take input.
struct NetSettingsEnabling {
    bool proxyHost = false;
    bool proxyPort = false;
    bool authBox = false;
    bool user = false;
    bool password = false;
    bool operator==(const NetSettingsEnabling&) const = default;
};

// Direct: every proxy control is disabled. SOCKS4 and SOCKS5: host and port; the
// authentication box only with SOCKS5; user and password only with SOCKS5 and the box ticked.
// A mode other than 1 or 2 counts as direct, as it does for the connection.
NetSettingsEnabling EnablingFor(int proxyMode, bool authenticate);

// The server the running client talks to for a host and port as stored: a host of up to two
// bytes or a port of 0 or less gives the built-in one, as at start-up.
struct EffectiveServer {
    std::string host;
    int port = 0;
};
EffectiveServer EffectiveServerFor(std::string_view host, int port);

class NetSettingsForm {
  public:
    static constexpr int kResource = 173;
    // Control ids of the dialog.
    enum Control {
        kDirectRadio = 1069,
        kSocks4Radio = 1070,
        kSocks5Radio = 1071,
        kProxyHostEdit = 1072,
        kProxyPortEdit = 1073,
        kProxyUserEdit = 1074,
        kProxyPasswordEdit = 1075,
        kAuthBox = 1076,
        kServerHostCombo = 1085,
        kServerPortEdit = 1086,
    };

    static constexpr int kMinPort = 0;
    static constexpr int kMaxPort = 65535;
    // What the text boxes take: host names as the endpoint keeps them; user and password as
    // the SOCKS5 sub-negotiation carries them (one length byte each).
    static constexpr std::size_t kHostInputMax = 255;
    static constexpr std::size_t kCredentialInputMax = CProxySocket::kMaxCredentialBytes;

    static std::string Caption();           // "网络设置"
    static std::string ModeText(int mode);  // the three radio buttons
    static std::string AuthText();          // "使用Sock5身份认证"
    // The two built-in server addresses the server box offers, the first one preselected.
    static const std::vector<std::string>& BuiltInServers();

    // Opening: reads the eight values (missing ones are written with their defaults). A server
    // port of 0 shows 5001; the server host is trimmed of blanks and, when nothing is left,
    // the first built-in server is shown. A proxy mode other than 1 or 2 shows direct.
    // `settings`, when given, is the running client's in-memory copy of the server values,
    // kept in step on OK.
    explicit NetSettingsForm(ServerEndpoint& endpoint, settings::AppSettings* settings = nullptr);

    const NetSettingsValues& Shown() const { return shown_; }
    static std::string PortText(int port);

    // The input of the dialog at OK: the port boxes as their text.
    struct Input {
        int proxyMode = 0;
        std::string proxyHost;
        std::string proxyPortText;
        std::string proxyUser;
        std::string proxyPassword;
        bool proxyAuth = false;
        std::string serverHost;
        std::string serverPortText;
    };
    // The input as the dialog shows it on opening.
    Input InitialInput() const;

    struct Refusal {
        store::FormMessage message;
        Control focus = kServerPortEdit;  // the box that gets the focus back, its text selected
        bool operator==(const Refusal&) const = default;
    };
    // OK. The port boxes are checked in the order of the controls: a text that is not a whole
    // number gives "请输入一个整数。", a number outside 0 to 65535 gives
    // "请输入一个介于 0 和 65535 之间的整数。", and the dialog stays open with nothing written.
    // The proxy port is checked only while its box is enabled: in direct mode a number in range
    // is stored, anything else leaves the stored port as it was. Host names are trimmed of
    // blanks; hosts, user and password are cut to what their boxes take, without splitting a
    // double-byte character.
    // Accepted: the eight values are written (the authentication flag as 0 or 1) and the
    // server's effective host and port go to the endpoint.
    std::optional<Refusal> Ok(const Input& input);
    // The values OK wrote.
    const NetSettingsValues& Stored() const { return stored_; }

  private:
    ServerEndpoint& endpoint_;
    settings::AppSettings* settings_;
    NetSettingsValues shown_;
    NetSettingsValues stored_;
};

// The framework's messages of a number box: "请输入一个整数。" and
// "请输入一个介于 %d 和 %d 之间的整数。".
std::string NotANumberText();
std::string OutOfRangeText(int min, int max);

}  // namespace brevio::net
