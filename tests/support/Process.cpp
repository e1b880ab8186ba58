#include "support/Process.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <fcntl.h>
#include <unistd.h>

namespace vorlandite::testing {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, double timeoutSeconds,
                         const std::vector<std::string>& environment) {
    char outName[] = "/tmp/vorlandite-proc-out-XXXXXX";
    char errName[] = "/tmp/vorlandite-proc-err-XXXXXX";
    int outFd = ::mkstemp(outName);
    int errFd = ::mkstemp(errName);
    ProcessResult result;
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        int devnull = ::open("/dev/null", O_RDONLY);
        ::dup2(devnull, 0);
        for (const auto& e : environment)
            ::putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    for (;;) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (std::chrono::steady_clock::now() > deadline) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
            ::waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    ::close(outFd);
    ::close(errFd);
    result.out = Slurp(outName);
    result.err = Slurp(errName);
    ::unlink(outName);
    ::unlink(errName);
    return result;
}

} // namespace vorlandite::testing
