#include "platform/RegFile.h"

#include <gtest/gtest.h>

namespace vorlandite::platform {
namespace {

// A line the reader cannot read is skipped, reported with its number, written back as it is,
// and reads the same way after that save.
struct BrokenFile {
    const char* name;
    std::string text;
    std::size_t line;                // the line reported
    std::vector<std::string> kept;   // lines the save must carry over as they are
};

class BrokenRegFileTest : public ::testing::TestWithParam<BrokenFile> {};

TEST_P(BrokenRegFileTest, IsSkippedWithItsLineAndKeptAsItIs) {
    std::vector<RegProblem> skipped;
    auto parsed = ParseRegFile(GetParam().text, &skipped);
    ASSERT_TRUE(parsed.ok()) << parsed.message();
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0].line, GetParam().line) << skipped[0].reason;
    const std::string once = SerializeRegFile(*parsed);
    for (const std::string& line : GetParam().kept)
        EXPECT_NE(once.find(line + "\n"), std::string::npos) << line << "\n" << once;

    std::vector<RegProblem> again;
    auto reread = ParseRegFile(once, &again);
    ASSERT_TRUE(reread.ok());
    EXPECT_EQ(again.size(), 1u);
    EXPECT_EQ(SerializeRegFile(*reread), once);
}

const std::string kKey = "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n";

INSTANTIATE_TEST_SUITE_P(
    Lines, BrokenRegFileTest,
    ::testing::Values(
        BrokenFile{"ValueOutsideKey", "REGEDIT4\n\"A\"=dword:1\n", 2, {"\"A\"=dword:1"}},
        BrokenFile{"ValueAfterDeletedKey", kKey + "[-HKEY_CURRENT_USER\\A]\n\"A\"=dword:1\n[HKEY_CURRENT_USER\\B]\n",
                   4, {"\"A\"=dword:1"}},
        BrokenFile{"UnknownRoot", kKey + "[HKEY_CURENT_USER\\B]\n\"x\"=dword:1\n", 3,
                   {"[HKEY_CURENT_USER\\B]", "\"x\"=dword:1"}},
        BrokenFile{"UnclosedKey", "REGEDIT4\n[HKEY_CURRENT_USER\\A\n\"x\"=\"1\"\n", 2,
                   {"[HKEY_CURRENT_USER\\A", "\"x\"=\"1\""}},
        BrokenFile{"UnclosedString", kKey + "\"A\"=\"x\n", 3, {"\"A\"=\"x"}},
        BrokenFile{"EscapedLastQuote", kKey + "\"A\"=\"x\\\"\n", 3, {"\"A\"=\"x\\\""}},
        BrokenFile{"DwordTooLong", kKey + "\"A\"=dword:123456789\n", 3, {"\"A\"=dword:123456789"}},
        BrokenFile{"DwordNoDigits", kKey + "\"A\"=dword:\n", 3, {"\"A\"=dword:"}},
        BrokenFile{"UnknownType", kKey + "\"A\"=qword:1\n", 3, {"\"A\"=qword:1"}},
        BrokenFile{"BadHexItem", kKey + "\"A\"=hex:0a,100\n", 3, {"\"A\"=hex:0a,100"}},
        BrokenFile{"EmptyHexItem", kKey + "\"A\"=hex:0a,,0b\n", 3, {"\"A\"=hex:0a,,0b"}},
        BrokenFile{"BadContinuation", kKey + "\"A\"=hex(1):41,\\\n  zz\n", 4, {"\"A\"=hex(1):41,\\", "  zz"}},
        BrokenFile{"BadTypeOfAContinuedList", kKey + "\"A\"=hex(q):41,\\\n  42\n\"B\"=dword:2\n", 3,
                   {"\"A\"=hex(q):41,\\", "  42"}},
        BrokenFile{"ContinuationEndingAtABlankLine", kKey + "\"A\"=hex:zz,\\\n\n\"B\"=dword:2\n", 3,
                   {"\"A\"=hex:zz,\\"}},
        BrokenFile{"TextAfterValue", kKey + "\"A\"=\"x\" y\n", 3, {"\"A\"=\"x\" y"}},
        BrokenFile{"NoEquals", kKey + "\"A\" dword:1\n", 3, {"\"A\" dword:1"}},
        BrokenFile{"BinaryBytes", kKey + std::string("\x01\x00\xff\xfe", 4) + "\n", 3,
                   {std::string("\x01\x00\xff\xfe", 4)}}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(RegFileTest, OnlyATextThatIsNoStoreIsRefused) {
    for (std::string text : {std::string("[HKEY_CURRENT_USER\\A]\n"), std::string("Windows Registry Editor Version 5.00\n"),
                             std::string("\0\0\0\x89PNG", 7)}) {
        auto parsed = ParseRegFile(text);
        ASSERT_FALSE(parsed.ok());
        EXPECT_TRUE(parsed.message().starts_with("line 1:")) << parsed.message();
    }
}

TEST(RegFileTest, ValuesBelowAKeyLineThatCannotBeReadBelongToNoKey) {
    const std::string text = "REGEDIT4\n"
                             "\n"
                             "[HKEY_CURRENT_USER\\A]\n"
                             "\"x\"=dword:00000001\n"
                             "\n"
                             "; typo below\n"
                             "[HKEY_CURENT_USER\\B]\n"
                             "\"y\"=dword:00000002\n"
                             "\n"
                             "[HKEY_CURRENT_USER\\C]\n"
                             "\"z\"=dword:00000003\n";
    auto parsed = ParseRegFile(text);
    ASSERT_TRUE(parsed.ok());
    EXPECT_EQ(SerializeRegFile(*parsed), text);
    const std::vector<std::string> a{"A"}, b{"B"};
    EXPECT_FALSE(KeyExists(*parsed, b));
    EXPECT_EQ(FindValue(*FindSection(*parsed, a), "y"), nullptr);

    // A value written to the key above lands in its own section, not below the broken line.
    RegValue w;
    w.name = "w";
    w.kind = RegValueKind::Integer;
    SetValue(CreateKey(*parsed, a), w);
    auto reread = ParseRegFile(SerializeRegFile(*parsed));
    ASSERT_TRUE(reread.ok());
    EXPECT_NE(FindValue(*FindSection(*reread, a), "w"), nullptr);
    EXPECT_EQ(FindValue(*FindSection(*reread, a), "y"), nullptr);
}

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
// blank line at every save; one whose continuation was a line of a lone backslash before a blank
// line (or two backslashes) read differently once saved, and so did a key whose last name ended
// in a blank before a closing backslash.
TEST(RegFileTest, OddLineEndsAreStableAcrossSaves) {
    for (std::string text : {"REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Odd\"=hex(0):41,0a\\",
                             "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Odd\"=hex(0):41,0a\\\n\n\"b\"=dword:00000001\n",
                             "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Bin\"=hex:02,\\\r\n\\\r\n \r\n\"b\"=dword:00000001\n",
                             "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Bin\"=hex:02,\\\n  \\\n  \\\n",
                             "REGEDIT4\n[HKEY_CURRENT_USER\\A]\n\"Bin\"=hex:02,03\\\\\n",
                             "REGEDIT4\n[HKEY_CURRENT_USER\\A\\Name \\]\n\"b\"=dword:00000001\n",
                             "REGEDIT4\n[HKEY_CURRENT_USER\\A \\ \\]\n\"b\"=dword:00000001\n"}) {
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
