#include "platform/RegFile.h"

#include <gtest/gtest.h>

namespace vorlandite::platform {
namespace {

struct BrokenFile {
    const char* name;
    const char* text;
    const char* line;  // the line the error must name
};

class BrokenRegFileTest : public ::testing::TestWithParam<BrokenFile> {};

TEST_P(BrokenRegFileTest, IsRefusedWithItsLine) {
    auto parsed = ParseRegFile(GetParam().text);
    ASSERT_FALSE(parsed.ok());
    EXPECT_TRUE(parsed.message().starts_with(GetParam().line)) << parsed.message();
}

INSTANTIATE_TEST_SUITE_P(
    Lines, BrokenRegFileTest,
    ::testing::Values(
        BrokenFile{"NoHeader", "[HKEY_CURRENT_USER\\A]\n", "line 1:"},
        BrokenFile{"OtherHeader", "Windows Registry Editor Version 5.00\n", "line 1:"},
        BrokenFile{"ValueOutsideKey", "REGEDIT4\n\"A\"=dword:1\n", "line 2:"},
        BrokenFile{"UnknownRoot", "REGEDIT4\n[HKEY_CURENT_USER\\A]\n", "line 2:"},
        BrokenFile{"UnclosedKey", "REGEDIT4\n[HKEY_CURRENT_USER\\A\n", "line 2:"},
        BrokenFile{"UnclosedString", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"A\"=\"x\n", "line 3:"},
        BrokenFile{"EscapedLastQuote", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"A\"=\"x\\\"\n",
                   "line 3:"},
        BrokenFile{"DwordTooLong", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"A\"=dword:123456789\n",
                   "line 3:"},
        BrokenFile{"DwordNoDigits", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"A\"=dword:\n", "line 3:"},
        BrokenFile{"UnknownType", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"A\"=qword:1\n", "line 3:"},
        BrokenFile{"BadHexItem", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"A\"=hex:0a,100\n", "line 3:"},
        BrokenFile{"EmptyHexItem", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"A\"=hex:0a,,0b\n",
                   "line 3:"},
        BrokenFile{"BadContinuation",
                   "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"A\"=hex(1):41,\\\n  zz\n", "line 4:"},
        BrokenFile{"TextAfterValue", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"A\"=\"x\" y\n",
                   "line 3:"},
        BrokenFile{"NoEquals", "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"A\" dword:1\n", "line 3:"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(RegFileTest, BlankTextIsAnEmptyDocument) {
    auto parsed = ParseRegFile(" \n\r\n");
    ASSERT_TRUE(parsed.ok());
    EXPECT_TRUE(parsed->sections.empty());
}

TEST(RegFileTest, AppliesDeletionFormsAndMergesRepeatedKeys) {
    auto parsed = ParseRegFile("\xEF\xBB\xBFREGEDIT4\n"
                               "[HKEY_CURRENT_USER\\A]\n\"x\"=dword:1\n\"y\"=dword:2\n"
                               "[HKEY_CURRENT_USER\\A\\B]\n\"z\"=\"1\"\n"
                               "[-HKEY_CURRENT_USER\\a\\b]\n"
                               "[HKEY_CURRENT_USER\\a]\n\"Y\"=-\n\"X\"=dword:3\n\"w\"=\"C:\\dir\"\n");
    ASSERT_TRUE(parsed.ok()) << parsed.message();
    ASSERT_EQ(parsed->sections.size(), 1u);
    const RegSection& a = parsed->sections[0];
    EXPECT_EQ(a.names, std::vector<std::string>{"A"});
    ASSERT_EQ(a.values.size(), 2u);
    EXPECT_EQ(a.values[0].name, "x");
    EXPECT_EQ(a.values[0].integer, 3u);
    EXPECT_EQ(a.values[1].text, "C:\\dir");  // a lone backslash is kept, as people write paths
}

TEST(RegFileTest, WrapsLongHexListsAndReadsThemBack) {
    RegDocument document;
    RegSection& key = CreateKey(document, std::vector<std::string>{"Software", "Long"});
    RegValue value;
    value.name = "Effect";
    for (int code = 1; code <= 120; ++code)
        value.text += char(code);
    SetValue(key, value);
    const std::string text = SerializeRegFile(document);
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        EXPECT_LE(end - start, 80u);
    auto parsed = ParseRegFile(text);
    ASSERT_TRUE(parsed.ok()) << parsed.message();
    EXPECT_EQ(FindValue(parsed->sections[0], "effect")->text, value.text);
}

// Found by fuzzing: a hex list ending in a backslash at the end of the file took in one more
// blank line at every save.
TEST(RegFileTest, DanglingContinuationIsStableAcrossSaves) {
    for (std::string text : {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Odd\"=hex(0):41,0a\\",
                             "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Odd\"=hex(0):41,0a\\\n\n\"b\"=dword:00000001\n"}) {
        auto first = ParseRegFile(text);
        ASSERT_TRUE(first.ok()) << first.message();
        const std::string once = SerializeRegFile(*first);
        auto second = ParseRegFile(once);
        ASSERT_TRUE(second.ok()) << second.message();
        EXPECT_EQ(SerializeRegFile(*second), once);
    }
}

TEST(RegFileTest, NewKeysGoBesideTheirRelatives) {
    RegDocument document;
    CreateKey(document, std::vector<std::string>{"Software", "Quenmore", "One"});
    CreateKey(document, std::vector<std::string>{"Other"});
    CreateKey(document, std::vector<std::string>{"SOFTWARE", "QUENMORE", "Two"});
    ASSERT_EQ(document.sections.size(), 3u);
    EXPECT_EQ(document.sections[1].names,
              (std::vector<std::string>{"Software", "Quenmore", "Two"}));
    EXPECT_EQ(document.sections[2].names, std::vector<std::string>{"Other"});
}

} // namespace
} // namespace vorlandite::platform
