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

// The decoded /TO address holds at most this many bytes (a 512-byte
// buffer).
inline constexpr std::size_t kToAddressLength = 511;
// The undecoded mailto link of a /TO request holds at most this many bytes.
inline constexpr std::size_t kToLinkLength = 65536;

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
    // The mailto link of /TO without "mailto:", undecoded (RFC 6068 fields
    // and all), as ExtractToLink gives it.
    std::string to_link;
    std::string to_address;  // MailtoAddress of the link
    std::string view_file;   // leading blanks skipped; empty when none was given
};

// Reads the arguments after the program name.
StartOptions ParseCommandLine(std::span<const std::string_view> args);

// The link of a /TO request from the value given with the switch: past
// blanks and colons, without a leading "mailto:" (in that letter case), the
// next blank-delimited word, undecoded, of at most 64 KiB (never cut inside a
// character).
std::string ExtractToLink(std::string_view value);

// The address part of a mailto link (RFC 6068 section 2): the text before
// "?", URL-decoded (DecodeMailtoText), of at most 511 bytes (never cut inside
// a character).
std::string MailtoAddress(std::string_view link);

// "%XX" decoding of mailto links; "%" and one hexadecimal digit followed by
// another character give that digit's value and all three are passed over
// ("%4g" is the byte 4). "+" stays "+": it is no
// blank in a mailto link (RFC 6068 section 5) and plus-addresses
// (a+tag@example.org) are common. A NUL, decoded or not, ends the text. The
// octets are UTF-8 when they are well-formed UTF-8 with a multi-byte
// sequence, else ISO-8859-1 (as older programs wrote links).
std::string DecodeMailtoText(std::string_view text);

inline constexpr std::string_view kViewSyntaxMessage =
    "You must specify a file to view. Syntax:\r\n\r\ntarvox.exe /VIEW filename";

}  // namespace tarvox
