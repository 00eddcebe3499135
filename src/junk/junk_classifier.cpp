#include "junk/junk_classifier.h"

#include <utility>

#include "codec/ascii.h"
#include "junk/junk_rules.h"
#include "message/header_lines.h"
#include "message/header_scan.h"

namespace tarvox {

JunkClassifier::Patterns::Patterns(std::string_view stored) : patterns(StoredPatternList(stored)) {
    // A pattern that starts with a plain character matches only lines that
    // start with it, in either letter case; one that starts with "*" or "?"
    // may match any line.
    for (const std::string& pattern : patterns) {
        const char first = pattern.front();
        if (first == '*' || first == '?') {
            may_start.fill(true);
            break;
        }
        may_start[static_cast<unsigned char>(AsciiLower(first))] = true;
        may_start[static_cast<unsigned char>(AsciiUpper(first))] = true;
    }
}

bool JunkClassifier::Patterns::Match(std::string_view line) const {
    // Most lines of a header block start with a character no pattern starts
    // with, and are turned away by one look at the table.
    return (line.empty() || may_start[static_cast<unsigned char>(line.front())]) &&
           MatchAnyPattern(line, patterns);
}

JunkClassifier::JunkClassifier(JunkSettings settings)
    : m_settings(std::move(settings)),
      m_white_patterns(m_settings.whitepat),
      m_black_patterns(m_settings.blackpat) {}

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
        if (white_patterns && !whitelisted && m_white_patterns.Match(line.text)) {
            whitelisted = true;
        }
        if (result == JunkVerdict::NotJunk && m_black_patterns.Match(line.text)) {
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
