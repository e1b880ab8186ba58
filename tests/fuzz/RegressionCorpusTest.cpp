// Every input that once made a fuzzer fail, replayed through that fuzzer's own body:
// tests/regressions/<target>/<name> goes through the body of fuzz_<target>. They only have to
// come back; the sanitizer build of these tests catches what goes wrong on the way.

#include "DecoderFuzzHarness.h"
#include "ItemPathTarget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace vorlandite::fuzz {
namespace {

using Body = void (*)(std::span<const uint8_t>);

const std::map<std::string, Body>& Bodies() {
    static const std::map<std::string, Body> bodies = {
        {"bmp", FuzzBmp}, {"gif", FuzzGif},   {"ico", FuzzIco},           {"jpeg", FuzzJpeg},
        {"png", FuzzPng}, {"tiff", FuzzTiff}, {"itempath", RunItemPath},
    };
    return bodies;
}

std::vector<uint8_t> FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), {});
}

const std::filesystem::path kCorpora = VORLANDITE_REGRESSIONS_DIR;

// A folder no body answers to would be kept in the repository and never run.
TEST(RegressionCorpusTest, EveryFolderBelongsToAFuzzTarget) {
    ASSERT_TRUE(std::filesystem::is_directory(kCorpora)) << kCorpora;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpora)) {
        EXPECT_TRUE(entry.is_directory()) << entry.path() << " is not a target's folder";
        EXPECT_TRUE(Bodies().count(entry.path().filename().string())) << entry.path() << " names no fuzz target";
    }
}

// The folders there are, in name order: a target without inputs has no folder.
std::vector<std::string> CorpusFolders() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpora, ec))
        if (entry.is_directory())
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class RegressionCorpusFolderTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RegressionCorpusFolderTest, EveryInputComesBack) {
    const std::filesystem::path folder = kCorpora / GetParam();
    const auto found = Bodies().find(GetParam());
    ASSERT_NE(found, Bodies().end()) << "no fuzz target named " << GetParam();
    const Body body = found->second;
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        SCOPED_TRACE(entry.path().string());
        const std::vector<uint8_t> bytes = FileBytes(entry.path());
        ASSERT_FALSE(bytes.empty()) << "an empty regression input tests nothing";
        body(bytes);
        ++count;
    }
    EXPECT_GT(count, 0) << "an empty folder";
}

INSTANTIATE_TEST_SUITE_P(Targets, RegressionCorpusFolderTest, ::testing::ValuesIn(CorpusFolders()),
                         [](const ::testing::TestParamInfo<std::string>& row) { return row.param; });

// Not quite arbitrary bytes: the shortest inputs and a cut-off screensaver header take the
// item path's own branches (no control bytes, control bytes only, a payload that is not one).
TEST(RegressionCorpusTest, ItemPathTakesDegenerateInputs) {
    const std::vector<std::vector<uint8_t>> inputs = {
        {}, {3}, {3, 0, 2, 1}, {4, 3, 0, 0, 'B', 'M'}, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xD8, 0xFF},
    };
    for (const auto& input : inputs)
        RunItemPath(input);
}

} // namespace
} // namespace vorlandite::fuzz
