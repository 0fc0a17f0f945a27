// The demo's users: user id, password and the categories each one subscribed to on the
// portal. Read from "users.tab" (UTF-8): user id, tab, password, tab, codes joined by ",".
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "reference_data.h"

namespace brevio::demo {

struct User {
    std::string id;        // UTF-8
    std::string password;  // UTF-8
    std::vector<std::string> categories;
};

class UserTable {
  public:
    // Loads the table; every category must be a code of the reference tables.
    bool Load(const std::string& path, const ReferenceData& refs, std::string& error);

    // The user whose id equals `id`, given either in UTF-8 or in GBK; null when unknown.
    const User* Find(std::string_view id) const;

    // True when `password` (UTF-8 or GBK) is the user's password.
    static bool PasswordMatches(const User& user, std::string_view password);

    // Checks an NSP authorization value: 32 lower-case hexadecimal digits of the machine
    // identification, the byte 0xFF, then the MD5 digest of the GBK password in 32
    // lower-case hexadecimal digits.
    static bool AuthorizationMatches(const User& user, std::string_view authorization);

    const std::vector<User>& Users() const { return users_; }

  private:
    std::vector<User> users_;
};

}  // namespace brevio::demo
