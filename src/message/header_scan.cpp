// The header scan: a fixed set of line prefixes read from single physical
// lines. Only To, Cc, In-Reply-To and References are unfolded (RFC 5322
// section 2.2.3); a folded Subject, From or Reply-To keeps its first line,
// unless the fold lies between two encoded words (RFC 2047 section 2 asks
// senders to fold long encoded text that way).
#include "message/header_scan.h"

#include <algorithm>

#include "codec/ascii.h"
#include "codec/utf8.h"
#include "message/address_list.h"
#include "message/header_lines.h"
#include "message/header_words.h"
#include "message/transfer_encoding.h"

namespace tarvox {

namespace {

// The boundary line is kept in a field of this many bytes.
constexpr std::size_t kBoundaryCapacity = 512;

enum class OpenHeader { None, To, Cc, InReplyTo, References, ContentType, From, Subject, ReplyTo };

void RemoveLeadingBlanks(std::string& text) {
    text.erase(0, std::min(text.find_first_not_of(" \t"), text.size()));
}

// Notes the media type; returns whether the line is a Content-Type line.
bool NoteContentType(std::string_view line, HeaderSummary& summary) {
    if (!StartsWithIgnoreAsciiCase(line, "content-type:")) {
        return false;
    }
    ExtractCharset(line, summary.charset);
    if (StartsWithIgnoreAsciiCase(line, "content-type: multipart/mixed")) {
        summary.multipart = true;
    } else if (StartsWithIgnoreAsciiCase(line, "Content-Type: text/html")) {
        summary.html = true;
    } else if (StartsWithIgnoreAsciiCase(line, "Content-Type: text/plain")) {
        summary.plain_text = true;
    }
    return true;
}

// Written by local delivery agents (mbox "Status: RO", "X-Status: A"); the
// names are matched in this letter case only.
void NoteStatus(std::string_view line, HeaderSummary& summary) {
    if (line.find('R') != std::string_view::npos) {
        summary.status_flags |= kStatusSeen;
    }
    if (line.find('A') != std::string_view::npos) {
        summary.status_flags |= kStatusAnswered;
    }
}

// The header prefixes; returns the header left open. Only the prefixes that
// begin with the line's first letter can match, so every line is compared
// with one or two of them, not with all.
OpenHeader ReadHeaderLine(std::string_view line, HeaderSummary& summary) {
    auto rest_after = [&](std::string_view prefix, std::string_view& rest) {
        if (!StartsWithIgnoreAsciiCase(line, prefix)) {
            return false;
        }
        rest = line.substr(prefix.size());
        return true;
    };
    std::string_view rest;
    switch (AsciiLower(line.front())) {
        case 'c':
            if (rest_after("cc:", rest)) {
                ParseAddressList(rest, summary.cc);
                return OpenHeader::Cc;
            }
            break;
        case 'f':
            if (rest_after("from:", rest)) {
                summary.from = rest;
                return OpenHeader::From;
            }
            break;
        case 't':
            if (rest_after("to:", rest)) {
                ParseAddressList(rest, summary.to);
                return OpenHeader::To;
            }
            break;
        case 'r':
            if (rest_after("reply-to:", rest)) {
                summary.reply_to = rest;
                return OpenHeader::ReplyTo;
            }
            if (rest_after("references:", rest)) {
                summary.references = rest;
                return OpenHeader::References;
            }
            break;
        case 'd':
            if (rest_after("date:", rest)) {
                summary.date = rest;
            }
            break;
        case 's':
            if (rest_after("subject:", rest)) {
                summary.subject = rest;
                return OpenHeader::Subject;
            }
            if (line.starts_with("Status:")) {
                NoteStatus(line, summary);
            }
            break;
        case 'x':
            if (line.starts_with("X-Status:")) {
                NoteStatus(line, summary);
            }
            break;
        case 'm':
            if (rest_after("message-id:", rest)) {
                summary.message_id = rest;
            }
            break;
        case 'i':
            if (rest_after("in-reply-to:", rest)) {
                summary.in_reply_to = rest;
                return OpenHeader::InReplyTo;
            }
            break;
        default:
            break;
    }
    return OpenHeader::None;
}

// A continuation line that goes on with the encoded words its value ends in
// is appended; false, with the value unchanged, for any other line.
bool ContinueEncodedWords(std::string_view line, std::string& value) {
    const std::string_view words =
        line.substr(std::min(line.find_first_not_of(" \t"), line.size()));
    const std::string_view before =
        std::string_view(value).substr(0, value.find_last_not_of(" \t") + 1);
    if (!words.starts_with("=?") || !before.ends_with("?=")) {
        return false;
    }
    value += line;
    return true;
}

void ContinueHeader(OpenHeader& open, std::string_view line, HeaderSummary& summary) {
    switch (open) {
        case OpenHeader::From:
            if (!ContinueEncodedWords(line, summary.from)) {
                open = OpenHeader::None;
            }
            break;
        case OpenHeader::Subject:
            if (!ContinueEncodedWords(line, summary.subject)) {
                open = OpenHeader::None;
            }
            break;
        case OpenHeader::ReplyTo:
            if (!ContinueEncodedWords(line, summary.reply_to)) {
                open = OpenHeader::None;
            }
            break;
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
        case OpenHeader::ContentType:
            ExtractCharset(line, summary.charset);
            break;
        case OpenHeader::None:
            break;
    }
}

}  // namespace

HeaderSummary ReadHeaderBlock(std::string_view message) {
    HeaderSummary summary;
    HeaderLines lines(message);
    HeaderLine line;
    OpenHeader open = OpenHeader::None;
    while (lines.Next(line)) {
        if (line.too_long) {
            // Read as an empty line: it closes the open header and nothing on
            // it is matched.
            open = OpenHeader::None;
            continue;
        }
        const std::string_view text = line.text;
        if (text[0] == ' ' || text[0] == '\t') {
            ContinueHeader(open, text, summary);
        } else {
            open = OpenHeader::None;
        }
        if (NoteContentType(text, summary)) {
            open = OpenHeader::ContentType;
        }
        ExtractBoundary(text, summary.boundary_line, kBoundaryCapacity);
        DetectTransferEncoding(text, summary.transfer_encoding, /*keep_quoted_printable=*/false);
        if (const OpenHeader opened = ReadHeaderLine(text, summary); opened != OpenHeader::None) {
            open = opened;
        }
    }
    summary.body_start = lines.LineStart();

    for (std::string* field : {&summary.from, &summary.subject, &summary.reply_to}) {
        DecodeHeaderWords(*field);
    }
    if (!IsUtf8(summary.date)) {
        summary.date = RawHeaderText(summary.date);
    }
    // Decoded text may outgrow the line it came from; the fields stay within
    // their 512-byte records.
    for (std::string* field : {&summary.from, &summary.date, &summary.subject, &summary.reply_to}) {
        field->resize(Utf8Prefix(*field, kMaxHeaderLine).size());
    }
    return summary;
}

void FinishHeaderSummary(HeaderSummary& summary) {
    for (std::string* field : {&summary.from, &summary.date, &summary.subject, &summary.reply_to,
                               &summary.boundary_line}) {
        RemoveLeadingBlanks(*field);
    }
    for (AddressList* list : {&summary.to, &summary.cc}) {
        for (AddressEntry& entry : *list) {
            if (!IsUtf8(entry.address)) {
                entry.address = RawHeaderText(entry.address);
            }
            DecodeHeaderWords(entry.name);
            DecodeHeaderWords(entry.raw);
        }
    }
}

HeaderSummary ScanHeaders(std::string_view message) {
    HeaderSummary summary = ReadHeaderBlock(message);
    FinishHeaderSummary(summary);
    return summary;
}

}  // namespace tarvox
