#include "frontend/console_services.h"

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <variant>

namespace tarvox {
namespace {

// Input from a temporary file holding `input`; output into a memory stream.
struct Console {
    explicit Console(const std::string& input) {
        std::fwrite(input.data(), 1, input.size(), in);
        std::rewind(in);
    }
    ~Console() {
        std::fclose(in);
        std::fclose(out);
        std::free(out_data);
    }
    std::string Output() {
        std::fflush(out);
        return std::string(out_data, out_size);
    }
    // What the services left unread.
    std::string Unread() {
        std::string rest(4096, '\0');
        rest.resize(std::fread(rest.data(), 1, rest.size(), in));
        return rest;
    }

    char* out_data = nullptr;
    std::size_t out_size = 0;
    std::FILE* in = std::tmpfile();
    std::FILE* out = open_memstream(&out_data, &out_size);
};

// Login prompt variants: numbers only, password, the "don't ask again" box; prefill, capacity.
TextPromptRequest Variant(char kind, std::optional<std::string> prefill = {},
                          std::size_t capacity = TextPromptRequest{}.capacity) {
    return {.title = "Login", .prompt = "User name:", .capacity = capacity, .password_mode = kind == 'p',
            .numbers_only = kind == 'n', .prefill = prefill.has_value(), .dont_ask_again_box = kind == 'd',
            .initial_text = prefill.value_or("")};
}

const std::string kEmptyRefused = "Warning\nEnter text (or Cancel)\n";

// A prompt's text ("+" for "don't ask again") or "(cancel)", or a box's button as a word.
std::string Answer(ConsoleServices& services, const std::variant<TextPromptRequest, MessageBoxRequest>& request) {
    if (const TextPromptRequest* prompt = std::get_if<TextPromptRequest>(&request)) {
        const TextPromptResult result = services.TextPrompt(*prompt);
        return result.submitted ? result.text + (result.dont_ask_again ? "+" : "") : "(cancel)";
    }
    switch (services.ShowMessageBox(std::get<MessageBoxRequest>(request))) {
        case BoxAnswer::Ok: return "ok";
        case BoxAnswer::Yes: return "yes";
        case BoxAnswer::No: return "no";
        default: return "?";
    }
}

TEST(ConsoleServices, Transcripts) {
    const TextPromptRequest user{.title = "Login", .prompt = "User name:"};
    const std::string login = "Login\nUser name:\n> ";
    const std::string digits = "Warning\nYou can only type a number here.\n> ";
    const std::string dont_ask = "Don't ask again? [y/N] ";
    const auto box = [](std::string text, std::string caption, BoxIcon icon,
                        BoxButtons buttons = BoxButtons::Ok) {
        return MessageBoxRequest{std::move(text), std::move(caption), icon, buttons};
    };
    const MessageBoxRequest yes_no = box("Delete 3 messages?", "Tarvox", BoxIcon::Question, BoxButtons::YesNo);
    const MessageBoxRequest default_no =
        box("Delete 3 messages?", "Tarvox", BoxIcon::Question, BoxButtons::YesNoDefaultNo);
    const std::string block = "Tarvox - Question\nDelete 3 messages?\n";
    const std::string again = "Please answer y or n.\n";
    const struct {
        const char* what;
        std::variant<TextPromptRequest, MessageBoxRequest> request;
        std::string input, answer, output, unread;
    } cases[] = {
        {"one line", user, "alice\nnext\n", "alice", login, "next\n"},
        {"last line without line end", user, "alice", "alice", login, ""},
        {"carriage return dropped", user, "alice\r\n", "alice", login, ""},
        {"blanks are text", user, "  \n", "  ", login, ""},
        {"no title, no prompt", TextPromptRequest{}, "x\n", "x", "> ", ""},
        {"empty line refused, then answered", user, "\n\nbob\n", "bob",
         login + kEmptyRefused + "> " + kEmptyRefused + "> ", ""},
        {"end of input after a refusal cancels", user, "\n", "(cancel)", login + kEmptyRefused + "> \n", ""},
        {"numbers only takes digits alone", Variant('n'), "11a\n 110\n-1\n0110\n", "0110",
         login + digits + digits + digits, ""},
        {"numbers only refuses empty as empty", Variant('n'), "\n7\n", "7", login + kEmptyRefused + "> ", ""},
        {"cut to capacity less one character", Variant(' ', std::nullopt, 3), "äöü\n", "äö", login, ""},
        {"UTF-8 answer, ill-formed bytes as U+FFFD", user, "€ — 日本 \xE9\n", "€ — 日本 \uFFFD", login, ""},
        {"prefill taken on an empty line", Variant(' ', "Jörg"), "\n", "Jörg",
         "Login\nUser name:\n[Jörg] > ", ""},
        {"prefill replaced by input", Variant(' ', "pop.example.org"), "mail.example.org\n",
         "mail.example.org", "Login\nUser name:\n[pop.example.org] > ", ""},
        {"empty prefill refuses an empty line", Variant(' ', ""), "\nx\n", "x",
         login + kEmptyRefused + "> ", ""},
        {"prefill: end of input still cancels", Variant(' ', "abc"), "", "(cancel)",
         "Login\nUser name:\n[abc] > \n", ""},
        {"password prefill shown masked", Variant('p', "päss"), "\n", "päss",
         "Login\nUser name:\n[****] > ", ""},
        {"UTF-8 written and read", TextPromptRequest{.title = "für Grüße", .prompt = "§"}, "Müller\n",
         "Müller", "für Grüße\n§\n> ", ""},
        {"don't ask again: yes", Variant('d'), "alice\ny\n", "alice+", login + dont_ask, ""},
        {"don't ask again defaults to no", Variant('d'), "alice\n\n", "alice", login + dont_ask, ""},
        {"don't ask again: end of input is no", Variant('d'), "alice\n", "alice", login + dont_ask + "\n", ""},
        {"don't ask again asks again on nonsense", Variant('d'), "alice\nmaybe\nYES\n", "alice+",
         login + dont_ask + again + dont_ask, ""},
        {"cancel asks no don't ask again", Variant('d'), "", "(cancel)", login + "\n", ""},
        {"OK box without input", box("Saved", "", BoxIcon::Information), "", "ok", "Information\nSaved\n", ""},
        {"caption without icon", box("Just text", "Cap", BoxIcon::None), "", "ok", "Cap\nJust text\n", ""},
        {"no icon or caption; a line end is not doubled", box("Two\nlines\n", "", BoxIcon::None), "", "ok",
         "Two\nlines\n", ""},
        {"OK box reads nothing", box("Löschen", "Übersicht", BoxIcon::Error), "y\n", "ok",
         "Übersicht - Error\nLöschen\n", "y\n"},
        {"server text cannot drive the terminal", box("returned:\n\n554 \x1b[2Jno\rway\r\n", "", BoxIcon::Warning),
         "", "ok", "Warning\nreturned:\n\n554 ^[[2Jno^Mway\n", ""},
        {"yes", yes_no, "y\nnext\n", "yes", block + "[y/n] ", "next\n"},
        {"no with blanks", yes_no, " N \n", "no", block + "[y/n] ", ""},
        {"yes/no: an empty line asks again", yes_no, "\nmaybe\ny\n", "yes",
         block + "[y/n] " + again + "[y/n] " + again + "[y/n] ", ""},
        {"yes/no: end of input is no", yes_no, "", "no", block + "[y/n] \n", ""},
        {"default no: an empty line is no", default_no, "\nrest\n", "no", block + "[y/N] ", "rest\n"},
        {"default no: nonsense asks again", default_no, "x\nyes\n", "yes", block + "[y/N] " + again + "[y/N] ", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Console console(c.input);
        ConsoleServices services(console.in, console.out, false);
        EXPECT_EQ(Answer(services, c.request), c.answer);
        EXPECT_EQ(console.Output(), c.output);
        EXPECT_EQ(console.Unread(), c.unread);
    }
}

// A pseudo terminal: the services read from the slave side, the test types on the master.
struct PseudoTerminal {
    PseudoTerminal() {
        int slave = -1;
        if (openpty(&master, &slave, nullptr, nullptr, nullptr) == 0) {
            reader = fdopen(slave, "r");
        }
    }
    ~PseudoTerminal() {
        if (reader != nullptr) {
            std::fclose(reader);
        }
        close(master);
    }
    tcflag_t LocalFlags() const {
        termios settings{};
        tcgetattr(fileno(reader), &settings);
        return settings.c_lflag;
    }
    // Waits (boundedly) until the reader has set the echo as `echo_on`.
    bool WaitForEcho(bool echo_on) const {
        for (int i = 0; i < 2000 && ((LocalFlags() & ECHO) != 0) != echo_on; ++i) {
            usleep(5000);
        }
        return ((LocalFlags() & ECHO) != 0) == echo_on;
    }
    // What the terminal showed, up to and including the next line end.
    std::string ScreenLine() const {
        std::string shown;
        char buffer[256];
        pollfd fd{master, POLLIN, 0};
        for (ssize_t n = 0; shown.find('\n') == std::string::npos && poll(&fd, 1, 10000) == 1 &&
                            (n = read(master, buffer, sizeof buffer)) > 0;) {
            shown.append(buffer, static_cast<std::size_t>(n));
        }
        return shown;
    }

    int master = -1;
    std::FILE* reader = nullptr;
};

TEST(ConsoleServicesTerminal, PasswordIsNotEchoedAndEchoComesBack) {
    PseudoTerminal terminal;
    if (terminal.reader == nullptr) {
        GTEST_SKIP() << "no pseudo terminal available";
    }
    Console output("");
    ConsoleServices services(terminal.reader, output.out, true);
    const tcflag_t flags_before = terminal.LocalFlags();
    ASSERT_NE(flags_before & ECHO, 0u);
    const TextPromptRequest password_prompt{.prompt = "Pass:", .password_mode = true};
    const TextPromptRequest user_prompt{.prompt = "User:"};
    TextPromptResult answer;
    const auto answer_with = [&](const TextPromptRequest& request, const std::string& keys) {
        std::thread reader([&] { answer = services.TextPrompt(request); });
        // On failure go on typing, so the reader thread ends and can be joined.
        if (request.password_mode) {
            EXPECT_TRUE(terminal.WaitForEcho(false)) << "the echo was not switched off";
        }
        EXPECT_EQ(write(terminal.master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
        reader.join();
        EXPECT_EQ(terminal.LocalFlags(), flags_before);
    };

    // Without password mode the typed line is echoed: the check below can see an echo.
    answer_with(user_prompt, "alice\n");
    EXPECT_EQ(answer.text, "alice");
    EXPECT_EQ(output.Output(), "User:\n(Ctrl-D cancels)\n> ");  // a terminal shows how to cancel
    EXPECT_NE(terminal.ScreenLine().find("alice"), std::string::npos);

    answer_with(password_prompt, "s3cret\n");
    EXPECT_EQ(answer.text, "s3cret");
    const std::string shown = terminal.ScreenLine();
    EXPECT_EQ(shown.find("s3cret"), std::string::npos) << shown;
    EXPECT_NE(shown.find('\n'), std::string::npos) << "the line end is still echoed";

    answer_with(password_prompt, "\x04");  // Ctrl-D: end of input
    EXPECT_FALSE(answer.submitted);
    // The next prompt reads the terminal again.
    answer_with(user_prompt, "bob\n");
    EXPECT_EQ(answer.text, "bob");
}

TEST(CutPromptAnswer, KeepsCapacityLessOneCharacters) {
    const std::pair<std::size_t, std::string> cases[] = {{0, ""}, {1, ""}, {3, "ä日"}, {4, "ä日😀"}, {9, "ä日😀"}};
    for (const auto& [capacity, cut] : cases) {
        std::string answer = "ä日😀";
        CutPromptAnswer(answer, capacity);
        EXPECT_EQ(answer, cut) << capacity;
    }
}

}  // namespace
}  // namespace tarvox
