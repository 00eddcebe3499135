// Junk classification: term lists, wildcard header patterns and the
// heuristic rules.
#include "junk/junk_rules.h"

#include <array>
#include <map>
#include <optional>
#include <string>

#include "codec/ascii.h"
#include "codec/base64.h"
#include "codec/stored_text.h"
#include "config/comma_list.h"

namespace tarvox {

namespace {

// The recipient rules look only at lists of at least this many entries.
constexpr std::size_t kMinimumRecipients = 5;
// Addresses whose first this many characters agree count as similar names.
constexpr std::size_t kUsernamePrefix = 3;

bool SubjectHasSpacedLetters(std::string_view subject) {
    if (subject.find("    ") != std::string_view::npos) {
        return true;
    }
    // "F R E E  m o n e y": count the blanks whose next blank is two
    // characters on, with one non-blank between them.
    int count = 0;
    for (std::size_t i = 0; i + 2 < subject.size(); ++i) {
        if (subject[i] == ' ' && subject[i + 1] != ' ' && subject[i + 2] == ' ') {
            ++count;
        }
    }
    return count >= 4;
}

// Counts the pairs (i before j) of `recipients` whose keys are both present
// and equal: the sum over each group of k equal keys of k (k - 1) / 2.
template <typename KeyOf>
std::size_t CountMatchingPairs(const AddressList& to, const AddressList& cc, KeyOf key_of) {
    std::map<std::string, std::size_t> groups;
    for (const AddressList* list : {&to, &cc}) {
        for (const AddressEntry& entry : *list) {
            if (std::optional<std::string> key = key_of(entry)) {
                ++groups[*key];
            }
        }
    }
    std::size_t pairs = 0;
    for (const auto& [key, count] : groups) {
        pairs += count * (count - 1) / 2;
    }
    return pairs;
}

// s / n >= 0.5 with n >= 5, in integers.
bool ManyPairs(std::size_t pairs, std::size_t recipients) {
    return recipients >= kMinimumRecipients && pairs >= (recipients + 1) / 2;
}

}  // namespace

std::string_view VerdictName(JunkVerdict verdict) {
    static constexpr std::array<std::string_view, 12> kNames = {
        "(not junk)",           "Matches blacklist",          "Not on whitelist",
        "From: empty () or <>", "Subject: multiple spaces",   "To/CC: similar usernames",
        "From: missing @",      "To: missing address or @",   "To/CC: similar domains",
        "HTML message",         "Not on whitelist (pattern)", "Matches blacklist (pattern)",
    };
    const auto index = static_cast<std::size_t>(verdict);
    return index < kNames.size() ? kNames[index] : std::string_view();
}

bool MatchTermList(std::string_view terms, std::string_view subject, std::string_view from,
                   const AddressList& to, const AddressList& cc) {
    for (std::string_view term : SplitCommaList(terms)) {
        if (ContainsIgnoreAsciiCase(subject, term) || ContainsIgnoreAsciiCase(from, term)) {
            return true;
        }
        for (const AddressList* list : {&to, &cc}) {
            for (const AddressEntry& entry : *list) {
                if (ContainsIgnoreAsciiCase(entry.raw, term)) {
                    return true;
                }
            }
        }
    }
    return false;
}

std::vector<std::string> StoredPatternList(std::string_view stored) {
    std::vector<std::string> patterns;
    for (std::string_view item : SplitCommaList(stored)) {
        std::string pattern = DecodeBase64Text(item);
        if (const std::size_t nul = pattern.find('\0'); nul != std::string::npos) {
            pattern.resize(nul);
        }
        if (!pattern.empty()) {
            patterns.push_back(std::move(pattern));
        }
    }
    return patterns;
}

std::vector<std::string> DecodePatternList(std::string_view stored) {
    std::vector<std::string> patterns = StoredPatternList(stored);
    for (std::string& pattern : patterns) {
        pattern = FromStoredText(pattern);
    }
    return patterns;
}

std::string EncodePatternList(const std::vector<std::string>& patterns) {
    std::string stored;
    for (const std::string& pattern : patterns) {
        stored += EncodeBase64(ToStoredText(pattern));
        stored += ',';
    }
    return stored;
}

bool MatchPatternList(std::string_view line, std::string_view patterns) {
    return MatchAnyPattern(line, StoredPatternList(patterns));
}

bool MatchAnyPattern(std::string_view line, std::span<const std::string> patterns) {
    // Header lines are the message's own bytes, so the patterns meet them in
    // their stored form: ISO-8859-1 patterns match ISO-8859-1 headers as they
    // always did, and others match UTF-8 headers (RFC 6532).
    for (const std::string& pattern : patterns) {
        // A pattern that starts with a plain character fails at once on a
        // line that starts otherwise, as MatchWildcard's first step finds;
        // most lines of a header block are turned away here.
        const bool plain_start = !pattern.empty() && pattern[0] != '*' && pattern[0] != '?';
        if (plain_start && (line.empty() || AsciiUpper(line[0]) != AsciiUpper(pattern[0]))) {
            continue;
        }
        if (MatchWildcard(pattern, line)) {
            return true;
        }
    }
    return false;
}

bool MatchWildcard(std::string_view pattern, std::string_view text) {
    // One restart point, just after the last "*" passed; the text is never
    // re-read, so a mismatch after a partial match retries the pattern from
    // the restart point at the current character only.
    std::size_t p = 0;
    std::optional<std::size_t> restart;
    for (const char c : text) {
        bool first_try = true;
        for (;;) {
            if (p < pattern.size() && pattern[p] == '*') {
                ++p;
                restart = p;
            }
            if (p < pattern.size() && pattern[p] == '?') {
                ++p;
                break;
            }
            if (p < pattern.size() && AsciiUpper(pattern[p]) == AsciiUpper(c)) {
                ++p;
                break;
            }
            if (!restart) {
                return false;
            }
            if (!first_try) {
                break;  // the character is absorbed by the last "*"
            }
            first_try = false;
            p = *restart;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

JunkVerdict HeuristicVerdict(int filterbits, std::string_view from, std::string_view subject,
                             const AddressList& to, const AddressList& cc) {
    const std::size_t recipients = to.size() + cc.size();
    if (RuleOn(filterbits, JunkRule::EmptyFrom)) {
        for (std::string_view empty : {"()", "( )", "<>", "< >"}) {
            if (from.find(empty) != std::string_view::npos) {
                return JunkVerdict::EmptyFrom;
            }
        }
    }
    if (RuleOn(filterbits, JunkRule::SubjectSpaces) && SubjectHasSpacedLetters(subject)) {
        return JunkVerdict::SubjectSpaces;
    }
    if (RuleOn(filterbits, JunkRule::SimilarUsernames)) {
        const std::size_t pairs =
            CountMatchingPairs(to, cc, [](const AddressEntry& entry) -> std::optional<std::string> {
                if (entry.address.empty()) {
                    return std::nullopt;
                }
                return ToAsciiLower(std::string_view(entry.address).substr(0, kUsernamePrefix));
            });
        if (ManyPairs(pairs, recipients)) {
            return JunkVerdict::SimilarUsernames;
        }
    }
    if (RuleOn(filterbits, JunkRule::FromMissingAt) && from.find('@') == std::string_view::npos) {
        return JunkVerdict::FromMissingAt;
    }
    if (RuleOn(filterbits, JunkRule::ToMissingAddress) &&
        (to.empty() || to.front().address.find('@') == std::string::npos)) {
        return JunkVerdict::ToMissingAddress;
    }
    if (RuleOn(filterbits, JunkRule::SimilarDomains)) {
        const std::size_t pairs =
            CountMatchingPairs(to, cc, [](const AddressEntry& entry) -> std::optional<std::string> {
                const std::size_t at = entry.address.find('@');
                if (at == std::string::npos || !entry.name.empty()) {
                    return std::nullopt;
                }
                return ToAsciiLower(std::string_view(entry.address).substr(at));
            });
        if (ManyPairs(pairs, recipients)) {
            return JunkVerdict::SimilarDomains;
        }
    }
    return JunkVerdict::NotJunk;
}

}  // namespace tarvox
