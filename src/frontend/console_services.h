// The front-end services of the command-line programs: message boxes and text
// prompts on a terminal (or on whatever streams the caller hands in).
//
// Output format, written to the output stream:
//
//   Message box, as one block:   [caption - ]Icon      (line left out when both are empty)
//                                text
//                                [y/n]                 (Yes/No boxes; [y/N] for YesNoDefaultNo)
//
//   Text prompt:                 title                 (each line left out when empty)
//                                prompt
//                                (Ctrl-D cancels)      (only when the input is a terminal)
//                                > |[initial] >        (the input marker)
//
// Answers are read line by line from the input stream:
//   - Yes/No boxes take y, yes, n or no in any case. End of input answers No. An empty line
//     answers No in a YesNoDefaultNo box and asks again in a YesNo box. Ok boxes read nothing.
//   - Text prompts: end of input cancels. An empty line is refused with the warning
//     "Enter text (or Cancel)" and the marker is shown again, as the dialog's Submit button
//     does; with prefill and a non-empty initial text an empty line takes the initial text
//     instead (the console cannot put editable text on the input line). Numbers-only
//     prompts refuse any line holding a non-digit. The answer is cut to capacity - 1
//     characters. In password mode the terminal stops echoing while the line is typed
//     (restored afterwards, whatever happens) and an initial text is shown as asterisks.
//     A prompt with the "Don't ask again" box asks "Don't ask again? [y/N]" after a
//     submitted answer.
//
// The program keeps text in UTF-8, as the terminal does. Everything written has CR LF
// as LF and other control characters made visible (Utf8ToTerminal); everything read
// has its ill-formed bytes replaced by U+FFFD (ValidUtf8).
//
// Calls from several threads are served one dialog at a time.
#pragma once

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "frontend/services.h"

namespace tarvox {

class ConsoleServices : public FrontendServices {
public:
    // Standard input and standard error; standard input counts as a terminal when it is one.
    ConsoleServices();
    // `in` and `out` stay owned by the caller. `input_is_terminal` allows the echo to be
    // switched off for passwords (with termios on `in`) and shows the cancel hint.
    ConsoleServices(std::FILE* in, std::FILE* out, bool input_is_terminal);

    BoxAnswer ShowMessageBox(const MessageBoxRequest& request) override;
    TextPromptResult TextPrompt(const TextPromptRequest& request) override;
    // Each status text becomes one line of output.
    void ShowStatus(StatusLine line, std::string_view text) override;
    // A terminal cannot approve a certificate: its details are written out and
    // it is denied, so only a fingerprint already on record lets TLS through.
    CertificateDecision ShowCertificate(const CertificateView& view) override;
    void NotifyLostConnection(NetResult result) override;

private:
    enum class YesNoDefault { None, No };

    void Write(std::string_view text);
    // One line of input as well-formed UTF-8, without its line end; nothing at the end
    // of input.
    std::optional<std::string> ReadLine(bool hide_echo);
    // Writes `preamble` and `question` as one block, then asks the question again until it
    // gets an answer; end of input answers false.
    bool AskYesNo(std::string_view preamble, std::string_view question,
                  YesNoDefault default_answer);

    std::FILE* m_in;
    std::FILE* m_out;
    bool m_input_is_terminal;
    std::mutex m_mutex;
};

}  // namespace tarvox
