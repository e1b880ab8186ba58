#pragma once
// An error naming what failed and why the system said it failed ("cannot read x: Permission
// denied"), from errno as the failing call left it.

#include "base/Result.h"

#include <cerrno>
#include <cstring>
#include <string>

namespace vorlandite {

inline Error ErrnoError(const std::string& what) { return MakeError(what + ": " + std::strerror(errno)); }

} // namespace vorlandite
