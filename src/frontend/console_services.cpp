#include "frontend/console_services.h"

#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "codec/latin1.h"
#include "codec/utf8.h"

namespace tarvox {

namespace {

constexpr std::string_view kDigitsOnlyRefusal = "You can only type a number here.";
constexpr std::string_view kYesNoRefusal = "Please answer y or n.";

std::string_view IconWord(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Error:
            return "Error";
        case BoxIcon::Warning:
            return "Warning";
        case BoxIcon::Question:
            return "Question";
        case BoxIcon::Information:
            return "Information";
        case BoxIcon::None:
            break;
    }
    return {};
}

// The caption line and the text of a box, each ending in a line end.
std::string BoxBlock(std::string_view text, std::string_view caption, BoxIcon icon) {
    std::string block;
    const std::string_view icon_word = IconWord(icon);
    if (!caption.empty() || !icon_word.empty()) {
        block += caption;
        if (!caption.empty() && !icon_word.empty()) {
            block += " - ";
        }
        block += icon_word;
        block += '\n';
    }
    block += text;
    if (block.empty() || block.back() != '\n') {
        block += '\n';
    }
    return block;
}

bool IsAllDigits(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return lower;
}

std::string TrimBlanks(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return std::string(text.substr(first, last - first + 1));
}

// Switches the terminal echo off for its lifetime (keeping the echo of the line end, so the
// output goes on on a fresh line) and puts the old settings back however the read ends.
class EchoOff {
public:
    explicit EchoOff(int fd) : m_fd(fd) {
        if (tcgetattr(m_fd, &m_saved) != 0) {
            return;
        }
        termios quiet = m_saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        quiet.c_lflag |= ECHONL;
        m_active = tcsetattr(m_fd, TCSANOW, &quiet) == 0;
    }
    ~EchoOff() {
        if (m_active) {
            tcsetattr(m_fd, TCSANOW, &m_saved);
        }
    }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    int m_fd;
    termios m_saved{};
    bool m_active = false;
};

}  // namespace

ConsoleServices::ConsoleServices() : ConsoleServices(stdin, stderr, isatty(fileno(stdin)) == 1) {}

ConsoleServices::ConsoleServices(std::FILE* in, std::FILE* out, bool input_is_terminal)
    : m_in(in), m_out(out), m_input_is_terminal(input_is_terminal) {}

void ConsoleServices::Write(std::string_view text) {
    // Boxes and statuses carry servers' replies and messages' text.
    const std::string utf8 = Utf8ToTerminal(text);
    std::fwrite(utf8.data(), 1, utf8.size(), m_out);
    std::fflush(m_out);
}

std::optional<std::string> ConsoleServices::ReadLine(bool hide_echo) {
    std::optional<EchoOff> echo_off;
    if (hide_echo && m_input_is_terminal) {
        echo_off.emplace(fileno(m_in));
    }
    // A Ctrl-D on a terminal ends only the current answer, not all later ones.
    std::clearerr(m_in);
    std::string raw;
    bool got_any = false;
    for (int c = std::fgetc(m_in); c != EOF; c = std::fgetc(m_in)) {
        got_any = true;
        if (c == '\n') {
            break;
        }
        raw += static_cast<char>(c);
    }
    if (!got_any) {
        return std::nullopt;
    }
    if (!raw.empty() && raw.back() == '\r') {
        raw.pop_back();
    }
    return ValidUtf8(raw);
}

bool ConsoleServices::AskYesNo(std::string_view preamble, std::string_view question,
                               YesNoDefault default_answer) {
    Write(std::string(preamble) + std::string(question));
    for (;;) {
        const std::optional<std::string> line = ReadLine(false);
        if (!line) {
            Write("\n");
            return false;
        }
        const std::string answer = AsciiLower(TrimBlanks(*line));
        if (answer == "y" || answer == "yes") {
            return true;
        }
        if (answer == "n" || answer == "no") {
            return false;
        }
        if (answer.empty() && default_answer == YesNoDefault::No) {
            return false;
        }
        std::string again(kYesNoRefusal);
        again += '\n';
        again += question;
        Write(again);
    }
}

BoxAnswer ConsoleServices::ShowMessageBox(const MessageBoxRequest& request) {
    std::lock_guard lock(m_mutex);
    const std::string block = BoxBlock(request.text, request.caption, request.icon);
    switch (request.buttons) {
        case BoxButtons::Ok:
            Write(block);
            return BoxAnswer::Ok;
        case BoxButtons::YesNo:
        case BoxButtons::YesNoDefaultNo:
            break;
    }
    const bool default_no = request.buttons == BoxButtons::YesNoDefaultNo;
    const bool yes = AskYesNo(block, default_no ? "[y/N] " : "[y/n] ",
                              default_no ? YesNoDefault::No : YesNoDefault::None);
    return yes ? BoxAnswer::Yes : BoxAnswer::No;
}

TextPromptResult ConsoleServices::TextPrompt(const TextPromptRequest& request) {
    std::lock_guard lock(m_mutex);
    const bool has_initial = request.prefill && !request.initial_text.empty();

    std::string marker;
    if (has_initial) {
        marker += '[';
        if (request.password_mode) {
            // One asterisk a character (Utf8ToLatin1 gives one byte for each).
            marker.append(Utf8ToLatin1(request.initial_text).size(), '*');
        } else {
            marker += request.initial_text;
        }
        marker += "] ";
    }
    marker += "> ";

    std::string header;
    if (!request.title.empty()) {
        header += request.title;
        header += '\n';
    }
    if (!request.prompt.empty()) {
        header += request.prompt;
        header += '\n';
    }
    if (m_input_is_terminal) {
        header += "(Ctrl-D cancels)\n";
    }
    Write(header + marker);

    TextPromptResult result;
    for (;;) {
        std::optional<std::string> line = ReadLine(request.password_mode);
        if (!line) {
            Write("\n");
            return TextPromptResult{};
        }
        std::string_view refusal;
        if (line->empty()) {
            if (has_initial) {
                result.text = request.initial_text;
                break;
            }
            refusal = kEmptyPromptRefusal;
        } else if (request.numbers_only && !IsAllDigits(*line)) {
            refusal = kDigitsOnlyRefusal;
        } else {
            result.text = std::move(*line);
            break;
        }
        Write(BoxBlock(refusal, "", BoxIcon::Warning) + marker);
    }

    CutPromptAnswer(result.text, request.capacity);
    result.submitted = true;
    if (request.dont_ask_again_box) {
        result.dont_ask_again = AskYesNo("", "Don't ask again? [y/N] ", YesNoDefault::No);
    }
    return result;
}

void ConsoleServices::ShowStatus(StatusLine, std::string_view text) {
    std::lock_guard lock(m_mutex);
    Write(std::string(text) + "\n");
}

CertificateDecision ConsoleServices::ShowCertificate(const CertificateView& view) {
    std::lock_guard lock(m_mutex);
    std::string block = "SSL Information\n";
    block += "Network host name: " + view.network_host_name + "\n";
    block += "Certificate host name: " + view.certificate_host_name + "\n";
    block += "SHA1 fingerprint: " + view.fingerprint + "\n";
    block += "Valid from " + view.valid_from + " to " + view.valid_to + "\n";
    block += "Trust evaluation: " + view.trust_evaluation + "\n";
    block += "WARNING(s): " + view.warnings + "\n";
    block += "The certificate was not accepted: a terminal cannot approve it.\n";
    Write(block);
    return CertificateDecision::Deny;
}

void ConsoleServices::NotifyLostConnection(NetResult result) {
    std::lock_guard lock(m_mutex);
    Write("Lost connection\n" + std::string(NetResultText(result)) + "\n");
}

}  // namespace tarvox
