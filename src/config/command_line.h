// The program's command line: the switches /TO, /VIEW, /MIN and /POLL, in any
// letter case, also spelled --to, --view, --min and --poll; --help and
// --version are answered without starting. A switch counts only as a whole
// argument, or, for /TO and /VIEW, as the start of an argument that goes on
// with the switch's value ("/TO:mailto:a@b", "--to=a@b"). A switch given
// alone takes its value from the arguments that follow: /TO the next one,
// /VIEW all the rest. An argument "mailto:..." (how desktops hand over a
// link) stands for "/TO mailto:...".
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tarvox {

// The decoded /TO address holds at most this many characters (a 512-byte
// buffer).
inline constexpr std::size_t kToAddressLength = 511;

struct StartOptions {
    // The arguments joined by single blanks, with the Linux spellings given
    // as whole arguments turned into the switches. In view mode it becomes the
    // file name; otherwise the main window tries it as a profile name.
    std::string command_text;
    bool to = false;
    bool view = false;
    bool minimized = false;
    bool poll = false;
    bool help = false;
    bool version = false;
    std::string to_address;  // decoded
    std::string view_file;   // leading blanks skipped; empty when none was given
};

// Reads the arguments after the program name.
StartOptions ParseCommandLine(std::span<const std::string_view> args);

// The address of a /TO request from the value given with the switch: past
// blanks and colons, without a leading "mailto:", the next blank-delimited
// word of at most 511 bytes (never cut inside a character), URL-decoded ("%" and two hexadecimal digits,
// "+" for a blank).
std::string ExtractToAddress(std::string_view value);

// "%XX" and "+" decoding as /TO does it. A decoded NUL ends the text. The
// octets are UTF-8 when they are well-formed UTF-8 with a multi-byte
// sequence, else ISO-8859-1.
std::string DecodeMailtoText(std::string_view text);

inline constexpr std::string_view kViewSyntaxMessage =
    "You must specify a file to view. Syntax:\r\n\r\ntarvox.exe /VIEW filename";

}  // namespace tarvox
