#include "commands/Build.h"

#include "CommandLine.h"
#include "PayloadJson.h"
#include "base/PendingFile.h"
#include "payload/PayloadWriter.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace vorlandite::tools {
namespace {

constexpr std::string_view kUsageHead =
    "usage: vorlandite build MANIFEST.json -o OUT [--engine PATH]\n"
    "\n"
    "Copies the engine to OUT and appends the payload that MANIFEST.json describes. The\n"
    "manifest has the schema of `vorlandite inspect --json`, plus a \"File\" (relative to the\n"
    "manifest's folder) for the content of each record and of sections 1, 2, 3, 4, 5 and 9,\n"
    "and \"Compressed\": true|false on records (sections 4, 5 and 9 are always compressed,\n"
    "1, 2 and 3 always raw). Offsets, sizes, counts, \"Start\" and \"Kind\" are computed;\n"
    "present in the manifest they are ignored.\n"
    "\n"
    "  -o, --output OUT   the screensaver to write (mode 0755; replaced only when complete)\n"
    "  --engine PATH      the engine to copy (default: vorlandite-engine beside vorlandite)\n"
    "\n"
    "Fields the manifest leaves out take the settings of a new screensaver:\n";

constexpr OptionRule kOptions[] = {{"--output", "-o", true}, {"--engine", "", true}};

// Payloads larger than this report their progress on stderr.
constexpr int64_t kProgressThreshold = int64_t(16) << 20;

std::string Usage() { return std::string(kUsageHead) + DescribeDefaults(); }

std::filesystem::path DefaultEngine() {
    std::error_code ec;
    std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec)
        return "vorlandite-engine";
    return self.parent_path() / "vorlandite-engine";
}

// nlohmann's messages start with "[json.exception.parse_error.101] "; the reader needs the rest.
std::string WithoutExceptionTag(const char* what) {
    std::string text(what);
    if (!text.empty() && text[0] == '[')
        if (auto end = text.find("] "); end != std::string::npos)
            text.erase(0, end + 2);
    return text;
}

Result<Json> ReadManifest(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return MakeError("cannot read " + path + ": " + std::strerror(errno));
    try {
        return Json::parse(in);
    } catch (const Json::exception& e) {
        return MakeError(path + ": not valid JSON: " + WithoutExceptionTag(e.what()));
    }
}

// The engine's bytes at the start of the pending output, which is then made executable and
// closed: the payload is appended to it through its path.
Status CopyEngine(const std::filesystem::path& engine, PendingFile& output) {
    int in = ::open(engine.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return MakeError("cannot read the engine " + engine.string() + ": " + std::strerror(errno));
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(in);
        return MakeError("the engine " + engine.string() + " is not a regular file");
    }
    std::vector<char> buffer(1 << 20);
    Status status;
    for (;;) {
        ssize_t n = ::read(in, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            status = MakeError("cannot read the engine " + engine.string() + ": " + std::strerror(errno));
            break;
        }
        if (n == 0)
            break;
        if (!output.Write(buffer.data(), std::size_t(n))) {
            status = MakeError("cannot write " + output.TempPath() + ": " + std::strerror(errno));
            break;
        }
    }
    ::close(in);
    if (status)
        status = output.Close(0755);
    return status;
}

} // namespace

int RunBuild(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    auto parsed = StartCommand(args, kOptions, Usage(), out, err, exitCode);
    if (!parsed)
        return exitCode;
    if (parsed->positional.size() != 1)
        return ReportUsage(err, "build takes one MANIFEST", Usage());
    if (!parsed->Has("--output") || parsed->options.at("--output").empty())
        return ReportUsage(err, "build needs -o OUT", Usage());
    const std::string& manifestPath = parsed->positional[0];
    const std::filesystem::path outPath = parsed->options.at("--output");
    const std::filesystem::path engine =
        parsed->Has("--engine") ? std::filesystem::path(parsed->options.at("--engine")) : DefaultEngine();

    auto manifest = ReadManifest(manifestPath);
    if (!manifest)
        return ReportFailure(err, manifest.message());
    std::filesystem::path folder = std::filesystem::path(manifestPath).parent_path();
    if (folder.empty())
        folder = ".";
    auto draft = DraftFromManifest(*manifest, folder);
    if (!draft)
        return ReportFailure(err, manifestPath + ": " + draft.message());

    PendingFile pending(outPath.string());
    if (!pending.IsOpen())
        return ReportFailure(err, "cannot create a file beside " + outPath.string() + ": " + std::strerror(errno));
    if (Status s = CopyEngine(engine, pending); !s)
        return ReportFailure(err, s.message());
    auto sink = payload::FileSink::OpenForAppend(pending.TempPath());
    if (!sink)
        return ReportFailure(err, sink.message());

    int lastPercent = -1;
    auto progress = [&](int64_t done, int64_t total) {
        if (total <= kProgressThreshold)
            return;
        int percent = int(done * 100 / total);
        if (percent >= lastPercent + 5 || (done == total && percent != lastPercent)) {
            lastPercent = percent;
            err << "vorlandite: writing the payload: " << percent << "%\n";
        }
    };
    auto header = payload::WritePayload(*draft, **sink, progress);
    if (!header)
        return ReportFailure(err, manifestPath + ": " + header.message());
    if (Status s = (*sink)->Close(); !s)
        return ReportFailure(err, outPath.string() + ": " + s.message());
    if (Status s = pending.Commit(); !s)
        return ReportFailure(err, s.message());

    out << outPath.string() << ": " << header->ImageCount << " display items, " << header->MelodyCount
        << " melodies, " << header->MaskCount << " masks, " << header->EnterSoundCount << " enter sounds; payload "
        << header->PayloadSize << " bytes\n";
    return kExitOk;
}

} // namespace vorlandite::tools
