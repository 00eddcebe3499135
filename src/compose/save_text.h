// Saving a text to a file the user chose: the composer's Save As and Append
// to, and the same command of the viewer, the inbox window and the address
// book window.
#pragma once

#include <string>
#include <string_view>

#include "frontend/services.h"

namespace tarvox {

inline constexpr std::string_view kSavingTextStatus = "Saving text to file...";
inline constexpr std::string_view kTextSavedStatus = "Text has been saved";
inline constexpr std::string_view kUnableToCreateFile = "Unable to create file";
// Append to writes this before the text, even into an empty file.
inline constexpr std::string_view kAppendSeparator = "\r\n\r\n";

enum class SaveTextMode {
    Replace,  // Save As: the file holds the text alone
    Append,   // Append to: the separator and the text go after what is there
    Archive,  // the viewer's Archive: the message alone goes after what is there
};

// What the text is: program text, stored as ToStoredText stores it (ISO-8859-1
// when it fits), or bytes written as they are (a message as it came in).
enum class TextForm { Text, Bytes };

// Whether the inbox window is open to show the progress texts.
enum class InboxStatusShown { No, Yes };

// Writes `text` to `path` in its `form` and flushes it to disk; the message of
// an Archive is always written as the bytes it came in. Save As writes a
// temporary file in the same folder and renames it over the old file
// (ReplaceChosenFile); Append to adds to the file (made 0600 when missing). With the inbox window
// open, its status line reads "Saving text to file..." before and "Text has
// been saved" after. A file that cannot be opened or written gives the box
// "Unable to create file" (error icon) and false; a write that fails half-way
// is reported the same way, never as saved, and leaves the old file as it was.
bool SaveTextToFile(FrontendServices& services, const std::string& path, std::string_view text,
                    SaveTextMode mode, InboxStatusShown inbox, TextForm form = TextForm::Text);

}  // namespace tarvox
