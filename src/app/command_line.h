// The program's command line: the switches /TO, /VIEW, /MIN and /POLL (found
// anywhere in the text, in any letter case), the mailto address of /TO and the
// file of /VIEW. The Linux spellings --to, --view, --min and --poll stand for
// the switches; --help and --version are answered without starting.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tarvox {

// The decoded /TO address holds at most this many characters (a 512-byte
// buffer).
inline constexpr std::size_t kToAddressLength = 511;

struct StartOptions {
    // The arguments joined by single blanks, with the Linux spellings turned
    // into the switches. In view mode it becomes the file name; otherwise the
    // main window tries it as a profile name.
    std::string command_text;
    bool to = false;
    bool view = false;
    bool minimized = false;
    bool poll = false;
    bool help = false;
    bool version = false;
    std::string to_address;  // decoded
};

// Reads the arguments after the program name.
StartOptions ParseCommandLine(std::span<const std::string_view> args);

// The address of a /TO request: the text after "/TO" past blanks and colons,
// without a leading "mailto:", the next blank-delimited word of at most 511
// characters, URL-decoded ("%" and two hexadecimal digits, "+" for a blank).
std::string ExtractToAddress(std::string_view command_text);

// The file of /VIEW: the text after "/VIEW" past blanks, to the end. Empty
// when there is none.
std::string ExtractViewFile(std::string_view command_text);

// "%XX" and "+" decoding as /TO does it. A decoded NUL ends the text.
std::string DecodeMailtoText(std::string_view text);

inline constexpr std::string_view kViewSyntaxMessage =
    "You must specify a file to view. Syntax:\r\n\r\ntarvox.exe /VIEW filename";

}  // namespace tarvox
