#include "commands/Extract.h"

#include "CommandLine.h"
#include "commands/Inspect.h"
#include "payload/ByteSource.h"
#include "payload/ItemExtraction.h"
#include "payload/PayloadLayout.h"
#include "payload/TempFiles.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace vorlandite::tools {
namespace {

constexpr std::string_view kUsage =
    "usage: vorlandite extract FILE DIR\n"
    "\n"
    "Writes the payload's items into DIR (created when missing), as the engine extracts them:\n"
    "  image-<i><Ext>, melody-<i><Ext>, mask-<i>.bmp|.png|.gif (by Format), sound-<i><Ext>,\n"
    "  preview.bmp, logo<LogoExt>, background<BackgroundExt>, exitbanner<ExitBannerExt>.\n"
    "Absent pictures write nothing. An item larger than DIR's free space (less 64 MiB, or 5% of it\n"
    "when that is less) is refused before anything of it is written. An item that fails\n"
    "is reported after the others are written, with exit status 1.\n";

// One file to write: where its bytes lie and how they are stored.
struct Job {
    std::string name;
    bool compressed;
    int64_t offset;
    int64_t storedSize;
    int64_t size;
};

template <class Record>
void AddRecords(std::vector<Job>& jobs, const payload::TKelFixedSizeInfo& header, const std::vector<Record>& records,
                std::string_view prefix) {
    for (std::size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        std::string ext;
        if constexpr (std::is_same_v<Record, payload::TKelMaskInfo>)
            ext = payload::MaskExtension(r.Format);
        else
            ext = payload::SafeExtension(r.Ext);
        jobs.push_back({std::string(prefix) + "-" + std::to_string(i) + ext, r.StoredSize > 0,
                        payload::ItemPosition(header, r), r.StoredSize, r.Size});
    }
}

std::vector<Job> JobsOf(const payload::Payload& p) {
    const auto& h = p.header;
    std::vector<Job> jobs;
    AddRecords(jobs, h, p.images, "image");
    AddRecords(jobs, h, p.melodies, "melody");
    AddRecords(jobs, h, p.masks, "mask");
    AddRecords(jobs, h, p.sounds, "sound");
    // The preview picture is raw; the other pictures are always deflated.
    if (h.PreviewSize > 0)
        jobs.push_back({"preview.bmp", false, payload::SectionStart(h, payload::kPreviewSection), h.PreviewSize,
                        h.PreviewSize});
    if (h.LogoStoredSize > 0)
        jobs.push_back({"logo" + payload::SafeExtension(h.LogoExt), true, payload::SectionStart(h, payload::kLogoSection),
                        h.LogoStoredSize, h.LogoSize});
    if (h.BackgroundStoredSize > 0)
        jobs.push_back({"background" + payload::SafeExtension(h.BackgroundExt), true,
                        payload::SectionStart(h, payload::kBackgroundSection), h.BackgroundStoredSize,
                        h.BackgroundSize});
    if (h.ExitBannerStoredSize > 0)
        jobs.push_back({"exitbanner" + payload::SafeExtension(h.ExitBannerExt), true,
                        payload::SectionStart(h, payload::kExitBannerSection), h.ExitBannerStoredSize,
                        h.ExitBannerSize});
    return jobs;
}

} // namespace

int RunExtract(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    auto parsed = StartCommand(args, std::span<const OptionRule>{}, kUsage, out, err, exitCode);
    if (!parsed)
        return exitCode;
    if (parsed->positional.size() != 2)
        return ReportUsage(err, "extract takes FILE and DIR", kUsage);
    const std::string& file = parsed->positional[0];
    const std::filesystem::path dir(parsed->positional[1]);

    auto source = payload::FileSource::Open(file);
    if (!source)
        return ReportFailure(err, source.message());
    auto p = payload::ReadWholePayload(**source);
    if (!p)
        return ReportFailure(err, file + ": " + p.message());

    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec || !std::filesystem::is_directory(dir, ec))
        return ReportFailure(err, "cannot create the folder " + dir.string() +
                                      (ec ? ": " + ec.message() : std::string(": a file of that name exists")));

    // Every item is tried; the first failure is what the exit status reports.
    std::string firstFailure;
    std::string written;
    for (const Job& job : JobsOf(*p)) {
        const std::string target = (dir / job.name).string();
        Status s = payload::ExtractItemFrom(**source, target, job.compressed, job.offset, job.storedSize, job.size);
        if (!s) {
            if (firstFailure.empty())
                firstFailure = job.name + ": " + s.message();
            continue;
        }
        written += target + '\n';
    }
    if (!firstFailure.empty())
        return ReportFailure(err, firstFailure);
    out << written;
    return kExitOk;
}

} // namespace vorlandite::tools
