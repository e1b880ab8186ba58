#pragma once
// Runs part of a test where file permissions apply. The tests may run as root, whom a read-only
// folder or a file of mode 000 does not stop: then the part runs in a child process that has
// become the user "nobody"; otherwise in a child process as ourselves. The scratch folders the
// part uses must let "nobody" in (OpenToOthers).

#include <filesystem>
#include <functional>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorlandite::testing {

// The exit status of `part` (0..255), or -1 when the child could not run it.
inline int RunUnprivileged(const std::function<int()>& part) {
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (::geteuid() == 0) {
            constexpr uid_t kNobody = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setresgid(kNobody, kNobody, kNobody) != 0
                || ::setresuid(kNobody, kNobody, kNobody) != 0)
                ::_exit(255);
        }
        ::_exit(part());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status) == 255 ? -1 : WEXITSTATUS(status);
}

// Lets everyone look into `folder` (a scratch folder is made 0700); without `writable`, nobody
// but root may change what is in it. Give it back its write access before the scratch folder
// is removed.
inline void OpenToOthers(const std::filesystem::path& folder, bool writable = true) {
    using std::filesystem::perms;
    std::filesystem::permissions(folder, perms::owner_read | perms::owner_exec | perms::group_read | perms::group_exec
                                             | perms::others_read | perms::others_exec
                                             | (writable ? perms::owner_write : perms::none));
}

} // namespace vorlandite::testing
