#pragma once
// The user's own login password, checked through PAM: what unlocks a show that asks for the
// screensaver password. No Qt, so it can be tested and used anywhere.

#include "base/Result.h"

#include <string>

namespace vorlandite::platform {

// The PAM service the check runs under; a system without a file of that name in /etc/pam.d
// uses its "other" rules (on Debian: the common authentication of every login).
inline constexpr const char* kPamService = "vorlandite";

// The name of the user running this program (empty when the system does not know it).
std::string CurrentUserName();

// true: the password is the user's; false: it is not (or the account may not log in now).
// An error when PAM cannot be used at all.
Result<bool> CheckUserPassword(const std::string& user, const std::string& password,
                               const char* service = kPamService);

} // namespace vorlandite::platform
