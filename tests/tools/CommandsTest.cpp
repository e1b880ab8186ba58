// build, inspect and extract run in-process: random manifests survive build then inspect field
// for field, extract gives back the very files given to build, and damaged or hostile
// payloads are refused or contained.

#include "PayloadJson.h"
#include "base/Windows1252.h"
#include "commands/Build.h"
#include "commands/Extract.h"
#include "commands/Inspect.h"
#include "payload/PayloadLayout.h"
#include "payload/TempFiles.h"
#include "tools/CliTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <sys/mount.h>
#include <sys/stat.h>

namespace vorlandite::tools {
namespace {

using payload::Field;
using payload::FieldType;
using testing::ListFolder;
using testing::ReadFile;
using testing::RunCommand;
using testing::TempDir;
using testing::WriteFile;

constexpr std::string_view kEngine = "#!/bin/sh\necho not really an engine\n";

// Random manifests over every author field, with the content files they name. Field values
// come from the record tables, so a field added there is covered here too.
class ManifestMaker {
public:
    ManifestMaker(unsigned seed, const std::filesystem::path& folder) : rng_(seed), folder_(folder) {}

    Json Make() {
        Json m = Json::object();
        m["Header"] = Json::object();
        for (const auto& f : payload::HeaderFields())
            if (!IsComputedHeaderField(f.name))
                m["Header"][std::string(f.name)] = Value(f);
        m["Strings"] = Json::object();
        for (const auto& slot : payload::StringSlots())
            m["Strings"][std::string(slot.name)] =
                slot.name == "EffectList" ? Effects(Below(300)) : Text(std::size_t(Chance(10) ? 65535 : Below(400)), 0);
        m["Images"] = Items(payload::ImageFields(), "image");
        m["Melodies"] = Items(payload::MelodyFields(), "melody");
        m["Masks"] = Items(payload::MaskFields(), "mask");
        m["Sounds"] = Items(payload::SoundFields(), "sound");
        m["Sections"] = Json::array();
        for (int number : {1, 2, 3, 4, 5, 9}) {
            if (Chance(50))
                continue;
            Json entry = {{"Number", number}, {"File", NewContent("section" + std::to_string(number))}};
            if (Chance(50))
                entry["Compressed"] = number >= 4;
            m["Sections"].push_back(entry);
        }
        // Entries for the sections with records claim nothing and are accepted.
        if (Chance(50))
            m["Sections"].push_back(Json{{"Number", 6}});
        return m;
    }

private:
    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool Chance(int percent) { return Below(100) < percent; }

    // `length` Windows-1252 bytes from `lowest` to 255, as JSON text.
    Json Text(std::size_t length, int lowest) {
        std::string bytes;
        for (std::size_t i = 0; i < length; ++i)
            bytes += char(lowest + Below(256 - lowest));
        return Cp1252ToUtf8(bytes);
    }

    Json Effects(int count) {
        Json codes = Json::array();
        for (int i = 0; i < count; ++i)
            codes.push_back(1 + Below(120));
        return codes;
    }

    template <class R>
    Json Value(const Field<R>& f) {
        switch (f.type) {
        case FieldType::Int32:
            return Chance(30) ? Below(20) - 2 : std::uniform_int_distribution<int32_t>(INT32_MIN, INT32_MAX)(rng_);
        case FieldType::Flag: return Chance(50);
        case FieldType::Byte: return Below(256);
        case FieldType::Extension: return Text(std::size_t(Below(int(f.room) + 1)), 1);  // ends at a NUL
        case FieldType::ShortText:
            if (f.name == "Effect")
                return Effects(Chance(20) ? int(f.room) : Below(int(f.room) + 1));
            return Text(Chance(20) ? f.room : std::size_t(Below(int(f.room) + 1)), 0);
        case FieldType::Int64AsI32: break;
        }
        return nullptr;
    }

    template <class R>
    Json Items(std::span<const Field<R>> fields, const std::string& prefix) {
        Json items = Json::array();
        const int count = Below(4);
        for (int i = 0; i < count; ++i) {
            Json item = Json::object();
            for (const auto& f : fields)
                if (f.name != "Offset" && f.name != "Size" && f.name != "StoredSize")
                    item[std::string(f.name)] = Value(f);
            item["File"] = NewContent(prefix + std::to_string(i));
            item["Compressed"] = Chance(50);
            items.push_back(item);
        }
        return items;
    }

    // A content file: empty, random bytes or a compressible pattern.
    std::string NewContent(const std::string& stem) {
        const std::string name = stem + ".bin";
        std::string bytes(std::size_t(Chance(10) ? 0 : Below(40000)), '\0');
        const bool pattern = Chance(50);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = char(pattern ? (i / 7) % 13 : Below(256));
        WriteFile(folder_ / name, bytes);
        return name;
    }

    std::mt19937 rng_;
    std::filesystem::path folder_;
};

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override { WriteFile(dir_ / "engine", kEngine); }

    // Writes the manifest and builds OUT from it; returns the build's result.
    testing::CommandResult Build(const Json& manifest, const std::string& out = "out.scr") {
        WriteFile(dir_ / "manifest.json", manifest.dump(1));
        return RunCommand(RunBuild, {(dir_ / "manifest.json").string(), "-o", (dir_ / out).string(), "--engine",
                              (dir_ / "engine").string()});
    }

    Json Inspect(const std::string& file = "out.scr") {
        auto r = RunCommand(RunInspect, {(dir_ / file).string(), "--json"});
        EXPECT_EQ(r.status, kExitOk) << r.err;
        return r.status == kExitOk ? Json::parse(r.out) : Json();
    }

    std::string Content(const Json& file) { return ReadFile(dir_ / file.get<std::string>()); }

    TempDir dir_;
};

// ---- round trip ----------------------------------------------------------------------------

class RoundTrip : public CommandsTest, public ::testing::WithParamInterface<unsigned> {};

TEST_P(RoundTrip, InspectOfBuildReproducesEveryField) {
    const Json manifest = ManifestMaker(GetParam(), dir_.path()).Make();
    auto built = Build(manifest);
    ASSERT_EQ(built.status, kExitOk) << built.err;
    Json seen = Inspect();
    ASSERT_TRUE(seen.is_object());

    for (auto& [key, value] : manifest["Header"].items())
        EXPECT_EQ(seen["Header"][key], value) << "Header." << key;
    EXPECT_EQ(seen["Header"]["FileSizeAtRun"], std::filesystem::file_size(dir_ / "out.scr"));
    EXPECT_EQ(seen["Strings"], manifest["Strings"]);

    for (std::string table : {"Images", "Melodies", "Masks", "Sounds"}) {
        ASSERT_EQ(seen[table].size(), manifest[table].size()) << table;
        for (std::size_t i = 0; i < manifest[table].size(); ++i) {
            const Json& given = manifest[table][i];
            Json& got = seen[table][i];
            const std::string where = table + "[" + std::to_string(i) + "]";
            for (auto& [key, value] : given.items()) {
                if (key != "File") {
                    EXPECT_EQ(got[key], value) << where << "." << key;
                }
            }
            EXPECT_EQ(got["Size"], Content(given["File"]).size()) << where;
            if (table == "Images") {
                EXPECT_EQ(got["Kind"], std::string(payload::ItemKindName(payload::KindOfExtension(
                                           *Utf8ToCp1252(given["Ext"].get<std::string>())))));
            }
        }
    }
    EXPECT_EQ(seen["Header"]["ImageCount"], manifest["Images"].size());
    EXPECT_EQ(seen["Header"]["EnterSoundCount"], manifest["Sounds"].size());

    // Sections: raw ones hold their file as is, absent ones are empty.
    std::map<int, std::string> sectionFiles;
    for (const Json& entry : manifest["Sections"])
        if (entry.contains("File"))
            sectionFiles[entry["Number"].get<int>()] = Content(entry["File"]);
    ASSERT_EQ(seen["Sections"].size(), 11u);
    for (int k : {1, 2, 3, 4, 5, 9}) {
        Json& section = seen["Sections"][k - 1];
        EXPECT_EQ(section["Number"], k);
        if (!sectionFiles.contains(k)) {
            EXPECT_EQ(section["Size"], 0) << "section " << k;
        } else if (k <= 3) {
            EXPECT_EQ(section["Size"], sectionFiles[k].size()) << "section " << k;
        } else {
            EXPECT_GT(section["Size"].get<int64_t>(), 0) << "section " << k;
        }
    }
    EXPECT_EQ(seen["Sections"][10]["Number"], "Strings");
    EXPECT_EQ(seen["Sections"][10]["Size"], seen["Header"]["StringBlockSize"]);
    EXPECT_EQ(seen["Sections"][10]["Start"].get<int64_t>() + seen["Sections"][10]["Size"].get<int64_t>() + 230,
              seen["Header"]["FileSizeAtRun"].get<int64_t>());
}

TEST_P(RoundTrip, InspectOutputWithFilesBuildsTheSameFile) {
    const Json manifest = ManifestMaker(GetParam(), dir_.path()).Make();
    ASSERT_EQ(Build(manifest).status, kExitOk);
    Json again = Inspect();
    for (std::string table : {"Images", "Melodies", "Masks", "Sounds"})
        for (std::size_t i = 0; i < again[table].size(); ++i)
            again[table][i]["File"] = manifest[table][i]["File"];
    for (const Json& entry : manifest["Sections"])
        if (entry.contains("File"))
            again["Sections"][entry["Number"].get<int>() - 1]["File"] = entry["File"];
    auto rebuilt = Build(again, "again.scr");
    ASSERT_EQ(rebuilt.status, kExitOk) << rebuilt.err;
    EXPECT_TRUE(ReadFile(dir_ / "again.scr") == ReadFile(dir_ / "out.scr"));
}

TEST_P(RoundTrip, ExtractGivesBackTheFilesGivenToBuild) {
    const Json manifest = ManifestMaker(GetParam(), dir_.path()).Make();
    ASSERT_EQ(Build(manifest).status, kExitOk);

    std::map<std::string, std::string> expected;
    auto ext = [](const Json& text) { return payload::SafeExtension(*Utf8ToCp1252(text.get<std::string>())); };
    for (auto [table, prefix] : {std::pair{"Images", "image"}, std::pair{"Melodies", "melody"},
                                 std::pair{"Masks", "mask"}, std::pair{"Sounds", "sound"}}) {
        for (std::size_t i = 0; i < manifest[table].size(); ++i) {
            const Json& item = manifest[table][i];
            std::string name = std::string(prefix) + "-" + std::to_string(i) +
                               (item.contains("Format") ? std::string(payload::MaskExtension(item["Format"].get<unsigned>()))
                                                        : ext(item["Ext"]));
            expected[name] = Content(item["File"]);
        }
    }
    const Json& header = manifest["Header"];
    for (const Json& entry : manifest["Sections"]) {
        if (!entry.contains("File"))
            continue;
        switch (entry["Number"].get<int>()) {
        case 2:  // raw: an empty file makes no section at all
            if (!Content(entry["File"]).empty())
                expected["preview.bmp"] = Content(entry["File"]);
            break;
        case 4: expected["exitbanner" + ext(header["ExitBannerExt"])] = Content(entry["File"]); break;
        case 5: expected["logo" + ext(header["LogoExt"])] = Content(entry["File"]); break;
        case 9: expected["background" + ext(header["BackgroundExt"])] = Content(entry["File"]); break;
        default: break;  // the Flash player and the configuration banner are not extracted
        }
    }

    auto r = RunCommand(RunExtract, {(dir_ / "out.scr").string(), (dir_ / "x" / "y").string()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    std::vector<std::string> names;
    for (const auto& [name, bytes] : expected)
        names.push_back(name);
    EXPECT_EQ(ListFolder(dir_ / "x" / "y"), names);
    for (const auto& [name, bytes] : expected)
        EXPECT_TRUE(ReadFile(dir_ / "x" / "y" / name) == bytes) << name;
}

INSTANTIATE_TEST_SUITE_P(Seeds, RoundTrip, ::testing::Range(1u, 11u));

// ---- build ---------------------------------------------------------------------------------

TEST_F(CommandsTest, AbsentFieldsTakeTheNewScreensaverDefaults) {
    WriteFile(dir_ / "pic.JPG", "jpeg bytes");
    WriteFile(dir_ / "sky.png", "png bytes");
    WriteFile(dir_ / "bye.gif", "gif bytes");
    ASSERT_EQ(Build(Json::parse(R"({"Images": [{"File": "pic.JPG"}], "Masks": [{"File": "bye.gif"}],
        "Sections": [{"Number": 9, "File": "sky.png"}, {"Number": 4, "File": "bye.gif"}]})"))
                  .status,
              kExitOk);
    const Json seen = Inspect();
    const Json& h = seen["Header"];
    EXPECT_EQ(h["Seconds"], 5);
    EXPECT_EQ(h["DisplayOrder"], 0);
    EXPECT_EQ(h["GradientStyle"], 1);
    EXPECT_EQ(h["Stretch"], 0);
    EXPECT_EQ(h["EffectSpeed"], 5);
    for (const char* flag : {"ExitMouseMove", "ExitMouseButton", "ExitKeyboard", "ExitESC"})
        EXPECT_EQ(h[flag], true) << flag;
    EXPECT_EQ(h["Loop"], false);
    EXPECT_EQ(h["LogoTransparentColor"], 0x1FFFFFFF);
    EXPECT_EQ(h["BackgroundExt"], ".png");
    EXPECT_EQ(h["ExitBannerExt"], ".gif");
    EXPECT_EQ(h["LogoExt"], "");
    const Json& image = seen["Images"][0];
    EXPECT_EQ(image["Ext"], ".JPG");
    EXPECT_EQ(image["Kind"], "picture");
    EXPECT_EQ(image["Compressed"], false);
    for (const char* minusOne : {"Stretch", "MaskIndex", "EnterSoundIndex", "ItemEffectSpeed"})
        EXPECT_EQ(image[minusOne], -1) << minusOne;
    EXPECT_EQ(image["TextColor"], 0x00FFFFFF);
    EXPECT_EQ(image["TextSize"], 12);
    EXPECT_EQ(image["Effect"], Json::array());
    EXPECT_EQ(seen["Masks"][0]["Format"], 0);
    EXPECT_EQ(seen["Strings"]["Title"], "");
    ASSERT_EQ(seen["Strings"]["EffectList"].size(), 120u);
    for (int code = 1; code <= 120; ++code)
        EXPECT_EQ(seen["Strings"]["EffectList"][code - 1], code);
}

TEST_F(CommandsTest, OutputIsTheEngineThenThePayloadAndExecutable) {
    WriteFile(dir_ / "a.gif", "GIF89a");
    auto r = Build(Json::parse(R"({"Images": [{"File": "a.gif", "Compressed": true}]})"));
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;  // small payloads report no progress
    const std::string out = ReadFile(dir_ / "out.scr");
    EXPECT_EQ(out.substr(0, kEngine.size()), kEngine);
    EXPECT_EQ(out.substr(out.size() - 10), "Vorlandite");
    EXPECT_EQ(Inspect()["Header"]["PayloadSize"], out.size() - kEngine.size());
    struct stat st {};
    ASSERT_EQ(::stat((dir_ / "out.scr").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u);
}

TEST_F(CommandsTest, FailedBuildLeavesTheOldOutputAndNoTemporaryFile) {
    WriteFile(dir_ / "out.scr", "previous screensaver");
    WriteFile(dir_ / "a.jpg", "x");
    WriteFile(dir_ / "manifest.json", R"({"Images": [{"File": "a.jpg"}]})");
    const auto before = ListFolder(dir_.path());
    auto r = RunCommand(RunBuild, {(dir_ / "manifest.json").string(), "-o", (dir_ / "out.scr").string(), "--engine",
                            (dir_ / "no-engine").string()});
    EXPECT_EQ(r.status, kExitBadInput);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.err.rfind("vorlandite: cannot read the engine", 0), 0u) << r.err;
    EXPECT_EQ(ReadFile(dir_ / "out.scr"), "previous screensaver");
    EXPECT_EQ(ListFolder(dir_.path()), before);
}

TEST_F(CommandsTest, RefusedManifestNamesFileAndField) {
    auto r = Build(Json::parse(R"({"Header": {"Mute": "no"}})"));
    EXPECT_EQ(r.status, kExitBadInput);
    EXPECT_TRUE(r.out.empty());
    EXPECT_NE(r.err.find("manifest.json: Header.Mute: expected true or false"), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(dir_ / "out.scr"));

    WriteFile(dir_ / "broken.json", "{\"Header\": {");
    r = RunCommand(RunBuild, {(dir_ / "broken.json").string(), "-o", (dir_ / "out.scr").string(), "--engine",
                       (dir_ / "engine").string()});
    EXPECT_EQ(r.status, kExitBadInput);
    EXPECT_NE(r.err.find("not valid JSON"), std::string::npos) << r.err;
}

TEST_F(CommandsTest, BuildUsage) {
    WriteFile(dir_ / "manifest.json", "{}");
    const std::string manifest = (dir_ / "manifest.json").string();
    for (const auto& args : std::vector<std::vector<std::string>>{
             {manifest}, {}, {manifest, "-o"}, {manifest, "-o", "a", "-o", "b"}, {manifest, "-o", "a", "--fast"}}) {
        auto r = RunCommand(RunBuild, args);
        EXPECT_EQ(r.status, kExitUsage);
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find("usage: vorlandite build"), std::string::npos);
    }
    auto help = RunCommand(RunBuild, {"--help"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_NE(help.out.find("Seconds 5"), std::string::npos) << help.out;
}

TEST_F(CommandsTest, LargeContentReportsProgress) {
    std::string big(std::size_t(17) << 20, 'v');
    WriteFile(dir_ / "big.avi", big);
    auto r = Build(Json::parse(R"({"Images": [{"File": "big.avi"}]})"));
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.err.find("%\n"), std::string::npos);
    EXPECT_NE(r.err.find("100%\n"), std::string::npos) << r.err;
    EXPECT_EQ(Inspect()["Images"][0]["Kind"], "video");
}

// ---- extract -------------------------------------------------------------------------------

TEST_F(CommandsTest, HostileExtensionsStayInsideTheFolder) {
    WriteFile(dir_ / "a", "item");
    ASSERT_EQ(Build(Json::parse(R"({"Header": {"LogoExt": "/../x", "BackgroundExt": "/..", "ExitBannerExt": "\\..\\"},
        "Images": [{"File": "a", "Ext": "/../a"}], "Melodies": [{"File": "a", "Ext": "/\n/b"}],
        "Sounds": [{"File": "a", "Ext": "/../../"}],
        "Sections": [{"Number": 5, "File": "a"}, {"Number": 9, "File": "a"}, {"Number": 4, "File": "a"}]})"))
                  .status,
              kExitOk);
    const auto before = ListFolder(dir_.path());
    auto r = RunCommand(RunExtract, {(dir_ / "out.scr").string(), (dir_ / "in").string()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    auto after = ListFolder(dir_.path());
    after.erase(std::find(after.begin(), after.end(), "in"));
    EXPECT_EQ(after, before);
    EXPECT_EQ(ListFolder(dir_ / "in"),
              (std::vector<std::string>{"background_..", "exitbanner_.._", "image-0_.._a", "logo_.._x",
                                        "melody-0___b", "sound-0_.._.._"}));
}

TEST_F(CommandsTest, ExtractGoesOnAfterAFailedItem) {
    WriteFile(dir_ / "a.png", std::string(5000, 'a'));
    WriteFile(dir_ / "b.png", "second");
    ASSERT_EQ(Build(Json::parse(R"({"Images": [{"File": "a.png", "Compressed": true}, {"File": "b.png"}]})")).status,
              kExitOk);
    // Break the first item's deflate stream: 0xFF starts a block of the reserved type.
    auto p = ReadPayloadFile((dir_ / "out.scr").string());
    ASSERT_TRUE(p.ok());
    std::string bytes = ReadFile(dir_ / "out.scr");
    bytes.replace(std::size_t(payload::ItemPosition(p->header, p->images[0]) + 2), 4, "\xFF\xFF\xFF\xFF");
    WriteFile(dir_ / "out.scr", bytes);

    auto r = RunCommand(RunExtract, {(dir_ / "out.scr").string(), (dir_ / "in").string()});
    EXPECT_EQ(r.status, kExitBadInput);
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(r.err.rfind("vorlandite: image-0.png: ", 0), 0u) << r.err;
    EXPECT_EQ(ListFolder(dir_ / "in"), std::vector<std::string>{"image-1.png"});
    EXPECT_EQ(ReadFile(dir_ / "in" / "image-1.png"), "second");
}

// A 1 MiB tmpfs as the output folder (where the test may mount one): the 2 MiB item is refused
// with the folder's free space, and the small one after it is still written.
TEST_F(CommandsTest, ExtractRefusesAnItemLargerThanTheFolderHasRoomFor) {
    WriteFile(dir_ / "big.png", std::string(2 << 20, 'b'));
    WriteFile(dir_ / "small.png", "small");
    ASSERT_EQ(Build(Json::parse(R"({"Images": [{"File": "big.png"}, {"File": "small.png"}]})")).status, kExitOk);
    const std::filesystem::path tiny = dir_ / "tiny";
    std::filesystem::create_directory(tiny);
    if (::mount("tmpfs", tiny.c_str(), "tmpfs", 0, "size=1m") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here: " << std::strerror(errno);
    struct Unmount {
        std::string path;
        ~Unmount() { ::umount2(path.c_str(), MNT_DETACH); }
    } unmount{tiny.string()};

    auto r = RunCommand(RunExtract, {(dir_ / "out.scr").string(), tiny.string()});
    EXPECT_EQ(r.status, kExitBadInput);
    EXPECT_EQ(r.err.rfind("vorlandite: image-0.png: item of 2097152 bytes", 0), 0u) << r.err;
    EXPECT_NE(r.err.find("does not fit into " + tiny.string()), std::string::npos) << r.err;
    EXPECT_EQ(ListFolder(tiny), std::vector<std::string>{"image-1.png"});
}

// ---- damaged payloads ----------------------------------------------------------------------

struct Damage {
    std::string name;
    std::string field;  // header field to overwrite, or empty
    int32_t value;
    std::size_t keep;   // bytes of the file to keep (0: all)
    std::string_view tail;  // replaces the magic when not empty
};

std::ostream& operator<<(std::ostream& os, const Damage& d) { return os << d.name; }

class DamagedPayload : public CommandsTest, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedPayload, EveryCommandFailsWithNothingOnStdout) {
    const Damage& d = GetParam();
    WriteFile(dir_ / "a.jpg", "item");
    ASSERT_EQ(Build(Json::parse(R"({"Images": [{"File": "a.jpg"}], "Strings": {"Title": "t"}})")).status, kExitOk);
    std::string bytes = ReadFile(dir_ / "out.scr");
    const std::size_t header = bytes.size() - 230;
    for (const auto& f : payload::HeaderFields())
        if (f.name == d.field)
            for (int i = 0; i < 4; ++i)
                bytes[header + f.offset + std::size_t(i)] = char(uint32_t(d.value) >> (8 * i));
    if (!d.tail.empty())
        bytes.replace(bytes.size() - 10, 10, d.tail);
    if (d.keep)
        bytes.resize(d.keep);
    WriteFile(dir_ / "out.scr", bytes);

    const std::string file = (dir_ / "out.scr").string();
    for (const auto& args : std::vector<std::vector<std::string>>{{file, "--json"}, {file}}) {
        auto r = RunCommand(RunInspect, args);
        EXPECT_EQ(r.status, kExitBadInput);
        EXPECT_TRUE(r.out.empty());
        EXPECT_EQ(r.err.rfind("vorlandite: ", 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    auto r = RunCommand(RunExtract, {file, (dir_ / "in").string()});
    EXPECT_EQ(r.status, kExitBadInput);
    EXPECT_TRUE(r.out.empty());
    EXPECT_FALSE(std::filesystem::exists(dir_ / "in"));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, DamagedPayload,
    ::testing::Values(Damage{"WrongMagic", "", 0, 0, "VORLANDITE"},
                      Damage{"ShorterThanTheTrailer", "", 0, 229, ""},
                      Damage{"ImageCountBeyondTheFile", "ImageCount", 0x7FFFFFFF, 0, ""},
                      Damage{"NegativeMaskCount", "MaskCount", -1, 0, ""},
                      Damage{"PayloadLargerThanTheFile", "PayloadSize", 0x40000000, 0, ""},
                      Damage{"SectionSizeBeyondTheFile", "MelodySectionSize", 0x7FFFFFF0, 0, ""}),
    [](const ::testing::TestParamInfo<Damage>& row) { return row.param.name; });

TEST_F(CommandsTest, ReadableSummaryListsItems) {
    WriteFile(dir_ / "a.swf", "FWS");
    WriteFile(dir_ / "m.mp3", "ID3");
    ASSERT_EQ(Build(Json::parse(R"({"Strings": {"Title": "Caf\u00e9"}, "Images": [{"File": "a.swf", "Text": "hi"}],
        "Melodies": [{"File": "m.mp3", "Compressed": true}]})"))
                  .status,
              kExitOk);
    auto r = RunCommand(RunInspect, {(dir_ / "out.scr").string()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_NE(r.out.find("Title: \"Caf\u00e9\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 display item, 1 melody, 0 masks, 0 enter sounds"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("flash   .swf  3 bytes, raw"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("caption \"hi\""), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(".mp3  3 bytes from "), std::string::npos) << r.out;
}

// A title could carry escape sequences meant for the terminal that shows the summary.
TEST_F(CommandsTest, ReadableSummaryEscapesControlCharacters) {
    ASSERT_EQ(Build(Json::parse(R"({"Strings": {"Title": "\u001b]0;owned\u0007\"x\u009d"}})")).status, kExitOk);
    auto r = RunCommand(RunInspect, {(dir_ / "out.scr").string()});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    EXPECT_EQ(r.out.rfind("Title: \"\\x1B]0;owned\\x07\\x22x\\x9D\"\n", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find('\x1B'), std::string::npos);
}

} // namespace
} // namespace vorlandite::tools
