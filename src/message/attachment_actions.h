// Save and View on the attachments chosen in the viewer: the warning for a
// preview, the block list question, the save dialog and the file write, and
// before a saved file is opened the refusal of a blocked name and the
// SanityCheck of an executable. Also Delete of the file saved last.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

class FrontendServices;
class ViewedMessage;

enum class AttachmentAction { Save, View };

// What the save dialog proposes: the file name, and the suffix it adds to a
// name typed without one (what follows the proposed name's first dot).
struct AttachmentSaveName {
    std::string proposed;
    std::string suffix;
};

// The desktop pieces the actions use.
struct AttachmentDesk {
    // The save dialog: the chosen path, or an empty text on Cancel.
    std::function<std::string(const AttachmentSaveName& name)> pick_path;
    // Opens a saved file with the desktop's program for it; false when that
    // failed.
    std::function<bool(const std::string& path)> open;
    // The SanityCheck's random numbers.
    std::function<std::uint32_t()> draw;
};

struct AttachmentRequest {
    AttachmentAction action = AttachmentAction::Save;
    std::vector<std::size_t> indexes;  // the chosen attachments, in list order
    bool preview = false;              // the message is only a preview
    std::string_view blockext;         // the block list, a comma list
};

// Saves each chosen attachment where the save dialog says, after a Yes to
// the block list question for a blocked name. View then opens each saved
// file, but never one with a blocked name, and one that looks executable
// only after the SanityCheck. A file that cannot be written is reported
// ("Unable to create file") and leaves nothing behind. Returns the path of
// the file written last; empty when none was.
std::string SaveOrViewAttachments(const ViewedMessage& message, const AttachmentRequest& request,
                                  const AttachmentDesk& desk, FrontendServices& services);

// Asks whether to delete the saved file at `path`; true when the user said
// Yes, and the file is then removed.
bool DeleteSavedAttachment(const std::string& path, FrontendServices& services);

}  // namespace tarvox
