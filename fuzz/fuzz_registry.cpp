// The registry file: its parser over any text, the rendering that must read back as the same
// values, and a value written into the file next to whatever it held.
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "platform/registry.h"

namespace {

using namespace brevio;
using platform::Registry;

void CheckRoundTrip(std::string_view text) {
    const Registry::Values values = Registry::Parse(text);
    const std::string rendered = Registry::Render(values);
    const Registry::Values back = Registry::Parse(rendered);
    FUZZ_CHECK(back == values);
    FUZZ_CHECK(Registry::Render(back) == rendered);
}

void CheckFile(std::string_view text, std::string_view name, std::string_view value, bool asDword) {
    const std::string path = fuzz::ScratchFolder() + "fuzz.reg";
    fuzz::WriteBytes(path, text);
    Registry registry(path);
    Registry::Values expected = Registry::Parse(text);
    FUZZ_CHECK(registry.All() == expected);

    expected.erase(std::string(name));
    if (asDword) {
        const std::uint32_t number = static_cast<std::uint32_t>(value.size() * 2654435761u);
        FUZZ_CHECK(registry.SetDword(name, number));
        FUZZ_CHECK(registry.GetDword(name) == number);
        FUZZ_CHECK(!registry.GetString(name));
        expected.emplace(std::string(name), number);
    } else {
        FUZZ_CHECK(registry.SetString(name, value));
        FUZZ_CHECK(registry.GetString(name) == std::string(value));
        FUZZ_CHECK(!registry.GetDword(name));
        expected.emplace(std::string(name), std::string(value));
    }
    FUZZ_CHECK(registry.All() == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputCursor in(data, size);
    const std::uint8_t mode = in.Byte();
    const std::string_view name = in.Take(mode % 16);
    const std::string_view value = in.Take(in.Byte() % 64);
    const std::string_view text = in.Rest();
    CheckRoundTrip(text);
    CheckFile(text, name, value, mode & 0x80);
    return 0;
}
