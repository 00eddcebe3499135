// Junk classification of one message from its header block: the pattern
// lists meet every header line, the term lists and the heuristic rules meet
// the fields the header scan reads.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "junk/junk_settings.h"
#include "message/header_summary.h"

namespace tarvox {

// A profile's junk settings ready for the messages of one inbox: the header
// patterns are decoded once, not for every line of every message.
class JunkClassifier {
public:
    explicit JunkClassifier(JunkSettings settings);

    // Scans the header block of `message` as ScanHeaders does and sets
    // `junk_verdict` by the settings.
    HeaderSummary ScanAndClassify(std::string_view message) const;

private:
    JunkVerdict ListVerdict(std::string_view message, const HeaderSummary& as_read) const;

    // Decoded patterns, and the first characters of lines they may match.
    struct Patterns {
        explicit Patterns(std::string_view stored);
        bool Match(std::string_view line) const;

        std::vector<std::string> patterns;
        std::array<bool, 256> may_start{};
    };

    JunkSettings m_settings;
    Patterns m_white_patterns;
    Patterns m_black_patterns;
};

// JunkClassifier(settings).ScanAndClassify(message), for a single message.
HeaderSummary ScanAndClassify(std::string_view message, const JunkSettings& settings);

}  // namespace tarvox
