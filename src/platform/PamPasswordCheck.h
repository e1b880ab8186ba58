#pragma once
// The user's own login password, checked through PAM: what unlocks a show that asks for the
// screensaver password. No Qt, so it can be tested and used anywhere.
//
// It fails closed: only a PAM transaction that says "this is the user's password" passes. A
// wrong password, an account the system does not know (a directory that cannot be reached
// looks like that), any PAM error and an account PAM refuses all keep the show, with a line
// that says why.

#include <string>
#include <vector>

struct pam_message;
struct pam_response;

namespace vorlandite::platform {

class LockedSecret;

// The PAM service the check runs under; a system without a file of that name in /etc/pam.d
// uses its "other" rules (on Debian: the common authentication and account rules of every login).
inline constexpr const char* kPamService = "vorlandite";

enum class PasswordVerdict {
    Passed,            // the user's password
    PassedButExpired,  // the user's password, but the system wants a new one (the show still ends)
    Wrong,             // not the user's password
    AccountRefused,    // the right password, but the account may not log in now (expired, locked)
    CannotCheck,       // no answer: an unknown account, a PAM error, a module that cannot be reached
};

struct PasswordCheckResult {
    PasswordVerdict verdict = PasswordVerdict::CannotCheck;
    // One line for the dialog: why it did not pass, or the system's notice of an expired password.
    std::string reason;

    bool Passes() const { return verdict == PasswordVerdict::Passed || verdict == PasswordVerdict::PassedButExpired; }
};

// The name of the user running this program (empty when the user database does not know it).
std::string CurrentUserName();

// Checks `password` as `user`'s login password: pam_authenticate, then pam_acct_mgmt.
PasswordCheckResult CheckUserPassword(const std::string& user, const LockedSecret& password,
                                      const char* service = kPamService);

// What one transaction's outcome means. `accountResult` counts only when `authenticateResult`
// is PAM_SUCCESS; `messages` are what the modules said (error and information messages).
PasswordCheckResult JudgePamOutcome(int authenticateResult, int accountResult,
                                    const std::vector<std::string>& messages);

// What PAM's questions are answered with, and what its modules said on the way.
struct PamConversation {
    const std::string* user = nullptr;
    const LockedSecret* password = nullptr;
    std::vector<std::string> messages;  // one line each, at most kMaxMessages
    static constexpr std::size_t kMaxMessages = 16;
};

// The conversation function (pam_conv) over a PamConversation: a hidden prompt gets the
// password, a visible one (the user name) the user's name; error and information messages are
// kept for the dialog. Anything else (binary prompts) fails the conversation. Answers handed
// back are PAM's to wipe and free; those this function drops on a failure it wipes itself.
int AnswerPamConversation(int count, const pam_message** messages, pam_response** responses, void* conversation);

// `text` as one printable line for the dialog: control characters become spaces, runs of
// spaces one, at most `limit` bytes (cut at a character boundary, with "...").
std::string OneLine(const std::string& text, std::size_t limit = 200);

} // namespace vorlandite::platform
