// Junk classification of listed messages: term lists, wildcard header
// patterns and heuristic rules, with their verdict codes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "junk/junk_settings.h"
#include "junk/junk_verdict.h"
#include "message/header_summary.h"

namespace tarvox {

// "Matches blacklist", ..., or "(not junk)" for NotJunk.
std::string_view VerdictName(JunkVerdict verdict);

// True when a term of the comma list occurs (ASCII case ignored) in the
// subject, the From text, or the raw text of any To or Cc entry.
bool MatchTermList(std::string_view terms, std::string_view subject, std::string_view from,
                   const AddressList& to, const AddressList& cc);

// The patterns of a stored list: base64 items separated by commas, each
// decoded and cut at a decoded NUL (a pattern is kept as a C string); an item
// that decodes to nothing is dropped. The decoded bytes are stored text
// (ISO-8859-1 when the pattern fits it, else UTF-8); the patterns are UTF-8.
std::vector<std::string> DecodePatternList(std::string_view stored);
// The stored list of `patterns`: each in stored form, base64-encoded and
// followed by a comma.
std::string EncodePatternList(const std::vector<std::string>& patterns);

// The patterns of a stored list in their stored form (ISO-8859-1 when they
// fit, else UTF-8), as header lines meet them: each item decoded and cut at a
// decoded NUL, items that decode to nothing dropped.
std::vector<std::string> StoredPatternList(std::string_view stored);

// True when the raw header line matches one of the base64-encoded patterns,
// taken in their stored form: MatchAnyPattern with StoredPatternList.
bool MatchPatternList(std::string_view line, std::string_view patterns);

// True when the raw header line matches one of the patterns of
// StoredPatternList; for many lines, the list is decoded once.
bool MatchAnyPattern(std::string_view line, std::span<const std::string> patterns);

// "?" one character, "*" any run; case-insensitive, anchored at both ends,
// with one restart point and no backtracking in the text.
bool MatchWildcard(std::string_view pattern, std::string_view text);

// The first heuristic rule switched on in `filterbits` that fires, or NotJunk.
JunkVerdict HeuristicVerdict(int filterbits, std::string_view from, std::string_view subject,
                             const AddressList& to, const AddressList& cc);

}  // namespace tarvox
