// ASCII-only case rules: letters match across case, nothing else does, whatever the locale.

#include "base/AsciiCase.h"

#include <gtest/gtest.h>

namespace vorlandite {
namespace {

TEST(AsciiCaseTest, OnlyAsciiLettersFold) {
    // Under a Latin-1 locale std::tolower folds 0xC9 to 0xE9; extensions and keys must not.
    EXPECT_TRUE(EqualsIgnoreCase(".GiF", ".gif"));
    EXPECT_TRUE(EqualsIgnoreCase("", ""));
    EXPECT_FALSE(EqualsIgnoreCase(".gif", ".gifs"));
    EXPECT_FALSE(EqualsIgnoreCase("\xC9", "\xE9"));
    EXPECT_FALSE(EqualsIgnoreCase("@", "`"));  // neighbours of 'A' and 'a' in the table
    EXPECT_FALSE(EqualsIgnoreCase("[", "{"));  // neighbours of 'Z' and 'z'
    EXPECT_EQ(ToAsciiLower("HTTPS://Ex\xC9.ORG"), "https://ex\xC9.org");
    EXPECT_EQ(AsciiUpper('z'), 'Z');
    EXPECT_EQ(AsciiUpper('{'), '{');
}

} // namespace
} // namespace vorlandite
