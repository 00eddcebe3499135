// GnuPG functions: argument vectors, a stand-in program's effects, round trips with real GnuPG.
#include "compose/gpg_function.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <tuple>

#include "compose/piped_process.h"
#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

using Arguments = std::vector<std::string>;

GpgRequest Request(int function, std::string to, std::string cc = "", std::string bcc = "",
                   bool self = false) {
    return {"/opt/gnupg/bin/gpg", function, std::move(to), std::move(cc), std::move(bcc), self,
            "Me <me@home.example>", ""};
}

TEST(GpgArguments, OptionsAndRecipientsPerFunction) {
    const std::string gpg = "/opt/gnupg/bin/gpg";
    const std::pair<GpgRequest, Arguments> cases[] = {
        // Two To addresses and encrypt-to-self: the own address comes last.
        {Request(0, "Ann <ann@a.example>, bob@b.example", "", "", true),
         {gpg, "-ae", "-r", "ann@a.example", "-r", "bob@b.example", "-r", "me@home.example"}},
        // To, then Cc, then Bcc.
        {Request(2, "to@x.example", "\"Last, First\" <cc@x.example>", "bcc@x.example (Hidden)", true),
         {gpg, "-ase", "-r", "to@x.example", "-r", "cc@x.example", "-r", "bcc@x.example", "-r",
          "me@home.example"}},
        // Sign ignores the recipients; Decrypt passes no options at all.
        {Request(1, "ann@a.example", "c@x.example", "", true), {gpg, "--clearsign"}},
        {Request(3, "ann@a.example", "", "", true), {gpg}}, {Request(0, ""), {gpg, "-ae"}},
        // A recipient that looks like an option stays one argument behind its "-r".
        {Request(0, "--output=/tmp/x@y.example"), {gpg, "-ae", "-r", "--output=/tmp/x@y.example"}},
    };
    for (const auto& [request, expected] : cases) {
        EXPECT_EQ(GpgArguments(request), expected) << request.to;
    }
    for (int bad : {-1, 4, 100}) {
        EXPECT_FALSE(GpgArguments(Request(bad, "ann@a.example"))) << bad;
    }
}

// A stand-in program (none: nothing at the path) gets the body; its outputs decide what shows.
TEST(ApplyGpgFunction, OutputExitCodeAndMessagesReachTheUser) {
    using Boxes = std::vector<std::tuple<std::string, std::string, BoxIcon>>;
    const std::string missing = "/nonexistent/tarvox/gpg";
    const std::tuple<std::string, std::string, BoxIcon> warning = {
        std::string(kGpgNonzeroExitText), std::string(kGpgSupportCaption), BoxIcon::Warning};
    const auto stderr_box = [](std::string text) {
        return std::make_tuple(std::move(text), std::string(kGpgStderrTitle), BoxIcon::None);
    };
    const std::tuple<int, const char*, std::optional<std::string>, Boxes> cases[] = {
        {-1, "cat", std::nullopt, {{std::string(kGpgNoFunctionText), "", BoxIcon::Error}}},
        {1, nullptr, std::nullopt, {{std::string(kGpgCannotRunText), missing, BoxIcon::Error}}},
        {3, "printf 'one\\ntwo\\r\\nthree\\n'", "one\r\ntwo\r\nthree\r\n", {}},
        // Nothing on standard output: the body stays.
        {3, "cat >/dev/null; exit 2", std::nullopt, {warning}},
        {3, "cat >/dev/null; echo 'gpg: note' >&2", std::nullopt, {stderr_box("gpg: note\n")}},
        {3, "echo out; echo 'gpg: bad' >&2; exit 1", "out\r\n", {warning, stderr_box("gpg: bad\n")}},
        // The program runs with the argument vector.
        {0, "echo \"$@\"", "-ae -r a@x.example -r b@y.example -r me@home.example\r\n", {}},
    };
    TempDir dir;
    for (const auto& [function, script, body, expected] : cases) {
        SCOPED_TRACE(script != nullptr ? script : "no program");
        GpgRequest request = Request(function, "a@x.example, B <b@y.example>", "", "", true);
        request.gpg_path = script != nullptr ? (dir / "fake-gpg").string() : missing;
        request.body = "body\r\n";
        WriteWholeFile(dir / "fake-gpg", std::string("#!/bin/sh\n") + (script ? script : "") + "\n");
        ::chmod((dir / "fake-gpg").c_str(), 0755);
        ScriptedServices services;
        EXPECT_EQ(ApplyGpgFunction(request, services), body);
        Boxes boxes;
        for (const MessageBoxRequest& box : services.Boxes()) {
            boxes.emplace_back(box.text, box.caption, box.icon);
        }
        EXPECT_EQ(boxes, expected);
    }
}

TEST(AcceptGpgPath, EmptyOrAnAbsoluteFileThisUserMayRunElseABox) {
    // {path, the refusal box's text or "" when accepted}
    const std::pair<std::string, std::string_view> cases[] = {
        {"", ""},
        {"/bin/sh", ""},
        {"/nonexistent/gpg", kGpgNotFoundText},
        {"gpg", kGpgFullPathText},
        {std::filesystem::relative("/bin/sh").string(), kGpgFullPathText},
    };
    for (const auto& [path, refusal] : cases) {
        ScriptedServices services;
        EXPECT_EQ(AcceptGpgPath(path, services), refusal.empty()) << path;
        const std::vector<MessageBoxRequest> boxes = services.Boxes();
        EXPECT_EQ(boxes.empty() ? "" : boxes.front().text, refusal) << path;
    }
}

// GNUPGHOME points to a folder made for the test while it lives: the user's keys stay untouched.
struct GnupgHome {
    GnupgHome() {
        if (const char* old = std::getenv("GNUPGHOME")) {
            old_home = old;
        }
        ::setenv("GNUPGHOME", folder.path().c_str(), 1);
        WriteWholeFile(folder / "gpg.conf", "batch\nno-tty\nauto-key-locate local\n");
    }
    ~GnupgHome() {
        RunPiped({"/usr/bin/gpgconf", "--kill", "all"}, "");
        old_home ? ::setenv("GNUPGHOME", old_home->c_str(), 1) : ::unsetenv("GNUPGHOME");
    }
    TempDir folder;
    std::optional<std::string> old_home;
};

// Debian's GnuPG with three keys without passphrase: two correspondents and the sender.
TEST(RealGnupg, EncryptSignAndDecryptRoundTrips) {
    const char* gpg = "/usr/bin/gpg";
    GnupgHome home;
    for (const char* user : {"Ann <ann@a.example>", "Bob <bob@b.example>", "Me <me@home.example>"}) {
        std::optional<PipedResult> made = RunPiped(
            {gpg, "--passphrase", "", "--quick-gen-key", user, "future-default", "default", "never"}, "");
        ASSERT_TRUE(made && made->exit_code == 0) << (made ? made->standard_error : "gpg did not start");
    }
    // Built now, so that its report is not among the messages of a function.
    RunPiped({gpg, "--check-trustdb"}, "");
    std::vector<MessageBoxRequest> boxes;
    // Runs one function, encrypting to self; the boxes it showed go to `boxes`.
    const auto apply = [&](GpgFunction function, std::string body, std::string to = "",
                           std::string cc = "") {
        GpgRequest request = Request(static_cast<int>(function), std::move(to), std::move(cc), "", true);
        request.gpg_path = gpg;
        request.body = std::move(body);
        ScriptedServices services;
        std::optional<std::string> result = ApplyGpgFunction(request, services);
        boxes = services.Boxes();
        return result;
    };
    const std::string body = "Dear Ann,\r\n\r\nthe keys are under the mat.\r\nété à Paris.\r\n";

    std::optional<std::string> armoured = apply(GpgFunction::Encrypt, body, "Ann <ann@a.example>", "bob@b.example");
    ASSERT_TRUE(armoured);
    EXPECT_TRUE(armoured->starts_with("-----BEGIN PGP MESSAGE-----\r\n"));
    EXPECT_TRUE(boxes.empty());
    // GnuPG tells which keys it used on standard error: shown, no warning.
    EXPECT_EQ(apply(GpgFunction::Decrypt, *armoured), body);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, kGpgStderrTitle);

    // Signed and encrypted, or clearsigned: decrypting also checks the signature.
    armoured = apply(GpgFunction::SignEncrypt, body, "bob@b.example");
    std::optional<std::string> signed_text = apply(GpgFunction::Sign, body);
    ASSERT_TRUE(armoured && signed_text);
    EXPECT_TRUE(signed_text->starts_with("-----BEGIN PGP SIGNED MESSAGE-----\r\n"));
    for (const std::string& text : {*armoured, *signed_text}) {
        EXPECT_EQ(apply(GpgFunction::Decrypt, text), body);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_NE(boxes[0].text.find("Good signature"), std::string::npos) << boxes[0].text;
    }
}

}  // namespace
}  // namespace tarvox
