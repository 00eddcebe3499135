// The header scan: a fixed set of line prefixes read from single physical
// lines. Only To, Cc, In-Reply-To and References are unfolded (RFC 5322
// section 2.2.3); a folded Subject or From keeps its first line.
#include "message/header_scan.h"

#include <algorithm>

#include "codec/ascii.h"
#include "junk/junk_rules.h"
#include "message/address_list.h"
#include "message/header_words.h"
#include "message/transfer_encoding.h"

namespace tarvox {

namespace {

// Header lines are read into a 512-byte buffer: a line of this many
// characters or more is skipped (it matches nothing and is not tested against
// the junk patterns).
constexpr std::size_t kMaxHeaderLine = 511;
// The boundary line is kept in a field of this many bytes.
constexpr std::size_t kBoundaryCapacity = 512;
// The heuristic bit that makes every HTML message junk.
constexpr int kRuleHtml = 0x40;

enum class OpenHeader { None, To, Cc, InReplyTo, References };

void RemoveLeadingBlanks(std::string& text) {
    text.erase(0, std::min(text.find_first_not_of(" \t"), text.size()));
}

// The verdict inputs gathered while the lines are walked.
struct JunkState {
    const JunkSettings* settings = nullptr;
    bool white_patterns = false;
    bool whitelisted = false;
};

void TestLineAgainstPatterns(std::string_view line, JunkState& junk, HeaderSummary& summary) {
    if (junk.settings == nullptr) {
        return;
    }
    if (junk.white_patterns && MatchPatternList(line, junk.settings->whitepat)) {
        junk.whitelisted = true;
    }
    if (summary.junk_verdict == verdict::kNotJunk &&
        MatchPatternList(line, junk.settings->blackpat)) {
        summary.junk_verdict = verdict::kBlacklistPattern;
    }
}

void NoteContentType(std::string_view line, HeaderSummary& summary) {
    if (StartsWithIgnoreAsciiCase(line, "content-type: multipart/mixed")) {
        summary.multipart = true;
    } else if (StartsWithIgnoreAsciiCase(line, "Content-Type: text/html")) {
        summary.html = true;
    } else if (StartsWithIgnoreAsciiCase(line, "Content-Type: text/plain")) {
        summary.plain_text = true;
    }
}

// The header prefixes, first match wins; returns the header left open.
OpenHeader ReadHeaderLine(std::string_view line, HeaderSummary& summary) {
    auto rest_after = [&](std::string_view prefix, std::string_view& rest) {
        if (!StartsWithIgnoreAsciiCase(line, prefix)) {
            return false;
        }
        rest = line.substr(prefix.size());
        return true;
    };
    std::string_view rest;
    if (rest_after("cc:", rest)) {
        ParseAddressList(rest, summary.cc);
        return OpenHeader::Cc;
    }
    if (rest_after("from:", rest)) {
        summary.from = rest;
    } else if (rest_after("to:", rest)) {
        ParseAddressList(rest, summary.to);
        return OpenHeader::To;
    } else if (rest_after("reply-to:", rest)) {
        summary.reply_to = rest;
    } else if (rest_after("date:", rest)) {
        summary.date = rest;
    } else if (rest_after("subject:", rest)) {
        summary.subject = rest;
    } else if (line.starts_with("Status:") || line.starts_with("X-Status:")) {
        // Written by local delivery agents (mbox "Status: RO", "X-Status: A");
        // the names are matched in this letter case only.
        if (line.find('R') != std::string_view::npos) {
            summary.status_flags |= kStatusSeen;
        }
        if (line.find('A') != std::string_view::npos) {
            summary.status_flags |= kStatusAnswered;
        }
    } else if (rest_after("message-id:", rest)) {
        summary.message_id = rest;
    } else if (rest_after("in-reply-to:", rest)) {
        summary.in_reply_to = rest;
        return OpenHeader::InReplyTo;
    } else if (rest_after("references:", rest)) {
        summary.references = rest;
        return OpenHeader::References;
    }
    return OpenHeader::None;
}

void ContinueHeader(OpenHeader open, std::string_view line, HeaderSummary& summary) {
    switch (open) {
        case OpenHeader::To:
            ParseAddressList(line, summary.to);
            break;
        case OpenHeader::Cc:
            ParseAddressList(line, summary.cc);
            break;
        case OpenHeader::InReplyTo:
            summary.in_reply_to += line;
            break;
        case OpenHeader::References:
            summary.references += line;
            break;
        case OpenHeader::None:
            break;
    }
}

// Classification after the walk, before the leading blanks are removed and
// before the To and Cc texts are decoded.
void ClassifyByTerms(JunkState& junk, HeaderSummary& summary) {
    const JunkSettings& settings = *junk.settings;
    if (summary.junk_verdict == verdict::kNotJunk && !settings.blacklist.empty() &&
        MatchTermList(settings.blacklist, summary.subject, summary.from, summary.to, summary.cc)) {
        summary.junk_verdict = verdict::kBlacklist;
    }
    if (!settings.antispam.empty()) {
        if (MatchTermList(settings.antispam, summary.subject, summary.from, summary.to,
                          summary.cc)) {
            junk.whitelisted = true;
        } else if (!junk.whitelisted) {
            summary.junk_verdict = verdict::kNotOnWhitelist;
        }
    }
    if (junk.white_patterns && !junk.whitelisted) {
        summary.junk_verdict = verdict::kNotOnWhitelistPattern;
    }
}

}  // namespace

HeaderSummary ScanHeaders(std::string_view message, const JunkSettings* junk_settings) {
    HeaderSummary summary;
    JunkState junk;
    junk.settings = junk_settings;
    junk.white_patterns = junk_settings != nullptr && !junk_settings->whitepat.empty();

    // The message is a C string: a NUL byte ends it.
    message = message.substr(0, message.find('\0'));

    OpenHeader open = OpenHeader::None;
    std::size_t position = 0;
    while (position < message.size()) {
        summary.body_start = position;
        const std::size_t cr = message.find('\r', position);
        if (cr == std::string_view::npos) {
            break;
        }
        const bool too_long = cr - position >= kMaxHeaderLine;
        const std::string_view line =
            too_long ? std::string_view() : message.substr(position, cr - position);
        if (!too_long && (line.empty() || line == "." || line == " ")) {
            break;
        }
        const std::size_t line_end = message.find("\r\n", position);
        if (line_end == std::string_view::npos) {
            break;
        }
        position = line_end + 2;

        if (too_long) {
            // Read as an empty line: it closes the open header and nothing on
            // it is matched.
            open = OpenHeader::None;
            continue;
        }
        TestLineAgainstPatterns(line, junk, summary);
        if (line[0] == ' ' || line[0] == '\t') {
            ContinueHeader(open, line, summary);
        } else {
            open = OpenHeader::None;
        }
        NoteContentType(line, summary);
        ExtractBoundary(line, summary.boundary_line, kBoundaryCapacity);
        DetectTransferEncoding(line, summary.transfer_encoding, /*keep_quoted_printable=*/false);
        if (const OpenHeader opened = ReadHeaderLine(line, summary); opened != OpenHeader::None) {
            open = opened;
        }
    }

    DecodeHeaderWords(summary.from);
    DecodeHeaderWords(summary.subject);
    DecodeHeaderWords(summary.reply_to);

    if (junk.settings != nullptr) {
        ClassifyByTerms(junk, summary);
    }

    for (std::string* field : {&summary.from, &summary.date, &summary.subject, &summary.reply_to,
                               &summary.boundary_line}) {
        RemoveLeadingBlanks(*field);
    }

    for (AddressList* list : {&summary.to, &summary.cc}) {
        for (AddressEntry& entry : *list) {
            DecodeHeaderWords(entry.name);
            DecodeHeaderWords(entry.raw);
        }
    }

    if (junk.settings != nullptr && summary.junk_verdict == verdict::kNotJunk) {
        if ((junk.settings->filterbits & kRuleHtml) != 0 && summary.html) {
            summary.junk_verdict = verdict::kHtml;
        } else {
            summary.junk_verdict = HeuristicVerdict(junk.settings->filterbits, summary.from,
                                                    summary.subject, summary.to, summary.cc);
        }
    }
    return summary;
}

}  // namespace tarvox
