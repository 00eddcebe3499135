#include "protocols/connect_preparation.h"

#include <string>

#include "config/profile_ports.h"
#include "frontend/services.h"

namespace tarvox {

bool PromptCredential(FrontendServices& services, const char* title, bool password,
                      std::string& value) {
    TextPromptRequest request;
    request.title = title;
    request.prompt = password ? "Enter password (this will not be stored in profile)"
                              : "Enter username (this will not be stored in profile)";
    request.password_mode = password;
    TextPromptResult result = services.TextPrompt(request);
    if (!result.submitted) {
        return false;
    }
    value = std::move(result.text);
    return true;
}

bool PrepareConnect(Profile& working, OpenMode mode, FrontendServices& services) {
    if (!IsPortNumber(working.port)) {
        services.ShowMessage(
            "[POP3 options] Invalid POP3 port\nEnter a number between 1 and 65535. The POP3 "
            "port is usually 110.",
            "", BoxIcon::Error);
        return false;
    }
    if (working.host.empty()) {
        services.ShowMessage("[Account] Fill in the POP3 host", "", BoxIcon::None);
        return false;
    }
    if (working.user.empty() && !PromptCredential(services, "POP3 username", false, working.user)) {
        return false;
    }
    if (working.pass.empty() && !PromptCredential(services, "POP3 password", true, working.pass)) {
        return false;
    }
    if (mode == OpenMode::Connect) {
        if (working.mode == MailboxMode::Partial && working.maximum == 0) {
            services.ShowMessage(
                "[POP3 options] To specify the maximum number of messages to load, enter a "
                "value in the box beside the Partial radio button. Or, select the Full radio "
                "button to load all messages.",
                "", BoxIcon::None);
            return false;
        }
        if (working.mode != MailboxMode::Partial) {
            working.maximum = 0;
        }
    }
    return true;
}

}  // namespace tarvox
