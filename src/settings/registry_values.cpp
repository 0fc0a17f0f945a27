#include "settings/registry_values.h"

#include "platform/registry.h"
#include "platform/text.h"

namespace brevio::settings {

int ReadInt(std::string_view name, int defaultValue) {
    auto& key = platform::Registry::Default();
    if (auto v = key.GetDword(name)) return static_cast<int>(*v);
    key.SetDword(name, static_cast<std::uint32_t>(defaultValue));
    return defaultValue;
}

std::string ReadString(std::string_view name, std::string_view defaultValue) {
    auto& key = platform::Registry::Default();
    if (auto v = key.GetString(name)) {
        return std::string(platform::DbcsPrefix(*v, kMaxStringValue));
    }
    key.SetString(name, defaultValue);
    return std::string(defaultValue);
}

void WriteInt(std::string_view name, int value) {
    platform::Registry::Default().SetDword(name, static_cast<std::uint32_t>(value));
}

void WriteString(std::string_view name, std::string_view value) {
    platform::Registry::Default().SetString(name, value);
}

}  // namespace brevio::settings
