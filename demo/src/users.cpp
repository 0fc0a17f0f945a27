#include "users.h"

#include <algorithm>

#include "platform/md5.h"
#include "text_util.h"

namespace brevio::demo {
namespace {

bool IsLowerHex(std::string_view s) {
    return std::all_of(s.begin(), s.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

bool UserTable::Load(const std::string& path, const ReferenceData& refs, std::string& error) {
    std::vector<std::string> lines;
    if (!ReadLines(path, lines)) {
        error = "cannot read " + path;
        return false;
    }
    users_.clear();
    for (const std::string& line : lines) {
        if (line.empty() || line[0] == '#') continue;
        auto fields = TabFields(line);
        if (fields.size() < 2) {
            error = path + ": a user needs an id and a password: \"" + line + "\"";
            return false;
        }
        User user{fields[0], fields[1], {}};
        if (fields.size() > 2) user.categories = SplitNonEmpty(fields[2], ',');
        for (const std::string& code : user.categories) {
            if (refs.GroupOf(code) == Group::kNone) {
                error = path + ": user " + user.id + " subscribes to unknown category " + code;
                return false;
            }
        }
        users_.push_back(std::move(user));
    }
    return true;
}

const User* UserTable::Find(std::string_view id) const {
    for (const User& u : users_) {
        if (u.id == id || ToGbk(u.id) == id) return &u;
    }
    return nullptr;
}

bool UserTable::PasswordMatches(const User& user, std::string_view password) {
    return user.password == password || ToGbk(user.password) == password;
}

bool UserTable::AuthorizationMatches(const User& user, std::string_view authorization) {
    if (authorization.size() != 65 || static_cast<unsigned char>(authorization[32]) != 0xFF)
        return false;
    std::string_view machine = authorization.substr(0, 32);
    std::string_view digest = authorization.substr(33);
    if (!IsLowerHex(machine) || !IsLowerHex(digest)) return false;
    return digest == platform::Md5Hex(ToGbk(user.password));
}

}  // namespace brevio::demo
