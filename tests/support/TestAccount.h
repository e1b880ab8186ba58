#pragma once
// A local account made for one test ("vlpam<pid>", no home, no shell) with a known password, so
// the real PAM stack can be asked about it; removed with the object. Needs root (useradd,
// chpasswd, userdel). Accounts left by a test program that died are removed first.

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vorlandite::testing {

// Runs a system tool with `input` on its stdin; its exit code, -1 when it could not be run.
inline int RunTool(const std::vector<std::string>& argv, const std::string& input = {}) {
    int in[2];
    if (::pipe(in) != 0)
        return -1;
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        ::dup2(in[0], 0);
        ::close(in[0]);
        ::close(in[1]);
        const int devnull = ::open("/dev/null", O_WRONLY);
        ::dup2(devnull, 1);
        ::dup2(devnull, 2);
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(in[0]);
    if (!input.empty())
        (void)!::write(in[1], input.data(), input.size());
    ::close(in[1]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class TestAccount {
public:
    static constexpr const char* kPrefix = "vlpam";

    explicit TestAccount(const std::string& password) : name_(kPrefix + std::to_string(::getpid())) {
        RemoveLeftovers();
        for (int attempt = 0; attempt < 5 && !made_; ++attempt) {  // another useradd may hold the lock
            made_ = RunTool({"useradd", "--no-create-home", "--shell", "/usr/sbin/nologin", name_}) == 0;
            if (!made_)
                ::sleep(1);
        }
        made_ = made_ && RunTool({"chpasswd"}, name_ + ":" + password + "\n") == 0;
        if (const passwd* entry = made_ ? ::getpwnam(name_.c_str()) : nullptr) {
            uid_ = entry->pw_uid;
            gid_ = entry->pw_gid;
        }
    }
    ~TestAccount() {
        if (made_ || ::getpwnam(name_.c_str()))
            RunTool({"userdel", "--force", name_});
    }
    TestAccount(const TestAccount&) = delete;
    TestAccount& operator=(const TestAccount&) = delete;

    bool Made() const { return made_ && uid_ != 0; }
    const std::string& Name() const { return name_; }
    uid_t Uid() const { return uid_; }
    gid_t Gid() const { return gid_; }

private:
    static void RemoveLeftovers() {
        std::vector<std::string> stale;
        ::setpwent();
        while (const passwd* entry = ::getpwent()) {
            const std::string name = entry->pw_name;
            if (name.rfind(kPrefix, 0) != 0)
                continue;
            const long pid = std::strtol(name.c_str() + std::strlen(kPrefix), nullptr, 10);
            if (pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
                stale.push_back(name);
        }
        ::endpwent();
        for (const auto& name : stale)
            RunTool({"userdel", "--force", name});
    }

    std::string name_;
    bool made_ = false;
    uid_t uid_ = 0;
    gid_t gid_ = 0;
};

} // namespace vorlandite::testing
