#include "net/net_settings_form.h"

#include "net/exchange.h"
#include "platform/text.h"
#include "settings/app_settings.h"
#include "settings/keys.h"
#include "settings/registry_values.h"

namespace brevio::net {
namespace keys = settings::keys;
namespace {

bool IsProxyMode(int mode) {
    return mode == static_cast<int>(ProxyMode::kSocks4) ||
           mode == static_cast<int>(ProxyMode::kSocks5);
}

std::string Cut(std::string_view text, std::size_t max) {
    return std::string(platform::DbcsPrefix(text, max));
}

std::string HostAsTaken(std::string_view host) {
    return Cut(platform::TrimBlanks(host), NetSettingsForm::kHostInputMax);
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

enum class PortParse { kNumber, kNotANumber, kOutOfRange };

// A number box's text: blanks around it, an optional sign, decimal digits.
PortParse ParsePort(std::string_view text, int& port) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) return PortParse::kNotANumber;
    long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return PortParse::kNotANumber;
        // Past the range already: keep reading only to tell a number from text.
        if (value <= NetSettingsForm::kMaxPort) value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value < NetSettingsForm::kMinPort || value > NetSettingsForm::kMaxPort) {
        return PortParse::kOutOfRange;
    }
    port = static_cast<int>(value);
    return PortParse::kNumber;
}

std::optional<NetSettingsForm::Refusal> CheckPort(std::string_view text,
                                                  NetSettingsForm::Control box, int& port) {
    switch (ParsePort(text, port)) {
        case PortParse::kNumber:
            return std::nullopt;
        case PortParse::kNotANumber:
            return NetSettingsForm::Refusal{{NotANumberText(), store::ProgramMessageTitle(),
                                             platform::MessageBoxSink::kWarning},
                                            box};
        case PortParse::kOutOfRange:
            break;
    }
    return NetSettingsForm::Refusal{
        {OutOfRangeText(NetSettingsForm::kMinPort, NetSettingsForm::kMaxPort),
         store::ProgramMessageTitle(), platform::MessageBoxSink::kWarning},
        box};
}

NetSettingsValues ReadStoredValues() {
    NetSettingsValues v;
    v.proxyMode = settings::ReadInt(keys::kProxyMode, keys::kProxyModeDefault);
    v.proxyHost = settings::ReadString(keys::kProxyHost, "");
    v.proxyPort = settings::ReadInt(keys::kProxyPort, keys::kProxyPortDefault);
    v.proxyUser = settings::ReadString(keys::kProxyUser, "");
    v.proxyPassword = settings::ReadString(keys::kProxyPwd, "");
    v.proxyAuth = settings::ReadInt(keys::kProxyAuth, keys::kProxyAuthDefault) != 0;
    v.serverHost = settings::ReadString(keys::kServerHost, "");
    v.serverPort = settings::ReadInt(keys::kServerPort, keys::kServerPortDefault);
    return v;
}

void WriteValues(const NetSettingsValues& v) {
    settings::WriteInt(keys::kProxyMode, v.proxyMode);
    settings::WriteString(keys::kProxyHost, v.proxyHost);
    settings::WriteInt(keys::kProxyPort, v.proxyPort);
    settings::WriteString(keys::kProxyUser, v.proxyUser);
    settings::WriteString(keys::kProxyPwd, v.proxyPassword);
    settings::WriteInt(keys::kProxyAuth, v.proxyAuth ? 1 : 0);
    settings::WriteString(keys::kServerHost, v.serverHost);
    settings::WriteInt(keys::kServerPort, v.serverPort);
}

}  // namespace

NetSettingsEnabling EnablingFor(int proxyMode, bool authenticate) {
    NetSettingsEnabling e;
    if (!IsProxyMode(proxyMode)) return e;
    e.proxyHost = e.proxyPort = true;
    e.authBox = proxyMode == static_cast<int>(ProxyMode::kSocks5);
    e.user = e.password = e.authBox && authenticate;
    return e;
}

EffectiveServer EffectiveServerFor(std::string_view host, int port) {
    EffectiveServer s;
    s.host = host.size() > 2 ? std::string(host) : std::string(keys::kBuiltInServerHost);
    s.port = port > 0 ? port : keys::kBuiltInServerPort;
    return s;
}

std::string NotANumberText() {
    return "请输入一个整数。";
}

std::string OutOfRangeText(int min, int max) {
    return platform::Format("请输入一个介于 %d 和 %d 之间的整数。", min, max);
}

std::string NetSettingsForm::Caption() {
    return "网络设置";
}

std::string NetSettingsForm::ModeText(int mode) {
    switch (mode) {
        case 1:
            return "通过Sock4代理";
        case 2:
            return "通过Sock5代理";
        default:
            return "直接网络连接(不用代理)";
    }
}

std::string NetSettingsForm::AuthText() {
    return "使用Sock5身份认证";
}

const std::vector<std::string>& NetSettingsForm::BuiltInServers() {
    static const std::vector<std::string> kServers{keys::kBuiltInServerHost, "localhost"};
    return kServers;
}

std::string NetSettingsForm::PortText(int port) {
    return std::to_string(port);
}

NetSettingsForm::NetSettingsForm(ServerEndpoint& endpoint, settings::AppSettings* settings)
    : endpoint_(endpoint), settings_(settings) {
    NetSettingsValues v = ReadStoredValues();
    if (!IsProxyMode(v.proxyMode)) v.proxyMode = static_cast<int>(ProxyMode::kDirect);
    if (v.serverPort == 0) v.serverPort = keys::kBuiltInServerPort;
    v.serverHost = std::string(platform::TrimBlanks(v.serverHost));
    if (v.serverHost.empty()) v.serverHost = BuiltInServers().front();
    shown_ = v;
    stored_ = v;
}

NetSettingsForm::Input NetSettingsForm::InitialInput() const {
    Input in;
    in.proxyMode = shown_.proxyMode;
    in.proxyHost = shown_.proxyHost;
    in.proxyPortText = PortText(shown_.proxyPort);
    in.proxyUser = shown_.proxyUser;
    in.proxyPassword = shown_.proxyPassword;
    in.proxyAuth = shown_.proxyAuth;
    in.serverHost = shown_.serverHost;
    in.serverPortText = PortText(shown_.serverPort);
    return in;
}

std::optional<NetSettingsForm::Refusal> NetSettingsForm::Ok(const Input& input) {
    NetSettingsValues v;
    v.proxyMode = IsProxyMode(input.proxyMode) ? input.proxyMode : 0;
    const NetSettingsEnabling enabled = EnablingFor(v.proxyMode, input.proxyAuth);

    v.proxyHost = HostAsTaken(input.proxyHost);
    if (enabled.proxyPort) {
        if (auto refused = CheckPort(input.proxyPortText, kProxyPortEdit, v.proxyPort)) {
            return refused;
        }
    } else if (ParsePort(input.proxyPortText, v.proxyPort) != PortParse::kNumber) {
        v.proxyPort = shown_.proxyPort;  // a box the user cannot change is not held against OK
    }
    v.proxyUser = Cut(input.proxyUser, kCredentialInputMax);
    v.proxyPassword = Cut(input.proxyPassword, kCredentialInputMax);
    v.proxyAuth = input.proxyAuth;
    v.serverHost = HostAsTaken(input.serverHost);
    if (auto refused = CheckPort(input.serverPortText, kServerPortEdit, v.serverPort)) {
        return refused;
    }

    WriteValues(v);
    EffectiveServer server = EffectiveServerFor(v.serverHost, v.serverPort);
    endpoint_.Set(server.host, server.port);
    if (settings_) {
        settings_->serverHost = server.host;
        settings_->serverPort = server.port;
    }
    stored_ = v;
    return std::nullopt;
}

}  // namespace brevio::net
