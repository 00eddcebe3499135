#include "junk/junk_classifier.h"

#include <utility>

#include "junk/junk_rules.h"
#include "message/header_lines.h"
#include "message/header_scan.h"

namespace tarvox {

JunkClassifier::JunkClassifier(JunkSettings settings)
    : m_settings(std::move(settings)),
      m_white_patterns(StoredPatternList(m_settings.whitepat)),
      m_black_patterns(StoredPatternList(m_settings.blackpat)) {}

// The verdict of the pattern and term lists. The patterns meet each header
// line that is not too long, continuation lines included; the terms meet the
// fields as read: the Subject and From words decoded but their leading blanks
// kept, the To and Cc entries as they stand on the lines.
JunkVerdict JunkClassifier::ListVerdict(std::string_view message,
                                        const HeaderSummary& as_read) const {
    const JunkSettings& settings = m_settings;
    JunkVerdict result = JunkVerdict::NotJunk;
    // A white list that is set counts even when none of its items decodes.
    const bool white_patterns = !settings.whitepat.empty();
    bool whitelisted = false;
    HeaderLines lines(message);
    HeaderLine line;
    while (lines.Next(line)) {
        if (line.too_long) {
            continue;
        }
        if (white_patterns && MatchAnyPattern(line.text, m_white_patterns)) {
            whitelisted = true;
        }
        if (result == JunkVerdict::NotJunk && MatchAnyPattern(line.text, m_black_patterns)) {
            result = JunkVerdict::BlacklistPattern;
        }
    }

    const auto terms_match = [&](std::string_view terms) {
        return MatchTermList(terms, as_read.subject, as_read.from, as_read.to, as_read.cc);
    };
    if (result == JunkVerdict::NotJunk && !settings.blacklist.empty() &&
        terms_match(settings.blacklist)) {
        result = JunkVerdict::Blacklist;
    }
    if (!settings.antispam.empty()) {
        if (terms_match(settings.antispam)) {
            whitelisted = true;
        } else if (!whitelisted) {
            result = JunkVerdict::NotOnWhitelist;
        }
    }
    if (white_patterns && !whitelisted) {
        result = JunkVerdict::NotOnWhitelistPattern;
    }
    return result;
}

HeaderSummary JunkClassifier::ScanAndClassify(std::string_view message) const {
    const JunkSettings& settings = m_settings;
    HeaderSummary summary = ReadHeaderBlock(message);
    JunkVerdict result = ListVerdict(message, summary);
    FinishHeaderSummary(summary);
    if (result == JunkVerdict::NotJunk) {
        result = RuleOn(settings.filterbits, JunkRule::Html) && summary.html
                     ? JunkVerdict::Html
                     : HeuristicVerdict(settings.filterbits, summary.from, summary.subject,
                                        summary.to, summary.cc);
    }
    summary.junk_verdict = result;
    return summary;
}

HeaderSummary ScanAndClassify(std::string_view message, const JunkSettings& settings) {
    return JunkClassifier(settings).ScanAndClassify(message);
}

}  // namespace tarvox
