#pragma once
// The payload as JSON, both ways: `inspect --json` prints it, `build` reads the same schema
// back as a manifest (with a "File" for each record's and section's content).
//
// Both directions walk the field tables of the payload records, so a field's JSON name and
// type come from the one place that declares its byte layout. Texts are Windows-1252 in the
// payload and UTF-8 in JSON; effect sets (an item's `Effect`, the `EffectList` string) are
// arrays of effect codes, since their bytes are numbers rather than text.

#include "base/Result.h"
#include "payload/ContainerReader.h"
#include "payload/PayloadWriter.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <string_view>

namespace vorlandite::tools {

// Insertion-ordered, so fields come out in the order of their records.
using Json = nlohmann::ordered_json;

inline constexpr int kFirstEffect = 1;
inline constexpr int kLastEffect = 120;

// ---- inspect -------------------------------------------------------------------------------

// "Header", "Strings", "Images", "Melodies", "Masks", "Sounds", "Sections". Records carry
// every named field, plus "Compressed" (StoredSize > 0) and, for display items, "Kind", so
// the output fed back to `build` with "File"s added keeps each item's storage.
Json PayloadToJson(const payload::Payload& payload);

// ---- build ---------------------------------------------------------------------------------

// What an author's field holds when the manifest leaves it out: the settings of a new
// screensaver.
payload::TKelFixedSizeInfo NewHeader();
payload::TKelImageInfo NewImage();
std::string AllEffects();  // every effect code, 1 to 120

// The defaults above as text for --help, taken from the records themselves.
std::string DescribeDefaults();

// Header fields that `build` computes from the content; a manifest may carry them (inspect's
// output does) and they are ignored.
bool IsComputedHeaderField(std::string_view name);

// Reads a manifest into a draft for the payload writer. "File" paths are relative to `folder`.
// A refusal names the field: "Images[2].Effect[5]: 121 is not an effect code (1 to 120)".
Result<payload::PayloadDraft> DraftFromManifest(const Json& manifest, const std::filesystem::path& folder);

} // namespace vorlandite::tools
