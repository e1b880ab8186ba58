#include "commands/Port.h"

#include "CommandLine.h"
#include "base/PendingFile.h"
#include "commands/Inspect.h"
#include "payload/PayloadLayout.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

namespace vorlandite::tools {
namespace {

constexpr std::string_view kUsage =
    "usage: vorlandite port FILE -o NEW [--engine PATH]\n"
    "\n"
    "Writes NEW: this engine followed by the payload at the end of FILE, byte for byte, so a\n"
    "screensaver made by another engine (a Windows one with this payload layout included) runs\n"
    "here. Positions in the payload count from its own start, so the copy needs no changes.\n"
    "FILE is left alone. Exit 1 when FILE carries no readable payload.\n"
    "\n"
    "  -o, --output NEW   the screensaver to write (executable; replaced only when complete)\n"
    "  --engine PATH      the engine to copy (default: vorlandite-engine beside vorlandite)\n";

constexpr OptionRule kOptions[] = {{"--output", "-o", true}, {"--engine", "", true}};

// Appends bytes [from, from + length) of `path` (length < 0: to its end) to `output`. `size`,
// when not null, receives the file's size as seen when opened.
Status AppendFrom(const std::string& path, std::string_view what, int64_t from, int64_t length, PendingFile& output,
                  int64_t* size = nullptr) {
    const std::string name = what.empty() ? path : std::string(what) + " " + path;
    int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return MakeError("cannot read " + name + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return MakeError(name + " is not a regular file");
    }
    if (size)
        *size = st.st_size;
    if (length < 0)
        length = st.st_size - from;
    if (from < 0 || length < 0 || from + length > st.st_size) {
        ::close(in);
        return MakeError(path + " changed while it was read");
    }
    std::vector<char> buffer(1 << 20);
    Status status;
    int64_t position = from;
    const int64_t end = from + length;
    while (position < end) {
        const auto want = std::size_t(std::min<int64_t>(end - position, int64_t(buffer.size())));
        ssize_t n = ::pread(in, buffer.data(), want, position);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            status = MakeError("cannot read " + name + ": " + std::strerror(errno));
            break;
        }
        if (n == 0) {
            status = MakeError(path + " changed while it was read");
            break;
        }
        if (!output.Write(buffer.data(), std::size_t(n))) {
            status = MakeError("cannot write " + output.TempPath() + ": " + std::strerror(errno));
            break;
        }
        position += n;
    }
    ::close(in);
    return status;
}

// 0755 as the user's umask allows, as any new program of theirs would be.
mode_t ExecutableMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0755 & ~mask;
}

} // namespace

std::filesystem::path EngineBesideThisProgram() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "vorlandite-engine";
    return self.parent_path() / "vorlandite-engine";
}

int RunPort(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    auto parsed = StartCommand(args, kOptions, kUsage, out, err, exitCode);
    if (!parsed)
        return exitCode;
    if (parsed->positional.size() != 1)
        return ReportUsage(err, "port takes one FILE", kUsage);
    if (!parsed->Has("--output") || parsed->options.at("--output").empty())
        return ReportUsage(err, "port needs -o NEW", kUsage);
    const std::string& file = parsed->positional[0];
    const std::string outPath = parsed->options.at("--output");
    const std::string engine =
        parsed->Has("--engine") ? parsed->options.at("--engine") : EngineBesideThisProgram().string();

    // The whole payload is read first: a file the engine could not show is not copied.
    auto payload = ReadPayloadFile(file);
    if (!payload)
        return ReportFailure(err, payload.message());
    const auto& header = payload->header;

    PendingFile pending(outPath);
    if (!pending.IsOpen())
        return ReportFailure(err, "cannot create a file beside " + outPath + ": " + std::strerror(errno));
    if (Status s = AppendFrom(engine, "the engine", 0, -1, pending); !s)
        return ReportFailure(err, s.message());
    int64_t fileSize = 0;
    if (Status s = AppendFrom(file, "", payload::PayloadStart(header), header.PayloadSize, pending, &fileSize); !s)
        return ReportFailure(err, s.message());
    // The payload ends the file; anything else would mean it was replaced since it was read.
    if (fileSize != header.FileSizeAtRun)
        return ReportFailure(err, file + " changed while it was read");
    if (Status s = pending.Close(ExecutableMode()); !s)
        return ReportFailure(err, s.message());
    if (Status s = pending.Commit(); !s)
        return ReportFailure(err, s.message());

    out << outPath << ": " << header.ImageCount << " display items, payload " << header.PayloadSize
        << " bytes from " << file << "\n";
    return kExitOk;
}

} // namespace vorlandite::tools
