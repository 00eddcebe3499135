// The composer's GnuPG functions: the argument vectors, the replies through
// the services, and round trips through Debian's real GnuPG with keys made
// for the test in a throw-away home folder.
#include "compose/gpg_function.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>
#include <tuple>

#include "compose/piped_process.h"
#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

using Arguments = std::vector<std::string>;

GpgRequest Request(int function, std::string to, std::string cc = "", std::string bcc = "",
                   bool self = false, std::string own = "me@home.example") {
    GpgRequest request;
    request.gpg_path = "/opt/gnupg/bin/gpg";
    request.function_index = function;
    request.to = std::move(to);
    request.cc = std::move(cc);
    request.bcc = std::move(bcc);
    request.encrypt_to_self = self;
    request.own_address = std::move(own);
    return request;
}

TEST(GpgArguments, OptionsAndRecipientsPerFunction) {
    struct Case {
        GpgRequest request;
        Arguments expected;
    };
    const std::string gpg = "/opt/gnupg/bin/gpg";
    const Case cases[] = {
        // Two To addresses and encrypt-to-self: the own address comes last.
        {Request(0, "Ann <ann@a.example>, bob@b.example", "", "", true),
         {gpg, "-ae", "-r", "ann@a.example", "-r", "bob@b.example", "-r", "me@home.example"}},
        // Without encrypt-to-self the own address is left out.
        {Request(0, "ann@a.example", "", "", false), {gpg, "-ae", "-r", "ann@a.example"}},
        // To, then Cc, then Bcc.
        {Request(2, "to@x.example", "\"Last, First\" <cc@x.example>", "bcc@x.example (Hidden)", true),
         {gpg, "-ase", "-r", "to@x.example", "-r", "cc@x.example", "-r", "bcc@x.example", "-r",
          "me@home.example"}},
        // Sign ignores the recipients; Decrypt passes no options at all.
        {Request(1, "ann@a.example", "c@x.example", "", true), {gpg, "--clearsign"}},
        {Request(3, "ann@a.example", "", "", true), {gpg}},
        // No recipients at all.
        {Request(0, ""), {gpg, "-ae"}},
        // A recipient text that looks like a shell command or an option stays
        // one argument behind its "-r".
        {Request(0, "--output=/tmp/x@y.example"), {gpg, "-ae", "-r", "--output=/tmp/x@y.example"}},
    };
    for (const Case& c : cases) {
        std::optional<Arguments> arguments = GpgArguments(c.request);
        ASSERT_TRUE(arguments) << c.request.to;
        EXPECT_EQ(*arguments, c.expected) << c.request.to;
    }
    for (int bad : {-1, 4, 100}) {
        EXPECT_FALSE(GpgArguments(Request(bad, "ann@a.example"))) << bad;
    }
}

TEST(ApplyGpgFunction, NoFunctionOrNoProgramIsAnErrorBox) {
    TempDir dir;
    GpgRequest no_function = Request(-1, "");
    no_function.gpg_path = "/bin/false";
    GpgRequest no_program = Request(1, "");
    no_program.gpg_path = (dir / "gpg").string();
    no_program.body = "text\r\n";
    // The caption of a missing program is its path.
    const std::tuple<GpgRequest, std::string_view, std::string> cases[] = {
        {no_function, kGpgNoFunctionText, ""},
        {no_program, kGpgCannotRunText, no_program.gpg_path},
    };
    for (const auto& [request, text, caption] : cases) {
        ScriptedServices services;
        EXPECT_FALSE(ApplyGpgFunction(request, services));
        ASSERT_EQ(services.Boxes().size(), 1u);
        EXPECT_EQ(services.Boxes()[0].text, text);
        EXPECT_EQ(services.Boxes()[0].caption, caption);
        EXPECT_EQ(services.Boxes()[0].icon, BoxIcon::Error);
    }
}

// A stand-in program: its outputs and exit code decide what the user sees.
TEST(ApplyGpgFunction, OutputExitCodeAndMessagesReachTheUser) {
    struct Case {
        const char* script;
        std::optional<std::string> body;
        bool warning;
        std::string stderr_text;  // empty: no stderr window
    };
    const Case cases[] = {
        {"printf 'one\\ntwo\\r\\nthree\\n'", "one\r\ntwo\r\nthree\r\n", false, ""},
        // Nothing on standard output: the body stays.
        {"cat >/dev/null; exit 2", std::nullopt, true, ""},
        {"cat >/dev/null; echo 'gpg: note' >&2", std::nullopt, false, "gpg: note\n"},
        {"echo out; echo 'gpg: bad' >&2; exit 1", "out\r\n", true, "gpg: bad\n"},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::filesystem::path program = dir / "fake-gpg";
        WriteWholeFile(program, std::string("#!/bin/sh\n") + c.script + "\n");
        ::chmod(program.c_str(), 0755);
        ScriptedServices services;
        GpgRequest request = Request(3, "");
        request.gpg_path = program.string();
        request.body = "body\r\n";
        EXPECT_EQ(ApplyGpgFunction(request, services), c.body) << c.script;
        std::vector<MessageBoxRequest> expected;
        if (c.warning) {
            expected.push_back({"GPG returned nonzero exit code, warnings follow", "PGP/GPG support",
                                BoxIcon::Warning, BoxButtons::Ok});
        }
        if (!c.stderr_text.empty()) {
            expected.push_back({c.stderr_text, "GPG stderr output", BoxIcon::None, BoxButtons::Ok});
        }
        const std::vector<MessageBoxRequest> boxes = services.Boxes();
        ASSERT_EQ(boxes.size(), expected.size()) << c.script;
        for (std::size_t i = 0; i < boxes.size(); ++i) {
            EXPECT_EQ(boxes[i].text, expected[i].text) << c.script;
            EXPECT_EQ(boxes[i].caption, expected[i].caption) << c.script;
            EXPECT_EQ(boxes[i].icon, expected[i].icon) << c.script;
        }
    }
}

// echo in place of GnuPG prints the argument vector it was given.
TEST(ApplyGpgFunction, RunsTheProgramWithTheArgumentVector) {
    ScriptedServices services;
    GpgRequest request = Request(0, "a@x.example, B <b@y.example>", "", "", true, "Me <me@z.example>");
    request.gpg_path = "/bin/echo";
    EXPECT_EQ(ApplyGpgFunction(request, services),
              "-ae -r a@x.example -r b@y.example -r me@z.example\r\n");
    EXPECT_TRUE(services.Boxes().empty());
}

// Debian's GnuPG, with a home folder made for the suite: three keys without
// passphrase (two correspondents and the sender). GNUPGHOME points there for
// the suite only, so the user's own keys are never touched.
class RealGnupg : public ::testing::Test {
protected:
    static constexpr const char* kGpg = "/usr/bin/gpg";

    static void SetUpTestSuite() {
        s_home = new TempDir();
        if (const char* old = std::getenv("GNUPGHOME")) {
            s_old_home = new std::string(old);
        }
        ::setenv("GNUPGHOME", s_home->path().c_str(), 1);
        WriteWholeFile(*s_home / "gpg.conf", "batch\nno-tty\nauto-key-locate local\n");
        for (const char* user : {"Ann <ann@a.example>", "Bob <bob@b.example>", "Me <me@home.example>"}) {
            std::optional<PipedResult> made =
                RunPiped({kGpg, "--passphrase", "", "--quick-gen-key", user, "future-default", "default",
                          "never"},
                         "");
            s_ready = made && made->exit_code == 0;
            if (!s_ready) {
                s_failure = made ? made->standard_error : "gpg did not start";
                return;
            }
        }
        // Built now, so that its report is not among the messages of a test.
        RunPiped({kGpg, "--check-trustdb"}, "");
    }

    static void TearDownTestSuite() {
        RunPiped({"/usr/bin/gpgconf", "--kill", "all"}, "");
        if (s_old_home != nullptr) {
            ::setenv("GNUPGHOME", s_old_home->c_str(), 1);
        } else {
            ::unsetenv("GNUPGHOME");
        }
        delete s_old_home;
        s_old_home = nullptr;
        delete s_home;
        s_home = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(s_ready) << s_failure; }

    static GpgRequest GpgRequestFor(GpgFunction function, std::string body) {
        GpgRequest request = Request(static_cast<int>(function), "");
        request.gpg_path = kGpg;
        request.body = std::move(body);
        return request;
    }

    static std::size_t Count(std::string_view text, std::string_view piece) {
        std::size_t count = 0;
        for (std::size_t at = text.find(piece); at != std::string_view::npos;
             at = text.find(piece, at + 1)) {
            ++count;
        }
        return count;
    }

    static TempDir* s_home;
    static std::string* s_old_home;
    static bool s_ready;
    static std::string s_failure;
};

TempDir* RealGnupg::s_home = nullptr;
std::string* RealGnupg::s_old_home = nullptr;
bool RealGnupg::s_ready = false;
std::string RealGnupg::s_failure;

const std::string kBody = "Dear Ann,\r\n\r\nthe keys are under the mat.\r\n\xE9t\xE9 \xE0 Paris.\r\n";

TEST_F(RealGnupg, EncryptToTwoRecipientsAndSelfThenDecrypt) {
    ScriptedServices services;
    GpgRequest encrypt = GpgRequestFor(GpgFunction::Encrypt, kBody);
    encrypt.to = "Ann <ann@a.example>";
    encrypt.cc = "bob@b.example";
    encrypt.encrypt_to_self = true;
    encrypt.own_address = "me@home.example";
    std::optional<std::string> armoured = ApplyGpgFunction(encrypt, services);
    ASSERT_TRUE(armoured);
    EXPECT_TRUE(armoured->starts_with("-----BEGIN PGP MESSAGE-----\r\n"));
    EXPECT_EQ(Count(*armoured, "\n"), Count(*armoured, "\r\n"));
    EXPECT_TRUE(services.Boxes().empty());

    // One session key packet per recipient: Ann, Bob and the sender.
    std::optional<PipedResult> packets = RunPiped({kGpg, "--list-packets"}, *armoured);
    ASSERT_TRUE(packets);
    EXPECT_EQ(Count(packets->standard_output, ":pubkey enc packet:"), 3u) << packets->standard_output;

    ScriptedServices decrypt_services;
    std::optional<std::string> plain =
        ApplyGpgFunction(GpgRequestFor(GpgFunction::Decrypt, *armoured), decrypt_services);
    EXPECT_EQ(plain, kBody);
    // GnuPG tells which keys it used on standard error: shown, no warning.
    const std::vector<MessageBoxRequest> boxes = decrypt_services.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, "GPG stderr output");

    // Signed and encrypted: decrypting also checks the signature.
    GpgRequest sign_encrypt = GpgRequestFor(GpgFunction::SignEncrypt, kBody);
    sign_encrypt.to = "bob@b.example";
    armoured = ApplyGpgFunction(sign_encrypt, services);
    ASSERT_TRUE(armoured);
    EXPECT_TRUE(services.Boxes().empty());
    ScriptedServices verify_services;
    EXPECT_EQ(ApplyGpgFunction(GpgRequestFor(GpgFunction::Decrypt, *armoured), verify_services), kBody);
    ASSERT_EQ(verify_services.Boxes().size(), 1u);
    EXPECT_NE(verify_services.Boxes()[0].text.find("Good signature"), std::string::npos);
}

TEST_F(RealGnupg, ClearsignThenVerify) {
    ScriptedServices services;
    std::optional<std::string> signed_text =
        ApplyGpgFunction(GpgRequestFor(GpgFunction::Sign, kBody), services);
    ASSERT_TRUE(signed_text);
    EXPECT_TRUE(signed_text->starts_with("-----BEGIN PGP SIGNED MESSAGE-----\r\n"));
    EXPECT_NE(signed_text->find("the keys are under the mat."), std::string::npos);

    // Decrypt on a signed text verifies it and gives the text back.
    ScriptedServices verify_services;
    std::optional<std::string> verified =
        ApplyGpgFunction(GpgRequestFor(GpgFunction::Decrypt, *signed_text), verify_services);
    EXPECT_EQ(verified, kBody);
    std::vector<MessageBoxRequest> boxes = verify_services.Boxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find("Good signature"), std::string::npos) << boxes[0].text;

    // A changed word breaks the signature: GnuPG exits nonzero and says so.
    std::string tampered = *signed_text;
    tampered.replace(tampered.find("under the mat"), 13, "under the rug");
    ScriptedServices bad_services;
    ApplyGpgFunction(GpgRequestFor(GpgFunction::Decrypt, tampered), bad_services);
    boxes = bad_services.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "GPG returned nonzero exit code, warnings follow");
    EXPECT_NE(boxes[1].text.find("BAD signature"), std::string::npos) << boxes[1].text;
}

// Recipients come from mail and from what the user typed: whatever they hold,
// GnuPG receives them as key names and nothing else runs.
TEST_F(RealGnupg, RecipientTextsNeverRunCommands) {
    TempDir dir;
    const std::string marker = (dir / "ran").string();
    ScriptedServices services;
    GpgRequest request = GpgRequestFor(GpgFunction::Encrypt, kBody);
    request.to = "a@b; touch " + marker + ", $(touch " + marker + ")@x.example, `touch " + marker +
                 "`@y.example";
    EXPECT_FALSE(ApplyGpgFunction(request, services));
    EXPECT_FALSE(std::filesystem::exists(marker));
    const std::vector<MessageBoxRequest> boxes = services.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "GPG returned nonzero exit code, warnings follow");
    EXPECT_NE(boxes[1].text.find("No public key"), std::string::npos) << boxes[1].text;
}

}  // namespace
}  // namespace tarvox
