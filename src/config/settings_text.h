// How single values are written to and read from tarvox.ini lines. Values are
// UTF-8 text in the program and stored as ToStoredText bytes: ISO-8859-1 when
// the text fits it, UTF-8 otherwise. Every length limit here is a limit on
// the stored bytes.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace tarvox {

// A text value's rest of line, newline included, must be shorter than this to
// be read; a section line, newline included, may be this long at most.
inline constexpr std::size_t kSettingsValueLineLimit = 512;

// The longest text value that reads back: "key=", the value and "\n", where
// the value and its newline stay under the limit.
inline constexpr std::size_t kMaxStoredTextLength = kSettingsValueLineLimit - 2;
// The longest profile name that reads back from its "[name]\n" line.
inline constexpr std::size_t kMaxProfileNameLength = kSettingsValueLineLimit - 3;

// The part of a text that can be stored on one line: up to the first CR, LF
// or NUL. Whatever follows a line break would otherwise be read as a line of
// its own, possibly as another key.
std::string_view StorableText(std::string_view text);

// The bytes that store a text value: its storable part in stored form.
std::string StoredValue(std::string_view text);

// The text a stored value holds.
std::string ValueText(std::string_view stored);

// The longest prefix of `text` whose stored form is at most `max_bytes` long;
// never cut inside a character.
std::string StoredPrefix(std::string_view text, std::size_t max_bytes);

// A text value as it reads back after writing: a value whose stored form is
// too long to be read back gives the empty default.
std::string ReadBackText(std::string_view text);

// "[name]\n", and the name as it reads back from that line: cut at the first
// "]", empty when the line is too long.
std::string SectionLine(std::string_view name);
std::string ReadBackSectionName(std::string_view name);

// Reads the profile name from a section line ("[name]..."). The name runs to
// the first "]" or line end; a line over the limit, or one with nothing before
// the "]", leaves `name` untouched. Returns whether a name was read.
bool ReadSectionName(std::string_view line, std::string& name);

// Scans up to out.size() signed decimal integers the way "%d,%d,..." does
// (separator ',') or "%d %d" does (separator ' ': any white space, or none).
// Each number may have leading white space and a sign; a number that does not
// fit in 32 bits stops the scan. Values are stored as they are read; returns
// how many were read.
std::size_t ScanIntegers(std::string_view text, char separator, std::span<int> out);

}  // namespace tarvox
