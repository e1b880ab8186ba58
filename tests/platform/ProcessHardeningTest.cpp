// Where a typed password lives: the locked buffer (UTF-8 by character, its limit, wiping) and
// the process that cannot be dumped once a locked show starts.

#include "platform/ProcessHardening.h"

#include <gtest/gtest.h>

#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vorlandite::platform {
namespace {

bool AllZero(const char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (bytes[i] != 0)
            return false;
    return true;
}

struct CharacterRow {
    char32_t typed;
    std::string bytes;  // empty: refused
};

TEST(LockedSecretTest, CharactersAreStoredAsUtf8AndRemovedWhole) {
    const CharacterRow rows[] = {
        {U'a', "a"},
        {0x7F, "\x7F"},
        {U'\u00E4', "\xC3\xA4"},
        {U'\u20AC', "\xE2\x82\xAC"},
        {U'\U0001F600', "\xF0\x9F\x98\x80"},
        {0xD800, "\xEF\xBF\xBD"},    // a lone surrogate: U+FFFD
        {0x110000, "\xEF\xBF\xBD"},  // beyond Unicode: U+FFFD
        {0, ""},                     // would end the C string early
    };
    for (const auto& row : rows) {
        LockedSecret secret;
        ASSERT_TRUE(secret.Usable());
        ASSERT_TRUE(secret.AppendCharacter(U'x'));
        EXPECT_EQ(secret.AppendCharacter(row.typed), !row.bytes.empty()) << std::hex << uint32_t(row.typed);
        EXPECT_EQ(secret.View(), "x" + row.bytes);
        EXPECT_EQ(std::string(secret.CStr()), "x" + row.bytes) << "NUL-terminated";
        EXPECT_EQ(secret.Characters(), row.bytes.empty() ? 1u : 2u);
        const char* data = secret.CStr();
        secret.RemoveLastCharacter();
        if (!row.bytes.empty()) {
            EXPECT_EQ(secret.View(), "x") << "the whole character goes";
            EXPECT_TRUE(AllZero(data + 1, row.bytes.size())) << "its bytes are wiped";
        }
        secret.RemoveLastCharacter();
        secret.RemoveLastCharacter();  // empty: nothing happens
        EXPECT_STREQ(secret.CStr(), "");
        EXPECT_EQ(secret.Characters(), 0u);
    }
}

TEST(LockedSecretTest, AFullBufferRefusesWhatDoesNotFitAndKeepsTheRest) {
    LockedSecret secret;
    for (std::size_t i = 0; i + 2 < LockedSecret::kCapacity; ++i)
        ASSERT_TRUE(secret.AppendCharacter(U'a'));
    EXPECT_FALSE(secret.AppendCharacter(U'\u20AC')) << "3 bytes into 2";
    EXPECT_EQ(secret.Size(), LockedSecret::kCapacity - 2);
    EXPECT_TRUE(secret.AppendCharacter(U'\u00E4'));
    EXPECT_EQ(secret.Size(), LockedSecret::kCapacity);
    EXPECT_FALSE(secret.AppendCharacter(U'a'));
    EXPECT_EQ(secret.View().back(), '\xA4');
}

TEST(LockedSecretTest, WipeZeroesEveryByteAndTheBufferIsLocked) {
    LockedSecret secret;
    for (char32_t c : std::u32string(U"correct horse \u00E4\U0001F600"))
        ASSERT_TRUE(secret.AppendCharacter(c));
    const char* data = secret.CStr();
    const std::size_t size = secret.Size();
    secret.Wipe();
    EXPECT_TRUE(AllZero(data, LockedSecret::kCapacity + 1));
    EXPECT_EQ(secret.Size(), 0u);
    EXPECT_EQ(secret.Characters(), 0u);
    EXPECT_GT(size, 0u);

    rlimit memlock{};
    ASSERT_EQ(::getrlimit(RLIMIT_MEMLOCK, &memlock), 0);
    if (::geteuid() == 0 || memlock.rlim_cur >= 64 * 1024) {
        EXPECT_TRUE(secret.Locked()) << "one page must fit under the usual limit";
    }
}

TEST(LockedSecretTest, AChildProcessDoesNotInheritTheSecret) {
    LockedSecret secret;
    ASSERT_TRUE(secret.AppendCharacter(U'k'));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ::_exit(secret.CStr()[0] == 0 ? 0 : 1);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a forked child still reads the password";
    EXPECT_EQ(secret.View(), "k");
}

TEST(ProcessHardeningTest, TheProtectedProcessCannotBeDumped) {
    // In a child: the test program itself stays dumpable.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (!ProtectPasswordProcess().ok())
            ::_exit(1);
        if (::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0) != 0)
            ::_exit(2);
        rlimit core{};
        if (::getrlimit(RLIMIT_CORE, &core) != 0 || core.rlim_cur != 0)
            ::_exit(3);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: refused, 2: still dumpable, 3: core size not 0";
    EXPECT_EQ(::prctl(PR_GET_DUMPABLE, 0, 0, 0, 0), 1);
}

} // namespace
} // namespace vorlandite::platform
