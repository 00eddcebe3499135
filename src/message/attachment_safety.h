// What guards a saved attachment: the block list of file-name fragments, the
// test for a file that could run as a program, and the SanityCheck the user
// passes before one is opened. Also the name proposed when saving.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

class FrontendServices;

// True when `name` contains, anywhere and without regard to ASCII case, one
// of the fragments of the comma list `blockext`.
bool IsBlockedName(std::string_view name, std::string_view blockext);

// True when the file at `path` could run as a program: it starts with "MZ"
// (Windows), the ELF magic or "#!", or has an execute permission bit; also
// when it cannot be opened.
bool LooksExecutable(const std::string& path);

// The SanityCheck's number text: b and then a, "%u%u", each below 1000.
std::string SanityCheckNumber(std::uint32_t a, std::uint32_t b);

// Asks for the number drawn by `draw` (two draws, a then b, each taken modulo
// 1000) in the "SanityCheck - %s" prompt; true only when exactly that text
// was submitted.
bool RunSanityCheck(FrontendServices& services, const std::function<std::uint32_t()>& draw);

// The file name proposed in the save dialog for an attachment named `name`:
// its last path component, or "untitled" for an empty, quote-only or
// too-long name.
std::string ProposedAttachmentName(std::string_view name);

// One row of the block list dialog.
struct BlockListRow {
    std::string fragment;
    bool checked = false;
};

// The dialog's rows: the default fragments unchecked in their order, those of
// `blockext` checked, and fragments the defaults lack appended checked.
std::vector<BlockListRow> BlockListRows(std::string_view blockext);

// The "blockext" text of the checked rows, each followed by ",".
std::string BlockListValue(const std::vector<BlockListRow>& rows);

}  // namespace tarvox
