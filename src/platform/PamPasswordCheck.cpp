#include "platform/PamPasswordCheck.h"

#include "platform/ProcessHardening.h"

#include <security/pam_appl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <unistd.h>

namespace vorlandite::platform {
namespace {

// A malloc'ed copy for PAM, which frees (and, in its own modules, wipes) the answers it gets.
char* CopyForPam(const char* text, std::size_t length) {
    auto* copy = static_cast<char*>(std::malloc(length + 1));
    if (!copy)
        return nullptr;
    std::memcpy(copy, text, length);
    copy[length] = '\0';
    return copy;
}

void DropAnswers(pam_response* answers, int count) {
    for (int i = 0; i < count; ++i) {
        if (answers[i].resp) {
            explicit_bzero(answers[i].resp, std::strlen(answers[i].resp));
            std::free(answers[i].resp);
        }
    }
    std::free(answers);
}

std::string Joined(const std::vector<std::string>& messages) {
    std::string all;
    for (const std::string& message : messages) {
        const std::string line = OneLine(message);
        if (line.empty())
            continue;
        if (!all.empty())
            all += "; ";
        all += line;
    }
    return all;
}

// "<lead>: <PAM's words for code>", with what the modules said in brackets.
std::string Reason(const char* lead, int code, const std::vector<std::string>& messages) {
    std::string reason = std::string(lead) + ": " + pam_strerror(nullptr, code);
    if (const std::string said = Joined(messages); !said.empty())
        reason += " (" + said + ")";
    return OneLine(reason);
}

} // namespace

std::string OneLine(const std::string& text, std::size_t limit) {
    std::string line;
    line.reserve(std::min(text.size(), limit));
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        const bool blank = byte < 0x20 || byte == 0x7F || byte == ' ';
        if (blank) {
            if (!line.empty() && line.back() != ' ')
                line += ' ';
        } else {
            line += c;
        }
    }
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    if (line.size() > limit) {
        std::size_t cut = limit > 3 ? limit - 3 : 0;
        while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;  // not inside a character
        line.resize(cut);
        line += "...";
    }
    return line;
}

int AnswerPamConversation(int count, const pam_message** messages, pam_response** responses, void* data) {
    if (count <= 0 || count > PAM_MAX_NUM_MSG || !messages || !responses || !data)
        return PAM_CONV_ERR;
    auto& conversation = *static_cast<PamConversation*>(data);
    auto* answers = static_cast<pam_response*>(std::calloc(std::size_t(count), sizeof(pam_response)));
    if (!answers)
        return PAM_BUF_ERR;
    for (int i = 0; i < count; ++i) {
        const pam_message* message = messages[i];
        if (!message) {
            DropAnswers(answers, count);
            return PAM_CONV_ERR;
        }
        switch (message->msg_style) {
        case PAM_PROMPT_ECHO_OFF:
        case PAM_PROMPT_ECHO_ON: {
            // Hidden: the password. Visible: what a module asks openly is the user's name.
            const bool hidden = message->msg_style == PAM_PROMPT_ECHO_OFF;
            if (hidden ? !conversation.password : !conversation.user) {
                DropAnswers(answers, count);
                return PAM_CONV_ERR;
            }
            answers[i].resp = hidden ? CopyForPam(conversation.password->CStr(), conversation.password->Size())
                                     : CopyForPam(conversation.user->c_str(), conversation.user->size());
            if (!answers[i].resp) {
                DropAnswers(answers, count);
                return PAM_BUF_ERR;
            }
            break;
        }
        case PAM_ERROR_MSG:
        case PAM_TEXT_INFO:
            if (message->msg && conversation.messages.size() < PamConversation::kMaxMessages)
                conversation.messages.push_back(OneLine(message->msg));
            break;
        default:  // a binary prompt or a style of another PAM: nothing here can answer it
            DropAnswers(answers, count);
            return PAM_CONV_ERR;
        }
    }
    *responses = answers;
    return PAM_SUCCESS;
}

PasswordCheckResult JudgePamOutcome(int authenticateResult, int accountResult,
                                    const std::vector<std::string>& messages) {
    using enum PasswordVerdict;
    if (authenticateResult == PAM_AUTH_ERR) {
        std::string reason = "The password is not correct.";
        if (const std::string said = Joined(messages); !said.empty())
            reason += " " + said;
        return {Wrong, OneLine(reason)};
    }
    if (authenticateResult != PAM_SUCCESS)
        return {CannotCheck, Reason("The password could not be checked", authenticateResult, messages)};
    if (accountResult == PAM_SUCCESS)
        return {Passed, {}};
    // The user has proved who they are; a password that must be changed is no reason to keep
    // them out of their own desktop (where they can change it).
    if (accountResult == PAM_NEW_AUTHTOK_REQD)
        return {PassedButExpired, Reason("The password has expired and must be changed", accountResult, messages)};
    return {AccountRefused, Reason("The account may not log in now", accountResult, messages)};
}

std::string CurrentUserName() {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) != 0 || !found || !found->pw_name)
        return {};
    return found->pw_name;
}

PasswordCheckResult CheckUserPassword(const std::string& user, const LockedSecret& password, const char* service) {
    using enum PasswordVerdict;
    if (user.empty()) {
        // No passwd entry: what an unreachable LDAP or sssd directory looks like. Nobody can be
        // checked, so nobody passes.
        return {CannotCheck, "The password could not be checked: this account (user id " + std::to_string(getuid()) +
                                 ") is not in the user database"};
    }
    if (!password.Usable())
        return {CannotCheck, "The password could not be checked: no memory to hold it"};
    PamConversation conversation{&user, &password, {}};
    const pam_conv answering{AnswerPamConversation, &conversation};
    pam_handle_t* handle = nullptr;
    const int started = pam_start(service, user.c_str(), &answering, &handle);
    if (started != PAM_SUCCESS || !handle) {
        if (handle)
            pam_end(handle, started);
        return {CannotCheck, Reason("The password could not be checked: PAM cannot be started", started, {})};
    }
    // Modules that look at the terminal (pam_securetty, pam_access) see the X display, as with
    // any screen locker.
    if (const char* display = std::getenv("DISPLAY"); display && *display)
        pam_set_item(handle, PAM_TTY, display);
    const int authenticated = pam_authenticate(handle, 0);
    const int account = authenticated == PAM_SUCCESS ? pam_acct_mgmt(handle, 0) : authenticated;
    pam_end(handle, account);
    return JudgePamOutcome(authenticated, account, conversation.messages);
}

} // namespace vorlandite::platform
