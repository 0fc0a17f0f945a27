// Profile (INI) files: every reader over any file, then a value written into the file must
// read back as it was given while every other section stays in place.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace {

using namespace brevio;
using namespace brevio::platform;

constexpr std::size_t kMaxSectionsLooked = 8;

void CheckSection(const std::string& path, const std::string& name, std::size_t bufferSize) {
    const std::vector<std::string> lines = ProfileGetSection(path, name, bufferSize);
    std::size_t used = 1;
    for (const std::string& line : lines) {
        used += line.size() + 1;
        FUZZ_CHECK(line.find('=') != std::string::npos);
    }
    FUZZ_CHECK(lines.empty() || used <= bufferSize);

    FUZZ_CHECK(ProfileGetString(path, name, "", "", 8).size() <= 7);
    ProfileGetInt(path, name, "", -1);
    unsigned char buf[4];
    ProfileGetStruct(path, name, "", buf, sizeof buf);
    if (lines.empty()) return;

    // The first key of the section is found, and its value is the one the section lists.
    const std::string& first = lines.front();
    const std::size_t eq = first.find('=');
    const std::string key = first.substr(0, eq);
    const std::string value = first.substr(eq + 1);
    FUZZ_CHECK(ProfileHasKey(path, name, key));
    const std::string got = ProfileGetString(path, name, key, "-", 4096);
    if (value.size() < 4095) FUZZ_CHECK(got == value);
    const std::string cut = ProfileGetString(path, name, key, "-", 6);
    FUZZ_CHECK(cut.size() <= 5);
    FUZZ_CHECK(value.compare(0, cut.size(), cut) == 0);
}

bool HasSection(const std::vector<std::string>& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(),
                       [&](const std::string& n) { return EqualsNoCase(n, name); });
}

void CheckWrite(const std::string& path, std::string_view value) {
    const std::vector<std::string> before = ProfileGetSectionNames(path);
    FUZZ_CHECK(ProfileWriteString(path, "fuzz", "value", StorableProfileValue(value)));
    std::string expected(value);
    std::erase_if(expected, [](char c) { return c == '\r' || c == '\n'; });
    FUZZ_CHECK(ProfileGetString(path, "fuzz", "value", "-", expected.size() + 1) == expected);

    std::vector<std::string> after = ProfileGetSectionNames(path);
    if (!HasSection(before, "fuzz")) {
        FUZZ_CHECK(!after.empty() && after.back() == "fuzz");
        after.pop_back();
    }
    FUZZ_CHECK(after == before);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::InputCursor in(data, size);
    const std::size_t bufferSize = 1 + in.Byte();
    const std::string_view value = in.Take(in.Byte() % 48);
    const std::string path = fuzz::ScratchFolder() + "fuzz.ini";
    fuzz::WriteBytes(path, in.Rest());

    const std::vector<std::string> names = ProfileGetSectionNames(path);
    for (std::size_t i = 0; i < names.size() && i < kMaxSectionsLooked; ++i) {
        CheckSection(path, names[i], bufferSize);
    }
    CheckWrite(path, value);
    return 0;
}
