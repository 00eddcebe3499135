#include "junk/junk_classifier.h"

#include "junk/junk_rules.h"
#include "message/header_lines.h"
#include "message/header_scan.h"

namespace tarvox {

namespace {

// The verdict of the pattern and term lists. The patterns meet each header
// line that is not too long, continuation lines included; the terms meet the
// fields as read: the Subject and From words decoded but their leading blanks
// kept, the To and Cc entries as they stand on the lines.
JunkVerdict ListVerdict(std::string_view message, const HeaderSummary& as_read,
                        const JunkSettings& settings) {
    JunkVerdict result = JunkVerdict::NotJunk;
    const bool white_patterns = !settings.whitepat.empty();
    bool whitelisted = false;
    HeaderLines lines(message);
    HeaderLine line;
    while (lines.Next(line)) {
        if (line.too_long) {
            continue;
        }
        if (white_patterns && MatchPatternList(line.text, settings.whitepat)) {
            whitelisted = true;
        }
        if (result == JunkVerdict::NotJunk && MatchPatternList(line.text, settings.blackpat)) {
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

}  // namespace

HeaderSummary ScanAndClassify(std::string_view message, const JunkSettings& settings) {
    HeaderSummary summary = ReadHeaderBlock(message);
    JunkVerdict result = ListVerdict(message, summary, settings);
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

}  // namespace tarvox
