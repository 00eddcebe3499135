#include "frontend/console_services.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace tarvox {
namespace {

// Input from a temporary file holding `input`; output into a memory stream.
class Console {
public:
    explicit Console(const std::string& input) {
        m_in = std::tmpfile();
        std::fwrite(input.data(), 1, input.size(), m_in);
        std::rewind(m_in);
        m_out = open_memstream(&m_out_data, &m_out_size);
    }
    ~Console() {
        std::fclose(m_in);
        std::fclose(m_out);
        std::free(m_out_data);
    }
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    std::FILE* in() const { return m_in; }
    std::FILE* out() const { return m_out; }

    std::string Output() {
        std::fflush(m_out);
        return std::string(m_out_data, m_out_size);
    }
    // What the services left unread.
    std::string Unread() {
        std::string rest;
        for (int c = std::fgetc(m_in); c != EOF; c = std::fgetc(m_in)) {
            rest += static_cast<char>(c);
        }
        return rest;
    }

private:
    std::FILE* m_in = nullptr;
    std::FILE* m_out = nullptr;
    char* m_out_data = nullptr;
    std::size_t m_out_size = 0;
};

TextPromptRequest Prompt(std::string title, std::string prompt) {
    TextPromptRequest request;
    request.title = std::move(title);
    request.prompt = std::move(prompt);
    return request;
}

// Prompt variants: numbers only, password, capacity, prefill, the "don't ask again" box.
TextPromptRequest Variant(TextPromptRequest request, char kind, std::string prefill = "",
                          std::size_t capacity = 0) {
    request.numbers_only = kind == 'n';
    request.password_mode = kind == 'p';
    request.dont_ask_again_box = kind == 'd';
    if (capacity != 0) {
        request.capacity = capacity;
    }
    if (kind == 'f' || !prefill.empty()) {
        request.prefill = true;
        request.initial_text = std::move(prefill);
    }
    return request;
}

const std::string kEmptyRefused = "Warning\nEnter text (or Cancel)\n";

TEST(ConsoleServices, PromptTranscripts) {
    const TextPromptRequest user = Prompt("Login", "User name:");
    const std::string login = "Login\nUser name:\n";
    const std::string digits = "Warning\nYou can only type a number here.\n";
    const std::string dont_ask = "Don't ask again? [y/N] ";
    const TextPromptResult cancel{false, "", false};
    const auto ok = [](std::string text, bool dont_ask_again = false) {
        return TextPromptResult{true, std::move(text), dont_ask_again};
    };
    const struct {
        const char* what;
        TextPromptRequest request;
        std::string input;
        bool terminal;
        TextPromptResult expected;
        std::string output;
    } cases[] = {
        {"one line", user, "alice\n", false, ok("alice"), login + "> "},
        {"last line without line end", user, "alice", false, ok("alice"), login + "> "},
        {"carriage return dropped", user, "alice\r\n", false, ok("alice"), login + "> "},
        {"only the first line is taken", user, "alice\nbob\n", false, ok("alice"), login + "> "},
        {"blanks are text", user, "  \n", false, ok("  "), login + "> "},
        {"no title, no prompt", Prompt("", ""), "x\n", false, ok("x"), "> "},
        {"empty line refused, then answered", user, "\n\nbob\n", false, ok("bob"),
         login + "> " + kEmptyRefused + "> " + kEmptyRefused + "> "},
        {"end of input cancels", user, "", false, cancel, login + "> \n"},
        {"end of input after a refusal cancels", user, "\n", false, cancel,
         login + "> " + kEmptyRefused + "> \n"},
        {"numbers only takes digits", Variant(user, 'n'), "0110\n", false, ok("0110"), login + "> "},
        {"numbers only refuses other characters", Variant(user, 'n'), "11a\n 110\n-1\n110\n", false,
         ok("110"), login + "> " + digits + "> " + digits + "> " + digits + "> "},
        {"numbers only refuses empty as empty", Variant(user, 'n'), "\n7\n", false, ok("7"),
         login + "> " + kEmptyRefused + "> "},
        {"cut to capacity less one", Variant(user, ' ', "", 4), "abcdef\n", false, ok("abc"),
         login + "> "},
        {"exactly capacity less one kept", Variant(user, ' ', "", 4), "abc\n", false, ok("abc"),
         login + "> "},
        {"capacity counts ISO-8859-1 characters", Variant(user, ' ', "", 3),
         "\xC3\xA4\xC3\xB6\xC3\xBC\n", false, ok("\xE4\xF6"), login + "> "},
        {"prefill shown and taken on an empty line", Variant(user, 'f', "pop.example.org"), "\n",
         false, ok("pop.example.org"), login + "[pop.example.org] > "},
        {"prefill replaced by input", Variant(user, 'f', "pop.example.org"), "mail.example.org\n",
         false, ok("mail.example.org"), login + "[pop.example.org] > "},
        {"prefill cut to capacity", Variant(user, 'f', "abcdef", 4), "\n", false, ok("abc"),
         login + "[abcdef] > "},
        {"empty prefill refuses an empty line", Variant(user, 'f', ""), "\nx\n", false, ok("x"),
         login + "> " + kEmptyRefused + "> "},
        {"prefill: end of input still cancels", Variant(user, 'f', "abc"), "", false, cancel,
         login + "[abc] > \n"},
        {"password prefill shown masked", Variant(user, 'p', "p\xE4ss"), "\n", false,
         ok("p\xE4ss"), login + "[****] > "},
        {"ISO-8859-1 written as UTF-8", Prompt("f\xFCr Gr\xFC\xDF" "e", "\xA7 1:"), "x\n", false,
         ok("x"), "f\xC3\xBCr Gr\xC3\xBC\xC3\x9F" "e\n\xC2\xA7 1:\n> "},
        {"UTF-8 read as ISO-8859-1", user, "M\xC3\xBCller\n", false, ok("M\xFCller"), login + "> "},
        {"ISO-8859-1 prefill written as UTF-8", Variant(user, 'f', "J\xF6rg"), "\n", false,
         ok("J\xF6rg"), login + "[J\xC3\xB6rg] > "},
        {"don't ask again: yes", Variant(user, 'd'), "alice\ny\n", false, ok("alice", true),
         login + "> " + dont_ask},
        {"don't ask again defaults to no", Variant(user, 'd'), "alice\n\n", false, ok("alice"),
         login + "> " + dont_ask},
        {"don't ask again: end of input is no", Variant(user, 'd'), "alice\n", false, ok("alice"),
         login + "> " + dont_ask + "\n"},
        {"don't ask again asks again on nonsense", Variant(user, 'd'), "alice\nmaybe\nYES\n", false,
         ok("alice", true), login + "> " + dont_ask + "Please answer y or n.\n" + dont_ask},
        {"cancel asks no don't ask again", Variant(user, 'd'), "", false, cancel, login + "> \n"},
        {"a terminal shows how to cancel", user, "alice\n", true, ok("alice"),
         login + "(Ctrl-D cancels)\n> "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Console console(c.input);
        ConsoleServices services(console.in(), console.out(), c.terminal);
        const TextPromptResult result = services.TextPrompt(c.request);
        EXPECT_EQ(result.submitted, c.expected.submitted);
        EXPECT_EQ(result.text, c.expected.text);
        EXPECT_EQ(result.dont_ask_again, c.expected.dont_ask_again);
        EXPECT_EQ(console.Output(), c.output);
    }
}

TEST(ConsoleServices, BoxTranscripts) {
    const auto box = [](std::string text, std::string caption, BoxIcon icon,
                        BoxButtons buttons = BoxButtons::Ok) {
        return MessageBoxRequest{std::move(text), std::move(caption), icon, buttons};
    };
    const MessageBoxRequest yes_no =
        box("Delete 3 messages?", "Tarvox", BoxIcon::Question, BoxButtons::YesNo);
    const MessageBoxRequest default_no =
        box("Delete 3 messages?", "Tarvox", BoxIcon::Question, BoxButtons::YesNoDefaultNo);
    const std::string block = "Tarvox - Question\nDelete 3 messages?\n";
    const std::string again = "Please answer y or n.\n";
    const struct {
        const char* what;
        MessageBoxRequest request;
        std::string input;
        BoxAnswer expected;
        std::string output, unread;
    } cases[] = {
        {"OK box reads nothing", box("Could not connect", "Tarvox", BoxIcon::Error), "y\n",
         BoxAnswer::Ok, "Tarvox - Error\nCould not connect\n", "y\n"},
        {"OK box without input", box("Saved", "", BoxIcon::Information), "", BoxAnswer::Ok,
         "Information\nSaved\n", ""},
        {"warning word", box("Disk full", "", BoxIcon::Warning), "", BoxAnswer::Ok,
         "Warning\nDisk full\n", ""},
        {"no icon, no caption", box("Just text", "", BoxIcon::None), "", BoxAnswer::Ok,
         "Just text\n", ""},
        {"caption without icon", box("Just text", "Cap", BoxIcon::None), "", BoxAnswer::Ok,
         "Cap\nJust text\n", ""},
        {"text ending in a line end is not doubled", box("Two\nlines\n", "", BoxIcon::None), "",
         BoxAnswer::Ok, "Two\nlines\n", ""},
        {"ISO-8859-1 written as UTF-8", box("L\xF6schen", "\xDC" "bersicht", BoxIcon::Error), "",
         BoxAnswer::Ok, "\xC3\x9C" "bersicht - Error\nL\xC3\xB6schen\n", ""},
        {"server text cannot drive the terminal",
         box("returned:\n\n554 \x1b[2Jno\rway\r\n", "", BoxIcon::Error), "", BoxAnswer::Ok,
         "Error\nreturned:\n\n554 ^[[2Jno^Mway\n", ""},
        {"yes", yes_no, "y\nnext\n", BoxAnswer::Yes, block + "[y/n] ", "next\n"},
        {"yes word", yes_no, "Yes\n", BoxAnswer::Yes, block + "[y/n] ", ""},
        {"no with blanks", yes_no, " N \n", BoxAnswer::No, block + "[y/n] ", ""},
        {"yes/no: an empty line asks again", yes_no, "\nmaybe\ny\n", BoxAnswer::Yes,
         block + "[y/n] " + again + "[y/n] " + again + "[y/n] ", ""},
        {"yes/no: end of input is no", yes_no, "", BoxAnswer::No, block + "[y/n] \n", ""},
        {"default no: an empty line is no", default_no, "\nrest\n", BoxAnswer::No,
         block + "[y/N] ", "rest\n"},
        {"default no: yes", default_no, "y\n", BoxAnswer::Yes, block + "[y/N] ", ""},
        {"default no: nonsense asks again", default_no, "x\nyes\n", BoxAnswer::Yes,
         block + "[y/N] " + again + "[y/N] ", ""},
        {"default no: end of input is no", default_no, "", BoxAnswer::No, block + "[y/N] \n", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Console console(c.input);
        ConsoleServices services(console.in(), console.out(), false);
        EXPECT_EQ(services.ShowMessageBox(c.request), c.expected);
        EXPECT_EQ(console.Output(), c.output);
        EXPECT_EQ(console.Unread(), c.unread);
    }
}

TEST(ConsoleServices, DialogsInTurnShareTheInput) {
    Console console("\n0042\nyes\n");
    ConsoleServices services(console.in(), console.out(), false);
    EXPECT_EQ(services.ShowMessage("Port?", "", BoxIcon::None), BoxAnswer::Ok);
    EXPECT_EQ(services.TextPrompt(Variant(Prompt("", "Port:"), 'n')).text, "0042");
    EXPECT_EQ(services.ShowMessage("Sure?", "", BoxIcon::None, BoxButtons::YesNo), BoxAnswer::Yes);
    EXPECT_EQ(console.Output(), "Port?\nPort:\n> " + kEmptyRefused + "> Sure?\n[y/n] ");
}

// A pseudo terminal: the services read from the slave side, the test types on the master.
class PseudoTerminal {
public:
    PseudoTerminal() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
            return;
        }
        const int slave = open(ptsname(m_master), O_RDWR | O_NOCTTY);
        if (slave >= 0) {
            m_slave = fdopen(slave, "r");
        }
    }
    ~PseudoTerminal() {
        if (m_slave != nullptr) {
            std::fclose(m_slave);
        }
        if (m_master >= 0) {
            close(m_master);
        }
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    bool ok() const { return m_slave != nullptr; }
    std::FILE* slave() const { return m_slave; }

    tcflag_t LocalFlags() const {
        termios settings{};
        tcgetattr(fileno(m_slave), &settings);
        return settings.c_lflag;
    }

    // Waits (boundedly) until the reader has set the echo as `echo_on`.
    bool WaitForEcho(bool echo_on) const {
        for (int i = 0; i < 2000; ++i) {
            if (((LocalFlags() & ECHO) != 0) == echo_on) {
                return true;
            }
            usleep(5000);
        }
        return false;
    }

    void Type(const std::string& keys) const {
        EXPECT_EQ(write(m_master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }

    // What the terminal showed, up to and including the next line end.
    std::string ScreenLine() const {
        std::string shown;
        while (shown.find('\n') == std::string::npos) {
            pollfd fd{m_master, POLLIN, 0};
            if (poll(&fd, 1, 10000) != 1) {
                break;
            }
            char buffer[256];
            const ssize_t n = read(m_master, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            shown.append(buffer, static_cast<std::size_t>(n));
        }
        return shown;
    }

private:
    int m_master = -1;
    std::FILE* m_slave = nullptr;
};

TEST(ConsoleServicesTerminal, PasswordIsNotEchoedAndEchoComesBack) {
    PseudoTerminal terminal;
    if (!terminal.ok()) {
        GTEST_SKIP() << "no pseudo terminal available";
    }
    Console output("");
    ConsoleServices services(terminal.slave(), output.out(), true);
    const tcflag_t flags_before = terminal.LocalFlags();
    ASSERT_NE(flags_before & ECHO, 0u);
    const TextPromptRequest password_prompt = Variant(Prompt("", "Pass:"), 'p');
    TextPromptResult answer;
    const auto answer_with = [&](const TextPromptRequest& request, const std::string& keys,
                                 bool hidden) {
        std::thread reader([&] { answer = services.TextPrompt(request); });
        // On failure go on typing, so the reader thread ends and can be joined.
        if (hidden) {
            EXPECT_TRUE(terminal.WaitForEcho(false)) << "the echo was not switched off";
        }
        terminal.Type(keys);
        reader.join();
        EXPECT_EQ(terminal.LocalFlags(), flags_before);
    };

    // Without password mode the typed line is echoed: the check below can see an echo.
    answer_with(Prompt("", "User:"), "alice\n", false);
    EXPECT_EQ(answer.text, "alice");
    EXPECT_NE(terminal.ScreenLine().find("alice"), std::string::npos);

    answer_with(password_prompt, "s3cret\n", true);
    EXPECT_EQ(answer.text, "s3cret");
    const std::string shown = terminal.ScreenLine();
    EXPECT_EQ(shown.find("s3cret"), std::string::npos) << shown;
    EXPECT_NE(shown.find('\n'), std::string::npos) << "the line end is still echoed";

    answer_with(password_prompt, "\x04", true);  // Ctrl-D: end of input
    EXPECT_FALSE(answer.submitted);
    // Ctrl-D ended that answer only: the next prompt reads the terminal again.
    answer_with(Prompt("", "User:"), "bob\n", false);
    EXPECT_EQ(answer.text, "bob");
}

}  // namespace
}  // namespace tarvox
