#include "message/attachment_actions.h"

#include <cstdio>

#include "frontend/services.h"
#include "message/attachment_safety.h"
#include "message/viewer_text.h"

namespace tarvox {

namespace {

constexpr const char* kPreviewWarning =
    "Because only a part of the entire message is shown, attachments will most likely not be "
    "recognized correctly. Use View instead of Preview to download the entire message.";
constexpr const char* kBlockedQuestion =
    "This attachment's file type is on Tarvox's \"block list\" of potentially dangerous file "
    "extensions. This file may carry a VIRUS or TROJAN and could infect your system.\n\n"
    "It is recommended that you DO NOT save this file to disk.\n"
    "Do you really want to save this file?";
constexpr const char* kBlockedView =
    "This attachment's file extension is on Tarvox's \"block list\". The file was saved to "
    "disk but it can not be executed.\n\nView/Execute denied - potentially dangerous file.";
constexpr const char* kNotOpened =
    "The executable attachment was saved to disk but was NOT opened.";
constexpr const char* kNoViewer = "Could not invoke default viewer";
constexpr const char* kDeleteQuestion =
    "Delete this file? (If last save was for temporary viewing)";

// Shows the save dialog and writes attachment `index`; the written path, or
// an empty text.
std::string SaveAttachment(const ViewedMessage& message, std::size_t index,
                           const AttachmentDesk& desk, FrontendServices& services) {
    AttachmentSaveName name;
    name.proposed = ProposedAttachmentName(message.attachments()[index].display_name);
    const std::size_t dot = name.proposed.find('.');
    if (dot != std::string::npos) {
        name.suffix = name.proposed.substr(dot + 1);
    }
    const std::string path = desk.pick_path(name);
    if (path.empty()) {
        return {};
    }
    services.ShowStatus(StatusLine::Inbox, "Saving attachment to disk...");
    if (!message.SaveAttachmentFile(index, path)) {
        services.ShowMessage("Unable to create file", "", BoxIcon::Error);
        return {};
    }
    services.ShowStatus(StatusLine::Inbox, "Attachment has been saved.");
    return path;
}

}  // namespace

std::string SaveOrViewAttachments(const ViewedMessage& message, const AttachmentRequest& request,
                                  const AttachmentDesk& desk, FrontendServices& services) {
    if (request.preview) {
        services.ShowMessage(kPreviewWarning, "Warning", BoxIcon::Warning);
    }
    std::string last_saved;
    for (const std::size_t index : request.indexes) {
        const std::string& name = message.attachments().at(index).display_name;
        const bool blocked = IsBlockedName(name, request.blockext);
        if (blocked && services.ShowMessage(kBlockedQuestion, name, BoxIcon::Warning,
                                            BoxButtons::YesNoDefaultNo) != BoxAnswer::Yes) {
            continue;
        }
        const std::string path = SaveAttachment(message, index, desk, services);
        if (path.empty()) {
            continue;
        }
        last_saved = path;
        if (request.action != AttachmentAction::View) {
            continue;
        }
        if (blocked) {
            services.ShowMessage(kBlockedView, path, BoxIcon::Error);
            continue;
        }
        if (LooksExecutable(path) && !RunSanityCheck(services, desk.draw)) {
            services.ShowMessage(kNotOpened, "SanityCheck", BoxIcon::Error);
            continue;
        }
        if (!desk.open(path)) {
            services.ShowMessage(kNoViewer, path, BoxIcon::Error);
        }
    }
    return last_saved;
}

bool DeleteSavedAttachment(const std::string& path, FrontendServices& services) {
    if (services.ShowMessage(kDeleteQuestion, path, BoxIcon::Warning, BoxButtons::YesNo) !=
        BoxAnswer::Yes) {
        return false;
    }
    std::remove(path.c_str());
    return true;
}

}  // namespace tarvox
