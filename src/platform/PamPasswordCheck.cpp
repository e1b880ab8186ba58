#include "platform/PamPasswordCheck.h"

#include <security/pam_appl.h>

#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <unistd.h>

namespace vorlandite::platform {
namespace {

// PAM asks its questions through this: every question that hides the answer gets the password,
// the others (the user name, if asked) get nothing; messages are not shown.
int AnswerWithPassword(int count, const pam_message** messages, pam_response** responses, void* data) {
    if (count <= 0 || count > PAM_MAX_NUM_MSG)
        return PAM_CONV_ERR;
    auto* answers = static_cast<pam_response*>(std::calloc(std::size_t(count), sizeof(pam_response)));
    if (!answers)
        return PAM_BUF_ERR;
    const auto* password = static_cast<const std::string*>(data);
    for (int i = 0; i < count; ++i) {
        if (messages[i]->msg_style == PAM_PROMPT_ECHO_OFF) {
            answers[i].resp = strdup(password->c_str());  // PAM frees the answers
            if (!answers[i].resp) {
                for (int j = 0; j < i; ++j)
                    std::free(answers[j].resp);
                std::free(answers);
                return PAM_BUF_ERR;
            }
        }
    }
    *responses = answers;
    return PAM_SUCCESS;
}

} // namespace

std::string CurrentUserName() {
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) != 0 || !found || !found->pw_name)
        return {};
    return found->pw_name;
}

Result<bool> CheckUserPassword(const std::string& user, const std::string& password, const char* service) {
    if (user.empty())
        return MakeError("the user's name is not known");
    const pam_conv conversation{AnswerWithPassword, const_cast<std::string*>(&password)};
    pam_handle_t* handle = nullptr;
    const int started = pam_start(service, user.c_str(), &conversation, &handle);
    if (started != PAM_SUCCESS || !handle)
        return MakeError("PAM cannot be started");
    int result = pam_authenticate(handle, PAM_SILENT);
    if (result == PAM_SUCCESS)
        result = pam_acct_mgmt(handle, PAM_SILENT);
    pam_end(handle, result);
    switch (result) {
    case PAM_SUCCESS: return true;
    case PAM_ABORT:
    case PAM_BUF_ERR:
    case PAM_SYSTEM_ERR:
    case PAM_CONV_ERR: return MakeError(std::string("PAM failed: ") + pam_strerror(nullptr, result));
    default: return false;  // wrong password, unknown user, expired or locked account
    }
}

} // namespace vorlandite::platform
