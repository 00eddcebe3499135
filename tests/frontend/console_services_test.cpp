#include "frontend/console_services.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
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

TextPromptRequest Numbers(TextPromptRequest request) {
    request.numbers_only = true;
    return request;
}

TextPromptRequest Password(TextPromptRequest request) {
    request.password_mode = true;
    return request;
}

TextPromptRequest Capacity(TextPromptRequest request, std::size_t capacity) {
    request.capacity = capacity;
    return request;
}

TextPromptRequest Prefill(TextPromptRequest request, std::string initial) {
    request.prefill = true;
    request.initial_text = std::move(initial);
    return request;
}

TextPromptRequest WithDontAskBox(TextPromptRequest request) {
    request.dont_ask_again_box = true;
    return request;
}

const TextPromptResult kCancel{false, "", false};

TextPromptResult Submitted(std::string text, bool dont_ask_again = false) {
    return TextPromptResult{true, std::move(text), dont_ask_again};
}

struct PromptCase {
    const char* name;
    TextPromptRequest request;
    std::string input;
    bool input_is_terminal;
    TextPromptResult expected;
    std::string expected_output;
};

const std::string kLogin = "Login\nUser name:\n";
const std::string kEmptyRefused = "Warning\nEnter text (or Cancel)\n";
const std::string kDigitsRefused = "Warning\nYou can only type a number here.\n";
const std::string kDontAsk = "Don't ask again? [y/N] ";

void PrintTo(const PromptCase& c, std::ostream* os) {
    *os << c.name;
}

class PromptTranscript : public testing::TestWithParam<PromptCase> {};

TEST_P(PromptTranscript, ReadsAndWritesAsExpected) {
    const PromptCase& c = GetParam();
    Console console(c.input);
    ConsoleServices services(console.in(), console.out(), c.input_is_terminal);

    const TextPromptResult result = services.TextPrompt(c.request);

    EXPECT_EQ(result.submitted, c.expected.submitted);
    EXPECT_EQ(result.text, c.expected.text);
    EXPECT_EQ(result.dont_ask_again, c.expected.dont_ask_again);
    EXPECT_EQ(console.Output(), c.expected_output);
}

const TextPromptRequest kUser = Prompt("Login", "User name:");

INSTANTIATE_TEST_SUITE_P(
    ConsoleServices, PromptTranscript,
    testing::Values(
        PromptCase{"OneLine", kUser, "alice\n", false, Submitted("alice"), kLogin + "> "},
        PromptCase{"LastLineWithoutLineEnd", kUser, "alice", false, Submitted("alice"),
                   kLogin + "> "},
        PromptCase{"CarriageReturnDropped", kUser, "alice\r\n", false, Submitted("alice"),
                   kLogin + "> "},
        PromptCase{"OnlyTheFirstLineIsTaken", kUser, "alice\nbob\n", false, Submitted("alice"),
                   kLogin + "> "},
        PromptCase{"BlanksAreText", kUser, "  \n", false, Submitted("  "), kLogin + "> "},
        PromptCase{"NoTitleNoPrompt", Prompt("", ""), "x\n", false, Submitted("x"), "> "},
        PromptCase{"EmptyLineRefusedThenAnswered", kUser, "\n\nbob\n", false, Submitted("bob"),
                   kLogin + "> " + kEmptyRefused + "> " + kEmptyRefused + "> "},
        PromptCase{"EndOfInputCancels", kUser, "", false, kCancel, kLogin + "> \n"},
        PromptCase{"EndOfInputAfterRefusalCancels", kUser, "\n", false, kCancel,
                   kLogin + "> " + kEmptyRefused + "> \n"},
        PromptCase{"NumbersOnlyTakesDigits", Numbers(kUser), "0110\n", false, Submitted("0110"),
                   kLogin + "> "},
        PromptCase{
            "NumbersOnlyRefusesOtherCharacters", Numbers(kUser), "11a\n 110\n-1\n110\n", false,
            Submitted("110"),
            kLogin + "> " + kDigitsRefused + "> " + kDigitsRefused + "> " + kDigitsRefused + "> "},
        PromptCase{"NumbersOnlyRefusesEmptyAsEmpty", Numbers(kUser), "\n7\n", false, Submitted("7"),
                   kLogin + "> " + kEmptyRefused + "> "},
        PromptCase{"CutToCapacityLessOne", Capacity(kUser, 4), "abcdef\n", false, Submitted("abc"),
                   kLogin + "> "},
        PromptCase{"ExactlyCapacityLessOneKept", Capacity(kUser, 4), "abc\n", false,
                   Submitted("abc"), kLogin + "> "},
        PromptCase{"CapacityCountsLatin1Characters", Capacity(kUser, 3),
                   "\xC3\xA4\xC3\xB6\xC3\xBC\n", false, Submitted("\xE4\xF6"), kLogin + "> "},
        PromptCase{"PrefillShownAndTakenOnEmptyLine", Prefill(kUser, "pop.example.org"), "\n",
                   false, Submitted("pop.example.org"), kLogin + "[pop.example.org] > "},
        PromptCase{"PrefillReplacedByInput", Prefill(kUser, "pop.example.org"),
                   "mail.example.org\n", false, Submitted("mail.example.org"),
                   kLogin + "[pop.example.org] > "},
        PromptCase{"PrefillCutToCapacity", Capacity(Prefill(kUser, "abcdef"), 4), "\n", false,
                   Submitted("abc"), kLogin + "[abcdef] > "},
        PromptCase{"EmptyPrefillRefusesEmptyLine", Prefill(kUser, ""), "\nx\n", false,
                   Submitted("x"), kLogin + "> " + kEmptyRefused + "> "},
        PromptCase{"PrefillEndOfInputStillCancels", Prefill(kUser, "abc"), "", false, kCancel,
                   kLogin + "[abc] > \n"},
        PromptCase{"PasswordPrefillShownMasked", Password(Prefill(kUser, "p\xE4ss")), "\n", false,
                   Submitted("p\xE4ss"), kLogin + "[****] > "},
        PromptCase{"Latin1WrittenAsUtf8",
                   Prompt("Adressbuch f\xFCr Gr\xFC\xDF"
                          "e",
                          "\xA7 1:"),
                   "x\n", false, Submitted("x"),
                   "Adressbuch f\xC3\xBCr Gr\xC3\xBC\xC3\x9F"
                   "e\n\xC2\xA7 1:\n> "},
        PromptCase{"Utf8ReadAsLatin1", kUser, "M\xC3\xBCller\n", false, Submitted("M\xFCller"),
                   kLogin + "> "},
        PromptCase{"Latin1PrefillWrittenAsUtf8", Prefill(kUser, "J\xF6rg"), "\n", false,
                   Submitted("J\xF6rg"), kLogin + "[J\xC3\xB6rg] > "},
        PromptCase{"DontAskAgainYes", WithDontAskBox(kUser), "alice\ny\n", false,
                   Submitted("alice", true), kLogin + "> " + kDontAsk},
        PromptCase{"DontAskAgainDefaultsToNo", WithDontAskBox(kUser), "alice\n\n", false,
                   Submitted("alice", false), kLogin + "> " + kDontAsk},
        PromptCase{"DontAskAgainEndOfInputIsNo", WithDontAskBox(kUser), "alice\n", false,
                   Submitted("alice", false), kLogin + "> " + kDontAsk + "\n"},
        PromptCase{"DontAskAgainAsksAgainOnNonsense", WithDontAskBox(kUser), "alice\nmaybe\nYES\n",
                   false, Submitted("alice", true),
                   kLogin + "> " + kDontAsk + "Please answer y or n.\n" + kDontAsk},
        PromptCase{"CancelAsksNoDontAskAgain", WithDontAskBox(kUser), "", false, kCancel,
                   kLogin + "> \n"},
        PromptCase{"TerminalShowsHowToCancel", kUser, "alice\n", true, Submitted("alice"),
                   kLogin + "(Ctrl-D cancels)\n> "}),
    [](const testing::TestParamInfo<PromptCase>& info) { return std::string(info.param.name); });

struct BoxCase {
    const char* name;
    MessageBoxRequest request;
    std::string input;
    BoxAnswer expected;
    std::string expected_output;
    std::string expected_unread;
};

void PrintTo(const BoxCase& c, std::ostream* os) {
    *os << c.name;
}

class BoxTranscript : public testing::TestWithParam<BoxCase> {};

TEST_P(BoxTranscript, ReadsAndWritesAsExpected) {
    const BoxCase& c = GetParam();
    Console console(c.input);
    ConsoleServices services(console.in(), console.out(), false);

    EXPECT_EQ(services.ShowMessageBox(c.request), c.expected);
    EXPECT_EQ(console.Output(), c.expected_output);
    EXPECT_EQ(console.Unread(), c.expected_unread);
}

MessageBoxRequest Box(std::string text, std::string caption, BoxIcon icon,
                      BoxButtons buttons = BoxButtons::Ok) {
    return MessageBoxRequest{std::move(text), std::move(caption), icon, buttons};
}

const MessageBoxRequest kDelete =
    Box("Delete 3 messages?", "Tarvox", BoxIcon::Question, BoxButtons::YesNo);
const MessageBoxRequest kDeleteDefaultNo =
    Box("Delete 3 messages?", "Tarvox", BoxIcon::Question, BoxButtons::YesNoDefaultNo);
const std::string kDeleteBlock = "Tarvox - Question\nDelete 3 messages?\n";
const std::string kAgain = "Please answer y or n.\n";

INSTANTIATE_TEST_SUITE_P(
    ConsoleServices, BoxTranscript,
    testing::Values(
        BoxCase{"OkBoxReadsNothing", Box("Could not connect", "Tarvox", BoxIcon::Error), "y\n",
                BoxAnswer::Ok, "Tarvox - Error\nCould not connect\n", "y\n"},
        BoxCase{"OkBoxWithoutInput", Box("Saved", "", BoxIcon::Information), "", BoxAnswer::Ok,
                "Information\nSaved\n", ""},
        BoxCase{"WarningWord", Box("Disk full", "", BoxIcon::Warning), "", BoxAnswer::Ok,
                "Warning\nDisk full\n", ""},
        BoxCase{"NoIconNoCaption", Box("Just text", "", BoxIcon::None), "", BoxAnswer::Ok,
                "Just text\n", ""},
        BoxCase{"CaptionWithoutIcon", Box("Just text", "Cap", BoxIcon::None), "", BoxAnswer::Ok,
                "Cap\nJust text\n", ""},
        BoxCase{"TextEndingInLineEndNotDoubled", Box("Two\nlines\n", "", BoxIcon::None), "",
                BoxAnswer::Ok, "Two\nlines\n", ""},
        BoxCase{"Latin1WrittenAsUtf8",
                Box("L\xF6schen",
                    "\xDC"
                    "bersicht",
                    BoxIcon::Error),
                "", BoxAnswer::Ok,
                "\xC3\x9C"
                "bersicht - Error\nL\xC3\xB6schen\n",
                ""},
        BoxCase{"ServerTextCannotDriveTheTerminal",
                Box("returned:\n\n554 \x1b[2Jno\rway\r\n", "", BoxIcon::Error), "", BoxAnswer::Ok,
                "Error\nreturned:\n\n554 ^[[2Jno^Mway\n", ""},
        BoxCase{"Yes", kDelete, "y\nnext\n", BoxAnswer::Yes, kDeleteBlock + "[y/n] ", "next\n"},
        BoxCase{"YesWord", kDelete, "Yes\n", BoxAnswer::Yes, kDeleteBlock + "[y/n] ", ""},
        BoxCase{"NoWithBlanks", kDelete, " N \n", BoxAnswer::No, kDeleteBlock + "[y/n] ", ""},
        BoxCase{"YesNoEmptyLineAsksAgain", kDelete, "\nmaybe\ny\n", BoxAnswer::Yes,
                kDeleteBlock + "[y/n] " + kAgain + "[y/n] " + kAgain + "[y/n] ", ""},
        BoxCase{"YesNoEndOfInputIsNo", kDelete, "", BoxAnswer::No, kDeleteBlock + "[y/n] \n", ""},
        BoxCase{"DefaultNoEmptyLineIsNo", kDeleteDefaultNo, "\nrest\n", BoxAnswer::No,
                kDeleteBlock + "[y/N] ", "rest\n"},
        BoxCase{"DefaultNoYes", kDeleteDefaultNo, "y\n", BoxAnswer::Yes, kDeleteBlock + "[y/N] ",
                ""},
        BoxCase{"DefaultNoNonsenseAsksAgain", kDeleteDefaultNo, "x\nyes\n", BoxAnswer::Yes,
                kDeleteBlock + "[y/N] " + kAgain + "[y/N] ", ""},
        BoxCase{"DefaultNoEndOfInputIsNo", kDeleteDefaultNo, "", BoxAnswer::No,
                kDeleteBlock + "[y/N] \n", ""}),
    [](const testing::TestParamInfo<BoxCase>& info) { return std::string(info.param.name); });

TEST(ConsoleServices, DialogsInTurnShareTheInput) {
    Console console("\n0042\nyes\n");
    ConsoleServices services(console.in(), console.out(), false);

    EXPECT_EQ(services.ShowMessage("Port?", "", BoxIcon::None), BoxAnswer::Ok);
    const TextPromptResult port = services.TextPrompt(Numbers(Prompt("", "Port:")));
    EXPECT_EQ(port.text, "0042");
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

    // Without password mode the typed line is echoed: the check below can see an echo.
    TextPromptResult user;
    std::thread reader([&] { user = services.TextPrompt(Prompt("", "User:")); });
    terminal.Type("alice\n");
    reader.join();
    EXPECT_EQ(user.text, "alice");
    EXPECT_NE(terminal.ScreenLine().find("alice"), std::string::npos);

    TextPromptResult password;
    reader = std::thread([&] { password = services.TextPrompt(Password(Prompt("", "Pass:"))); });
    // On failure go on typing, so the reader thread ends and can be joined.
    EXPECT_TRUE(terminal.WaitForEcho(false)) << "the echo was not switched off";
    terminal.Type("s3cret\n");
    reader.join();
    EXPECT_TRUE(password.submitted);
    EXPECT_EQ(password.text, "s3cret");
    const std::string shown = terminal.ScreenLine();
    EXPECT_EQ(shown.find("s3cret"), std::string::npos) << shown;
    EXPECT_NE(shown.find('\n'), std::string::npos) << "the line end is still echoed";
    EXPECT_EQ(terminal.LocalFlags(), flags_before);
}

TEST(ConsoleServicesTerminal, EchoComesBackWhenPasswordPromptIsCancelled) {
    PseudoTerminal terminal;
    if (!terminal.ok()) {
        GTEST_SKIP() << "no pseudo terminal available";
    }
    Console output("");
    ConsoleServices services(terminal.slave(), output.out(), true);
    const tcflag_t flags_before = terminal.LocalFlags();

    TextPromptResult password;
    std::thread reader([&] { password = services.TextPrompt(Password(Prompt("", "Pass:"))); });
    EXPECT_TRUE(terminal.WaitForEcho(false)) << "the echo was not switched off";
    terminal.Type("\x04");  // Ctrl-D: end of input
    reader.join();
    EXPECT_FALSE(password.submitted);
    EXPECT_EQ(terminal.LocalFlags(), flags_before);

    // Ctrl-D ended that answer only: the next prompt reads the terminal again.
    TextPromptResult next;
    reader = std::thread([&] { next = services.TextPrompt(Prompt("", "User:")); });
    terminal.Type("bob\n");
    reader.join();
    EXPECT_TRUE(next.submitted);
    EXPECT_EQ(next.text, "bob");
}

}  // namespace
}  // namespace tarvox
