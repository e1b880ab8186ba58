// The PAM check fails closed: every outcome of a transaction but success keeps the show, with a
// line that says why; the conversation answers what it can and keeps what the modules said.
// Then the real thing under the "vorlandite" service: refusals anyone can see (a wrong password,
// an unknown user, root), and, as root, a user made for the test with a known password.

#include "platform/PamPasswordCheck.h"
#include "platform/ProcessHardening.h"
#include "support/TestAccount.h"

#include <gtest/gtest.h>

#include <security/pam_appl.h>

#include <cstdlib>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace vorlandite::platform {
namespace {

using enum PasswordVerdict;
using vorlandite::testing::RunTool;
using vorlandite::testing::TestAccount;

void Fill(LockedSecret& secret, const std::u32string& text) {
    secret.Wipe();
    for (char32_t c : text)
        ASSERT_TRUE(secret.AppendCharacter(c));
}

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// --- what an outcome means ----------------------------------------------------------------

TEST(JudgeOutcomeTest, EveryFailureKeepsTheShowAndSaysWhyInOneLine) {
    // No answer (an unknown account, a directory out of reach, PAM's own errors).
    for (const int code : {PAM_USER_UNKNOWN, PAM_AUTHINFO_UNAVAIL, PAM_SYSTEM_ERR, PAM_ABORT, PAM_BUF_ERR,
                           PAM_CONV_ERR, PAM_MAXTRIES}) {
        const PasswordCheckResult result = JudgePamOutcome(code, PAM_SUCCESS, {});
        EXPECT_EQ(result.verdict, CannotCheck) << code;
        EXPECT_EQ(result.reason, "The password could not be checked: " + std::string(pam_strerror(nullptr, code)));
    }
    // The right password, but the account may not log in.
    for (const int code : {PAM_ACCT_EXPIRED, PAM_PERM_DENIED, PAM_AUTHINFO_UNAVAIL}) {
        const PasswordCheckResult result = JudgePamOutcome(PAM_SUCCESS, code, {"sss:\n offline"});
        EXPECT_EQ(result.verdict, AccountRefused) << code;
        EXPECT_EQ(result.reason, "The account may not log in now: " + std::string(pam_strerror(nullptr, code)) +
                                     " (sss: offline)");
    }
    const PasswordCheckResult wrong = JudgePamOutcome(PAM_AUTH_ERR, PAM_SUCCESS, {"The account is locked\n", "3 tries"});
    EXPECT_EQ(wrong.verdict, Wrong);
    EXPECT_EQ(wrong.reason, "The password is not correct. The account is locked; 3 tries");

    const PasswordCheckResult expired =
        JudgePamOutcome(PAM_SUCCESS, PAM_NEW_AUTHTOK_REQD, {"You are required to change your password"});
    EXPECT_EQ(expired.verdict, PassedButExpired);
    EXPECT_TRUE(Contains(expired.reason, "expired")) << expired.reason;
    EXPECT_TRUE(Contains(expired.reason, "You are required to change your password")) << expired.reason;

    const PasswordCheckResult passed = JudgePamOutcome(PAM_SUCCESS, PAM_SUCCESS, {"Welcome"});
    EXPECT_EQ(passed.verdict, Passed);
    EXPECT_TRUE(passed.reason.empty());
}

TEST(JudgeOutcomeTest, NothingButSuccessPasses) {
    for (int code = 0; code <= 64; ++code) {
        if (code == PAM_SUCCESS)
            continue;
        EXPECT_FALSE(JudgePamOutcome(code, PAM_SUCCESS, {}).Passes()) << "pam_authenticate " << code;
        EXPECT_EQ(JudgePamOutcome(PAM_SUCCESS, code, {}).Passes(), code == PAM_NEW_AUTHTOK_REQD) << "pam_acct_mgmt " << code;
    }
}

TEST(OneLineTest, MakesOnePrintableBoundedLine) {
    EXPECT_EQ(OneLine("a\nb\r\n\tc  d "), "a b c d");
    EXPECT_EQ(OneLine("\x1b[31mred"), "[31mred");
    EXPECT_EQ(OneLine(""), "");
    EXPECT_EQ(OneLine(std::string(10, 'x'), 10), std::string(10, 'x'));
    EXPECT_EQ(OneLine(std::string(11, 'x'), 10), "xxxxxxx...");
    // Never cut inside a character: "é" is two bytes at 6..7.
    EXPECT_EQ(OneLine("abcdef\xC3\xA9ghij", 10), "abcdef...");
}

// --- the conversation ---------------------------------------------------------------------

class ConversationTest : public ::testing::Test {
protected:
    int Answer(const std::vector<pam_message>& asked) {
        std::vector<const pam_message*> pointers;
        for (const auto& m : asked)
            pointers.push_back(&m);
        return AnswerPamConversation(int(pointers.size()), pointers.data(), &responses_, &conversation_);
    }
    void TearDown() override {
        if (responses_) {
            for (std::size_t i = 0; i < answered_; ++i)
                std::free(responses_[i].resp);
            std::free(responses_);
        }
    }

    std::string user_ = "alice";
    LockedSecret password_;
    PamConversation conversation_{&user_, &password_, {}};
    pam_response* responses_ = nullptr;
    std::size_t answered_ = 0;
};

TEST_F(ConversationTest, AnswersHiddenPromptsWithThePasswordAndVisibleOnesWithTheName) {
    Fill(password_, U"s\u00E9cret");
    const std::vector<pam_message> asked = {{PAM_TEXT_INFO, "Welcome"},
                                            {PAM_PROMPT_ECHO_ON, "login:"},
                                            {PAM_PROMPT_ECHO_OFF, "Password: "},
                                            {PAM_ERROR_MSG, "Caps\nLock is on"}};
    ASSERT_EQ(Answer(asked), PAM_SUCCESS);
    answered_ = asked.size();
    ASSERT_NE(responses_, nullptr);
    EXPECT_EQ(responses_[0].resp, nullptr);
    EXPECT_STREQ(responses_[1].resp, "alice");
    EXPECT_STREQ(responses_[2].resp, "s\xC3\xA9" "cret");
    EXPECT_NE(responses_[2].resp, password_.CStr()) << "PAM gets a copy it can free";
    EXPECT_EQ(responses_[3].resp, nullptr);
    EXPECT_EQ(conversation_.messages, (std::vector<std::string>{"Welcome", "Caps Lock is on"}));
}

TEST_F(ConversationTest, WhatItCannotAnswerFailsTheConversation) {
    struct Row {
        const char* name;
        std::vector<pam_message> asked;
        bool withoutPassword;
    };
    const Row rows[] = {
        {"NoQuestions", {}, false},
        {"BinaryPrompt", {{PAM_PROMPT_ECHO_OFF, "Password: "}, {PAM_BINARY_PROMPT, "\x01"}}, false},
        {"UnknownStyle", {{999, "?"}}, false},
        {"TooMany", std::vector<pam_message>(PAM_MAX_NUM_MSG + 1, pam_message{PAM_TEXT_INFO, "hi"}), false},
        {"NoPasswordToGive", {{PAM_PROMPT_ECHO_OFF, "Password: "}}, true},
    };
    Fill(password_, U"secret");
    for (const Row& row : rows) {
        conversation_.password = row.withoutPassword ? nullptr : &password_;
        responses_ = nullptr;
        // Answers already made for earlier prompts are wiped and freed (the sanitizers would
        // report a leak); nothing is handed back.
        EXPECT_EQ(Answer(row.asked), PAM_CONV_ERR) << row.name;
        EXPECT_EQ(responses_, nullptr) << row.name;
    }
}

TEST_F(ConversationTest, KeepsOnlyABoundedNumberOfMessages) {
    ASSERT_EQ(Answer(std::vector<pam_message>(PAM_MAX_NUM_MSG, pam_message{PAM_ERROR_MSG, "again"})), PAM_SUCCESS);
    answered_ = PAM_MAX_NUM_MSG;
    EXPECT_EQ(conversation_.messages.size(), PamConversation::kMaxMessages);
}

// --- the real PAM -------------------------------------------------------------------------

TEST(PamPasswordCheckTest, AWrongPasswordOrAnUnknownUserNeverPasses) {
    LockedSecret wrong;
    Fill(wrong, U"not the password \u00E4\u20AC 9f3c1");
    ASSERT_FALSE(CurrentUserName().empty());
    EXPECT_EQ(CheckUserPassword(CurrentUserName(), wrong).verdict, Wrong);
    EXPECT_FALSE(CheckUserPassword("no-such-user-vorlandite", wrong).Passes());
    // root's own entry: locked (no password) on most machines, and not this text in any case.
    EXPECT_FALSE(CheckUserPassword("root", wrong).Passes());

    const PasswordCheckResult nameless = CheckUserPassword("", wrong);
    EXPECT_EQ(nameless.verdict, CannotCheck);
    EXPECT_TRUE(Contains(nameless.reason, "not in the user database")) << nameless.reason;
}

constexpr char32_t kTestPassword[] = U"Vorl\u00E4ndite pam 7!";
constexpr char kTestPasswordUtf8[] = "Vorl\xC3\xA4ndite pam 7!";

TEST(PamPasswordCheckTest, ARealAccountPassesOnlyWithItsOwnPassword) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "making an account needs root";
    TestAccount account(kTestPasswordUtf8);
    ASSERT_TRUE(account.Made()) << "useradd/chpasswd failed";
    LockedSecret right, wrong;
    Fill(right, kTestPassword);
    Fill(wrong, U"Vorl\u00E4ndite pam 8!");

    EXPECT_EQ(CheckUserPassword(account.Name(), right).verdict, Passed);
    EXPECT_EQ(CheckUserPassword(account.Name(), wrong).verdict, Wrong);

    // The account itself, not root, asks: pam_unix then goes through its setgid helper, as in
    // a show the user started.
    for (const bool useRight : {true, false}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setresgid(account.Gid(), account.Gid(), account.Gid()) != 0 ||
                ::setresuid(account.Uid(), account.Uid(), account.Uid()) != 0)
                ::_exit(10);
            if (CurrentUserName() != account.Name())
                ::_exit(11);
            LockedSecret typed;  // the parent's buffers read as zeros here (wiped on fork)
            for (char32_t c : std::u32string(useRight ? kTestPassword : U"Vorl\u00E4ndite pam 8!"))
                typed.AppendCharacter(c);
            ::_exit(int(CheckUserPassword(CurrentUserName(), typed).verdict));
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), int(useRight ? Passed : Wrong)) << "as the account itself, right: " << useRight;
    }

    // The password must be changed now: the right one still ends the show.
    ASSERT_EQ(RunTool({"chage", "--lastday", "0", account.Name()}), 0);
    const PasswordCheckResult expired = CheckUserPassword(account.Name(), right);
    EXPECT_EQ(expired.verdict, PassedButExpired);
    EXPECT_TRUE(Contains(expired.reason, "expired")) << expired.reason;
    EXPECT_EQ(CheckUserPassword(account.Name(), wrong).verdict, Wrong);

    // The account itself has expired: refused, with the reason.
    ASSERT_EQ(RunTool({"chage", "--lastday", "-1", "--expiredate", "1", account.Name()}), 0);
    const PasswordCheckResult refused = CheckUserPassword(account.Name(), right);
    EXPECT_FALSE(refused.Passes());
    EXPECT_FALSE(refused.reason.empty());

    // A locked password: nothing passes.
    ASSERT_EQ(RunTool({"chage", "--expiredate", "-1", account.Name()}), 0);
    ASSERT_EQ(RunTool({"usermod", "--lock", account.Name()}), 0);
    EXPECT_FALSE(CheckUserPassword(account.Name(), right).Passes());
}

} // namespace
} // namespace vorlandite::platform
