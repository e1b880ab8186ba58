#include "commands/Inspect.h"

#include "CommandLine.h"
#include "PayloadJson.h"
#include "base/Windows1252.h"
#include "payload/ByteSource.h"
#include "payload/PayloadLayout.h"
#include "payload/TempFiles.h"

#include <cstdio>
#include <iomanip>
#include <sstream>

namespace vorlandite::tools {
namespace {

constexpr std::string_view kUsage =
    "usage: vorlandite inspect FILE [--json]\n"
    "\n"
    "Reads the payload at the end of a screensaver file and prints its header, texts,\n"
    "sections and items. With --json, one JSON object with every field by name (the schema\n"
    "that `vorlandite build` reads). Exit 1 when the file carries no readable payload.\n";

constexpr OptionRule kOptions[] = {{"--json", "", false}};

std::string_view SectionName(int section) {
    switch (section) {
    case payload::kFlashPlayerSection: return "flash player";
    case payload::kPreviewSection: return "preview picture";
    case payload::kConfigBannerSection: return "configuration banner";
    case payload::kExitBannerSection: return "exit banner";
    case payload::kLogoSection: return "logo";
    case payload::kImageSection: return "display items";
    case payload::kMaskSection: return "masks";
    case payload::kEnterSoundSection: return "enter sounds";
    case payload::kBackgroundSection: return "background picture";
    case payload::kMelodySection: return "melodies";
    default: return "string block";
    }
}

// Payload text as it may be shown on a terminal: control bytes (which could drive the terminal)
// and the quoting characters are escaped, everything else is converted to UTF-8.
std::string Printable(const std::string& cp1252) {
    std::string text;
    for (char c : cp1252) {
        const auto byte = static_cast<uint8_t>(c);
        const bool control = byte < 0x20 || byte == 0x7F || byte == 0x81 || byte == 0x8D || byte == 0x8F ||
                             byte == 0x90 || byte == 0x9D;  // the last five decode to C1 controls
        if (control || c == '"' || c == '\\') {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned(byte));
            text += escaped;
        } else {
            text += Cp1252ToUtf8(std::string_view(&c, 1));
        }
    }
    return text;
}

std::string Quoted(const std::string& cp1252) { return "\"" + Printable(cp1252) + "\""; }

std::string Plural(int64_t n, std::string_view one, std::string_view many) {
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

// "1234 bytes, raw" or "1234 bytes from 567 compressed"
std::string Storage(int32_t size, int32_t storedSize) {
    std::string text = std::to_string(size) + " bytes";
    return storedSize > 0 ? text + " from " + std::to_string(storedSize) + " compressed" : text + ", raw";
}

} // namespace

Result<payload::Payload> ReadPayloadFile(const std::string& path) {
    auto source = payload::FileSource::Open(path);
    if (!source)
        return source.error();
    auto read = payload::ReadWholePayload(**source);
    if (!read)
        return MakeError(path + ": " + read.message());
    return read;
}

std::string PayloadSummary(const payload::Payload& p) {
    const auto& h = p.header;
    std::ostringstream s;
    s << "Title: " << Quoted(p.strings.Title) << '\n';
    s << "File: " << h.FileSizeAtRun << " bytes, payload " << h.PayloadSize << " bytes from offset "
      << payload::PayloadStart(h) << '\n';
    s << "Contents: " << Plural(h.ImageCount, "display item", "display items") << ", "
      << Plural(h.MelodyCount, "melody", "melodies") << ", " << Plural(h.MaskCount, "mask", "masks") << ", "
      << Plural(h.EnterSoundCount, "enter sound", "enter sounds") << '\n';
    s << "Sections:\n";
    for (int k = 1; k <= payload::kSectionCount + 1; ++k) {
        const bool strings = k > payload::kSectionCount;
        s << "  " << std::setw(7) << (strings ? std::string("Strings") : std::to_string(k)) << "  " << std::left
          << std::setw(22) << SectionName(k) << std::right << "start " << std::setw(11)
          << (strings ? payload::StringBlockStart(h) : payload::SectionStart(h, k)) << "  size " << std::setw(11)
          << (strings ? p.stringBlockBytes : payload::SectionSize(h, k)) << '\n';
    }
    if (!p.images.empty())
        s << "Display items:\n";
    for (std::size_t i = 0; i < p.images.size(); ++i) {
        const auto& r = p.images[i];
        s << "  " << std::setw(4) << i << "  " << std::left << std::setw(8)
          << payload::ItemKindName(payload::KindOfExtension(r.Ext)) << std::setw(6) << Printable(r.Ext)
          << std::right << Storage(r.Size, r.StoredSize) << ", at " << payload::ItemPosition(h, r);
        if (!r.Text.empty())
            s << ", caption " << Quoted(r.Text);
        s << '\n';
    }
    if (!p.melodies.empty())
        s << "Melodies:\n";
    for (std::size_t i = 0; i < p.melodies.size(); ++i) {
        const auto& r = p.melodies[i];
        s << "  " << std::setw(4) << i << "  " << std::left << std::setw(6) << Printable(r.Ext) << std::right
          << Storage(r.Size, r.StoredSize) << ", at " << payload::ItemPosition(h, r) << '\n';
    }
    if (!p.masks.empty())
        s << "Masks:\n";
    for (std::size_t i = 0; i < p.masks.size(); ++i) {
        const auto& r = p.masks[i];
        s << "  " << std::setw(4) << i << "  " << std::left << std::setw(6) << payload::MaskExtension(r.Format)
          << std::right << Storage(r.Size, r.StoredSize) << ", at " << payload::ItemPosition(h, r) << '\n';
    }
    if (!p.sounds.empty())
        s << "Enter sounds:\n";
    for (std::size_t i = 0; i < p.sounds.size(); ++i) {
        const auto& r = p.sounds[i];
        s << "  " << std::setw(4) << i << "  " << std::left << std::setw(6) << Printable(r.Ext) << std::right
          << Storage(r.Size, r.StoredSize) << ", at " << payload::ItemPosition(h, r) << '\n';
    }
    return s.str();
}

int RunInspect(std::span<const std::string> args, std::ostream& out, std::ostream& err) {
    int exitCode = kExitOk;
    auto parsed = StartCommand(args, kOptions, kUsage, out, err, exitCode);
    if (!parsed)
        return exitCode;
    if (parsed->positional.size() != 1)
        return ReportUsage(err, "inspect takes one FILE", kUsage);

    auto p = ReadPayloadFile(parsed->positional[0]);
    if (!p)
        return ReportFailure(err, p.message());
    // Built whole before anything is written, so a failure leaves stdout empty.
    std::string text = parsed->Has("--json")
                           ? PayloadToJson(*p).dump(2, ' ', false, Json::error_handler_t::replace) + "\n"
                           : PayloadSummary(*p);
    out << text;
    return kExitOk;
}

} // namespace vorlandite::tools
