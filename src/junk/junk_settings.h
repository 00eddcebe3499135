// A profile's junk settings as the classifier reads them, and the bits of
// `filterbits` that switch the heuristic rules on.
#pragma once

#include <string>

namespace tarvox {

// The heuristic rules, each one bit of `filterbits`, in the order they are
// tried.
enum class JunkRule : int {
    EmptyFrom = 0x01,
    SubjectSpaces = 0x02,
    SimilarUsernames = 0x04,
    FromMissingAt = 0x08,
    ToMissingAddress = 0x10,
    SimilarDomains = 0x20,
    Html = 0x40,
};

// Every rule bit.
inline constexpr int kAllJunkRules = 0x7f;

constexpr bool RuleOn(int filterbits, JunkRule rule) {
    return (filterbits & static_cast<int>(rule)) != 0;
}

// `filterbits` with its rule bits replaced by those of `rules` (the rules
// whose boxes are checked); the bits of other settings are kept.
constexpr int WithJunkRules(int filterbits, int rules) {
    return (filterbits & ~kAllJunkRules) | (rules & kAllJunkRules);
}

// The junk settings of the profile whose mail is classified.
struct JunkSettings {
    std::string blacklist;  // terms
    std::string antispam;   // whitelist terms
    std::string whitepat;   // base64 patterns
    std::string blackpat;
    int filterbits = 0;
};

}  // namespace tarvox
