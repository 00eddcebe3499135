// Junk classification of listed messages: term lists, wildcard header
// patterns and heuristic rules, with their verdict codes.
#pragma once

#include <cstdint>
#include <string_view>

#include "junk/junk_settings.h"
#include "message/header_summary.h"

namespace tarvox {

namespace verdict {
inline constexpr std::uint32_t kNotJunk = 0;
inline constexpr std::uint32_t kBlacklist = 1;
inline constexpr std::uint32_t kNotOnWhitelist = 2;
inline constexpr std::uint32_t kEmptyFrom = 3;
inline constexpr std::uint32_t kSubjectSpaces = 4;
inline constexpr std::uint32_t kSimilarUsernames = 5;
inline constexpr std::uint32_t kFromMissingAt = 6;
inline constexpr std::uint32_t kToMissingAddress = 7;
inline constexpr std::uint32_t kSimilarDomains = 8;
inline constexpr std::uint32_t kHtml = 9;
inline constexpr std::uint32_t kNotOnWhitelistPattern = 10;
inline constexpr std::uint32_t kBlacklistPattern = 11;
}  // namespace verdict

// "Matches blacklist", ..., or "(not junk)" for 0.
std::string_view VerdictName(std::uint32_t code);

// True when a term of the comma list occurs (ASCII case ignored) in the
// subject, the From text, or the raw text of any To or Cc entry.
bool MatchTermList(std::string_view terms, std::string_view subject, std::string_view from,
                   const AddressList& to, const AddressList& cc);

// True when the header line matches one of the base64-encoded patterns.
bool MatchPatternList(std::string_view line, std::string_view patterns);

// "?" one character, "*" any run; case-insensitive, anchored at both ends,
// with one restart point and no backtracking in the text.
bool MatchWildcard(std::string_view pattern, std::string_view text);

// The first heuristic rule switched on in `filterbits` that fires: 3..8, or 0.
std::uint32_t HeuristicVerdict(int filterbits, std::string_view from, std::string_view subject,
                               const AddressList& to, const AddressList& cc);

}  // namespace tarvox
