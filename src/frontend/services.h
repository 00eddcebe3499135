// What the engine asks of a user or a desktop. The engine calls only this
// interface; the Qt front end, the console front end of tarvox-cli and the
// scripted test double implement it. Implementations may be called from worker
// threads and must block until the user has answered.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "codec/utf8.h"
#include "net/certificate_check.h"
#include "net/net_result.h"

namespace tarvox {

enum class BoxIcon { None, Error, Warning, Question, Information };

// Warning is the exclamation icon.
enum class BoxButtons { Ok, YesNo, YesNoDefaultNo };

enum class BoxAnswer { Ok, Yes, No };

struct MessageBoxRequest {
    std::string text;
    std::string caption;  // empty: the box has no caption
    BoxIcon icon = BoxIcon::None;
    BoxButtons buttons = BoxButtons::Ok;
};

// The small modal text prompt shared by the whole program.
struct TextPromptRequest {
    std::string title;
    std::string prompt;
    // Size of the result buffer: at most capacity - 1 characters are returned.
    std::size_t capacity = 512;
    bool password_mode = false;       // input masked
    bool numbers_only = false;        // digits only
    bool prefill = false;             // the input starts with `initial_text`
    bool dont_ask_again_box = false;  // show the "&Don't ask again" check box
    std::string initial_text;
};

struct TextPromptResult {
    // False when the user pressed "&Cancel". A successful prompt never returns
    // an empty text: "&Submit" refuses it with "Enter text (or Cancel)".
    bool submitted = false;
    std::string text;
    bool dont_ask_again = false;
};

// Cuts a prompt's answer to what the caller's buffer holds: at most
// capacity - 1 characters of the UTF-8 answer, never splitting one.
inline void CutPromptAnswer(std::string& answer, std::size_t capacity) {
    answer.resize(CharacterPrefix(answer, capacity > 0 ? capacity - 1 : 0).size());
}

// The text "&Submit" shows for an empty input (exclamation icon, no caption).
inline constexpr std::string_view kEmptyPromptRefusal = "Enter text (or Cancel)";

// The status lines that workers write into.
enum class StatusLine {
    Account,        // the options window's account tab
    Inbox,          // the inbox window's status line
    InboxProgress,  // the inbox window's progress text
    Composer,       // the composer's SMTP tab
    Mailman,        // the poller's window
};

class FrontendServices {
public:
    virtual ~FrontendServices() = default;

    virtual BoxAnswer ShowMessageBox(const MessageBoxRequest& request) = 0;
    virtual TextPromptResult TextPrompt(const TextPromptRequest& request) = 0;

    // Replaces the text of a status line. Does not wait for the window.
    virtual void ShowStatus(StatusLine line, std::string_view text) = 0;

    // The "SSL Information" dialog; waits for the user's decision.
    virtual CertificateDecision ShowCertificate(const CertificateView& view) = 0;

    // The inbox lost its connection: the window tells the user ("Lost
    // connection", with the result's text) and closes. Waits until the window
    // has handled it.
    virtual void NotifyLostConnection(NetResult result) = 0;

    // A send has ended: the message was accepted, or it failed (the failure
    // was already shown).
    virtual void ReportSendResult(bool sent) { static_cast<void>(sent); }

    // A modal window titled `title` that shows a long text read-only in a
    // multi-line field, with an OK button (a helper program's messages).
    // Waits until it is closed. Without a window of its own the text is shown
    // in a plain box with the title as caption.
    virtual void ShowTextOutput(std::string_view title, std::string_view text) {
        ShowMessage(text, title, BoxIcon::None);
    }

    // Shorthand for the common call.
    BoxAnswer ShowMessage(std::string_view text, std::string_view caption, BoxIcon icon,
                          BoxButtons buttons = BoxButtons::Ok) {
        return ShowMessageBox(
            MessageBoxRequest{std::string(text), std::string(caption), icon, buttons});
    }
};

}  // namespace tarvox
