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

const Attached kNotes = {{"notes.txt", "just text"}};
const Attached kInvoice = {{"invoice.pdf.exe", "payload"}};
const Attached kTool = {{"tool.bin", std::string("MZ\x90", 3) + '\0' + "program"}};

// Boxes as "icon caption|text start": W/E icon, "?" Yes/No defaulting to No, "@" the chosen path.
TEST(SaveOrViewAttachments, AskSaveRefuseCheckAndOpen) {
    const std::string blocked = "W?invoice.pdf.exe|This attachment's file type is o";
    constexpr auto save = AttachmentAction::Save, view = AttachmentAction::View;
    const struct {
        const char* name;
        Attached files;
        AttachmentAction action;
        Texts proposed;  // "name|suffix" of each save dialog
        bool saved;      // the chosen file holds the first attachment's data
        bool opened;
        Texts boxes;
        std::vector<BoxAnswer> answers = {};
        const char* typed = nullptr;  // the SanityCheck answer, when asked
        const char* pick = "out";     // the file chosen in the folder; "" cancels
        bool preview = false;
        bool opener_works = true;
    } cases[] = {
        {"save", kNotes, save, {"notes.txt|txt"}, true, false, {}},
        {"cancel keeps the last component", {{"../../evil", "x"}}, save, {"evil|"}, false, false,
         {}, {}, nullptr, ""},
        {"preview, unwritable", kNotes, save, {"notes.txt|txt"}, false, false,
         {"WWarning|Because only a part of the entire", "E|Unable to create file"}, {}, nullptr,
         "missing/out", true},
        {"blocked, No", kInvoice, save, {}, false, false, {blocked}, {BoxAnswer::No}},
        {"two chosen, the blocked one refused", {kNotes[0], kInvoice[0]}, save, {"notes.txt|txt"},
         true, false, {blocked}, {BoxAnswer::No}},
        {"view blocked: saved, never opened", {{"page.v2.html", "<p>hi</p>"}}, view,
         {"page.v2.html|v2.html"}, true, false,
         {"W?page.v2.html|This attachment's file type is o",
          "E@|This attachment's file extension is on"},
         {BoxAnswer::Yes}},
        {"view plain", kNotes, view, {"notes.txt|txt"}, true, true, {}},
        {"view, the desktop fails", kNotes, view, {"notes.txt|txt"}, true, true,
         {"E@|Could not invoke default viewer"}, {}, nullptr, "out", false, false},
        {"view executable, right number", kTool, view, {"tool.bin|bin"}, true, true, {}, {}, "427"},
        {"view executable, wrong number", kTool, view, {"tool.bin|bin"}, true, false,
         {"ESanityCheck|The executable attachment was saved"}, {}, "742"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string target = (dir / "out").string();
        std::string text = "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n";
        for (const auto& [name, data] : c.files) {
            text += "--b\r\nContent-Type: a/b; name=\"" + name +
                    "\"\r\nContent-Transfer-Encoding: base64\r\n\r\n" + EncodeBase64(data) + "\r\n";
        }
        const ViewedMessage message(text + "--b--\r\n", ViewerOptions{});
        ScriptedServices services;
        for (const BoxAnswer answer : c.answers) {
            services.QueueBoxAnswer(answer);
        }
        if (c.typed != nullptr) {
            services.QueuePromptText(c.typed);
        }
        Texts proposed, opened;
        AttachmentDesk desk;
        desk.pick_path = [&](const AttachmentSaveName& name) {
            proposed.push_back(name.proposed + "|" + name.suffix);
            return *c.pick == '\0' ? std::string() : (dir / c.pick).string();
        };
        desk.open = [&](const std::string& path) {
            opened.push_back(path);
            return c.opener_works;
        };
        desk.draw = [next = 0]() mutable { return next++ == 0 ? 1007u : 42u; };  // "427"
        AttachmentRequest request{c.action, {}, c.preview, ".EXE,.HTM,"};
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            request.indexes.push_back(i);
        }
        EXPECT_EQ(SaveOrViewAttachments(message, request, desk, services), c.saved ? target : "");
        EXPECT_EQ(proposed, c.proposed);
        EXPECT_EQ(ReadWholeFile(target), c.saved ? c.files[0].second : "");
        EXPECT_EQ(opened, c.opened ? Texts{target} : Texts{});
        Texts boxes;
        for (const MessageBoxRequest& box : services.Boxes()) {
            const std::size_t i = boxes.size();
            const std::size_t shown =
                i < c.boxes.size() ? c.boxes[i].size() - c.boxes[i].find('|') - 1 : 40;
            boxes.push_back(
                (box.icon == BoxIcon::Warning ? "W" : box.icon == BoxIcon::Error ? "E" : "-") +
                std::string(box.buttons == BoxButtons::YesNoDefaultNo ? "?" : "") +
                (box.caption == target ? "@" : box.caption) + "|" + box.text.substr(0, shown));
        }
        EXPECT_EQ(boxes, c.boxes);
        if (c.saved) {
            EXPECT_EQ(services.Statuses(StatusLine::Inbox),
                      (Texts{"Saving attachment to disk...", "Attachment has been saved."}));
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
        EXPECT_EQ(services.Boxes().at(0).caption, path);
        EXPECT_EQ(std::filesystem::exists(path), answer == BoxAnswer::No);
    }
}

}  // namespace
}  // namespace tarvox
