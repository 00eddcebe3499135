#include "message/attachment_actions.h"

#include <gtest/gtest.h>

#include "codec/base64.h"
#include "message/viewer_text.h"
#include "support/scripted_services.h"
#include "support/temp_dir.h"

namespace tarvox {
namespace {

using Texts = std::vector<std::string>;
using Attached = std::vector<std::pair<std::string, std::string>>;

// A message with one base64 attachment per (name, data).
std::string MessageWith(const Attached& files) {
    std::string text = "Subject: Files\r\nContent-Type: multipart/mixed; boundary=\"b\"\r\n\r\n"
                       "--b\r\nContent-Type: text/plain\r\n\r\nSee files.\r\n";
    for (const auto& [name, data] : files) {
        text += "--b\r\nContent-Type: application/octet-stream; name=\"" + name +
                "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64(data) + "\r\n";
    }
    return text + "--b--\r\n";
}

const std::string kProgram = std::string("MZ\x90", 3) + '\0' + "program";
const Attached kNotes = {{"notes.txt", "just text"}};
const Attached kTool = {{"tool.bin", kProgram}};
const Attached kPage = {{"page.v2.html", "<p>hi</p>"}};
const Attached kInvoice = {{"invoice.pdf.exe", "payload"}};

// Each box as "icon caption|text": W (warning) or E (error), "?" for a Yes/No box with No
// as its default; "@" in a caption stands for the chosen path.
TEST(SaveOrViewAttachments, AskSaveRefuseCheckAndOpen) {
    const std::string question =
        "This attachment's file type is on Tarvox's \"block list\" of potentially dangerous file "
        "extensions. This file may carry a VIRUS or TROJAN and could infect your system.\n\n"
        "It is recommended that you DO NOT save this file to disk.\n"
        "Do you really want to save this file?";
    struct Case {
        const char* name;
        Attached files;
        AttachmentAction action;
        bool preview;
        const char* pick;  // the file chosen in the folder; "" cancels
        std::vector<BoxAnswer> answers;
        const char* typed;  // the SanityCheck answer, when asked
        bool opener_works;
        Texts proposed;  // "name|suffix" of each save dialog
        bool saved;      // the file holds the first attachment's data
        bool opened;
        Texts boxes;
    };
    const auto save = AttachmentAction::Save;
    const auto view = AttachmentAction::View;
    const Case cases[] = {
        {"save", kNotes, save, false, "out", {}, nullptr, true, {"notes.txt|txt"}, true, false, {}},
        {"cancel keeps the last component", {{"../../evil", "x"}}, save, false, "", {}, nullptr,
         true, {"evil|"}, false, false, {}},
        {"preview, unwritable", kNotes, save, true, "missing/out", {}, nullptr, true,
         {"notes.txt|txt"}, false, false,
         {"WWarning|Because only a part of the entire message is shown, attachments will most "
          "likely not be recognized correctly. Use View instead of Preview to download the "
          "entire message.",
          "E|Unable to create file"}},
        {"blocked, No", kInvoice, save, false, "out", {BoxAnswer::No}, nullptr, true, {}, false,
         false, {"W?invoice.pdf.exe|" + question}},
        {"two chosen, the blocked one refused", {kNotes[0], kInvoice[0]}, save, false, "out",
         {BoxAnswer::No}, nullptr, true, {"notes.txt|txt"}, true, false,
         {"W?invoice.pdf.exe|" + question}},
        {"view blocked: saved, never opened", kPage, view, false, "out", {BoxAnswer::Yes},
         nullptr, true, {"page.v2.html|v2.html"}, true, false,
         {"W?page.v2.html|" + question,
          "E@|This attachment's file extension is on Tarvox's \"block list\". The file was saved "
          "to disk but it can not be executed.\n\nView/Execute denied - potentially dangerous "
          "file."}},
        {"view plain", kNotes, view, false, "out", {}, nullptr, true, {"notes.txt|txt"}, true,
         true, {}},
        {"view, the desktop fails", kNotes, view, false, "out", {}, nullptr, false,
         {"notes.txt|txt"}, true, true, {"E@|Could not invoke default viewer"}},
        {"view executable, right number", kTool, view, false, "out", {}, "427", true,
         {"tool.bin|bin"}, true, true, {}},
        {"view executable, wrong number", kTool, view, false, "out", {}, "742", true,
         {"tool.bin|bin"}, true, false,
         {"ESanityCheck|The executable attachment was saved to disk but was NOT opened."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string target = (dir / "out").string();
        const ViewedMessage message(MessageWith(c.files), ViewerOptions{});
        ScriptedServices services;
        for (const BoxAnswer answer : c.answers) {
            services.QueueBoxAnswer(answer);
        }
        if (c.typed != nullptr) {
            services.QueuePromptText(c.typed);
        }
        Texts proposed;
        Texts opened;
        std::vector<std::uint32_t> draws = {1007, 42};  // the number is b then a: "427"
        AttachmentDesk desk;
        desk.pick_path = [&](const AttachmentSaveName& name) {
            proposed.push_back(name.proposed + "|" + name.suffix);
            return *c.pick == '\0' ? std::string() : (dir / c.pick).string();
        };
        desk.open = [&](const std::string& path) {
            opened.push_back(path);
            return c.opener_works;
        };
        desk.draw = [&draws, next = std::size_t{0}]() mutable { return draws.at(next++); };
        AttachmentRequest request;
        request.action = c.action;
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            request.indexes.push_back(i);
        }
        request.preview = c.preview;
        request.blockext = ".EXE,.HTM,";
        const std::string last = SaveOrViewAttachments(message, request, desk, services);

        EXPECT_EQ(proposed, c.proposed);
        EXPECT_EQ(last, c.saved ? target : "");
        EXPECT_EQ(ReadWholeFile(target), c.saved ? c.files[0].second : "");
        EXPECT_EQ(opened, c.opened ? Texts{target} : Texts{});
        Texts boxes;
        for (const MessageBoxRequest& box : services.Boxes()) {
            std::string seen = box.icon == BoxIcon::Warning ? "W" : box.icon == BoxIcon::Error ? "E" : "-";
            seen += box.buttons == BoxButtons::YesNoDefaultNo ? "?" : "";
            boxes.push_back(seen + (box.caption == target ? "@" : box.caption) + "|" + box.text);
        }
        EXPECT_EQ(boxes, c.boxes);
        if (c.saved) {
            EXPECT_EQ(services.Statuses(StatusLine::Inbox),
                      (Texts{"Saving attachment to disk...", "Attachment has been saved."}));
        }
        if (c.typed != nullptr) {
            EXPECT_EQ(services.Prompts().at(0).title, "SanityCheck - 427");
        }
    }
}

TEST(DeleteSavedAttachment, RemovesTheFileOnlyAfterYes) {
    TempDir dir;
    const std::string path = (dir / "saved.txt").string();
    WriteWholeFile(path, "x");
    for (const BoxAnswer answer : {BoxAnswer::No, BoxAnswer::Yes}) {
        ScriptedServices services;
        services.QueueBoxAnswer(answer);
        EXPECT_EQ(DeleteSavedAttachment(path, services), answer == BoxAnswer::Yes);
        ASSERT_EQ(services.Boxes().size(), 1u);
        EXPECT_EQ(services.Boxes()[0].text,
                  "Delete this file? (If last save was for temporary viewing)");
        EXPECT_EQ(services.Boxes()[0].caption, path);
        EXPECT_EQ(std::filesystem::exists(path), answer == BoxAnswer::No);
    }
}

}  // namespace
}  // namespace tarvox
