#include "message/mime_body.h"

#include <string.h>

#include <algorithm>

#include "codec/ascii.h"
#include "codec/base64.h"
#include "codec/charset.h"
#include "message/attachments.h"
#include "message/dot_stuffing.h"
#include "message/html_filter.h"
#include "message/quoted_printable.h"
#include "message/transfer_encoding.h"

namespace tarvox {
namespace {

constexpr std::string_view kCrLf = "\r\n";
// The boundary line is kept in a 512-byte field.
constexpr std::size_t kBoundaryFieldSize = 512;
// Lines this long or longer (with CR LF) may be a closing delimiter.
constexpr std::size_t kDelimiterPrefixMinLength = 11;

// The line is the boundary line, its closing delimiter "--boundary--"
// (RFC 2046 section 5.1.1), or it agrees with the boundary line in all but
// its last four characters. The latter also catches any longer line that
// starts like the boundary, and a shorter one that starts like it when the
// boundary is long.
bool IsBoundary(std::string_view line, std::string_view boundary_line) {
    if (boundary_line.empty()) {
        return false;
    }
    if (line == boundary_line) {
        return true;
    }
    if (boundary_line.ends_with(kCrLf)) {
        const std::string_view delimiter = boundary_line.substr(0, boundary_line.size() - 2);
        if (line.size() == delimiter.size() + 4 && line.starts_with(delimiter) &&
            line.substr(delimiter.size()) == "--\r\n") {
            return true;
        }
    }
    if (line.size() < kDelimiterPrefixMinLength) {
        return false;
    }
    const std::size_t compared = line.size() - 4;
    return boundary_line.size() >= compared &&
           line.substr(0, compared) == boundary_line.substr(0, compared);
}

// Decoded bytes are converted in pieces of about this size.
constexpr std::size_t kPendingChunk = 16384;

// Charsets whose line feed is more than the byte 0x0A.
bool IsWideCharset(std::string_view charset) {
    for (std::string_view wide : {"UTF-16", "UTF-32", "UCS", "UNICODE", "UTF16", "UTF32"}) {
        if (StartsWithIgnoreAsciiCase(charset, wide)) {
            return true;
        }
    }
    return false;
}

// The charset an HTML text declares in a "<meta charset=...>" or
// "<meta http-equiv=... content=\"...; charset=...\">" tag; empty when none.
std::string MetaCharset(std::string_view html) {
    std::string charset;
    for (std::size_t at = 0; at < html.size(); ++at) {
        if (html[at] != '<' || !StartsWithIgnoreAsciiCase(html.substr(at), "<meta")) {
            continue;
        }
        const std::string_view tag = html.substr(at, html.find('>', at) - at);
        if (ExtractCharset(tag, charset)) {
            break;
        }
    }
    return charset;
}

class BodyWalk {
public:
    BodyWalk(const BodyWalkStart& from, HtmlFilterMode html_filter, std::string& display)
        : m_boundary_line(from.boundary_line),
          m_charset(from.charset),
          m_encoding(from.transfer_encoding),
          m_filter_html(html_filter == HtmlFilterMode::Filter),
          m_html(from.html && m_filter_html),
          m_plain_text(from.plain_text),
          m_hiding(!from.boundary_line.empty()),
          m_display(display) {
        if (m_html) {
            m_display += kCrLf;
        }
    }

    void Line(std::string_view received) {
        // The terminator is told from a stuffed lone "." before the extra
        // dots go.
        const bool terminator = received == ".\r\n";
        const std::string_view line = UnstuffLine(received);
        if (IsBoundary(line, m_boundary_line)) {
            Flush();
            m_plain_text = false;
            m_html = false;
            m_hiding = true;
            m_charset.clear();  // a part without a charset parameter has none
        } else if (terminator) {
            Flush();
            m_hiding = true;  // the POP3 terminator
        } else if (line == kCrLf) {
            m_hiding = false;  // the empty line after a part header
        }

        DetectTransferEncoding(line, m_encoding, /*keep_quoted_printable=*/true);

        if (m_filter_html && StartsWithIgnoreAsciiCase(line, "Content-Type: text/html")) {
            Flush();
            m_html = true;
            m_display += kHtmlContentMarker;
        } else if (StartsWithIgnoreAsciiCase(line, "Content-Type: text/plain")) {
            m_plain_text = true;
        } else if (FindUuencodeName(line)) {
            m_hiding = true;  // the encoded lines, up to the next empty line
        }

        if (m_hiding) {
            ExtractBoundary(line, m_boundary_line, kBoundaryFieldSize);
            std::string charset;
            if (ExtractCharset(line, charset) && charset != m_charset) {
                Flush();
                m_charset = std::move(charset);
            }
        } else {
            Show(line);
        }
    }

    BodyTextEnd Finish() {
        Flush();
        return {std::move(m_boundary_line), std::move(m_unknown_charset)};
    }

private:
    // Collects the transfer-decoded bytes of a shown line; they are converted
    // from their charset by Flush, together, since base64 and quoted-printable
    // lines may end inside a multi-byte character.
    void Show(std::string_view line) {
        const std::size_t before = m_pending.size();
        if (m_encoding == TransferEncoding::QuotedPrintable) {
            DecodeQuotedPrintable(line, m_pending);
        } else if (m_encoding == TransferEncoding::Base64) {
            // Only plain text is shown, one line at a time, and only a line
            // that decodes on its own (its length a multiple of four).
            if (m_plain_text && !m_html) {
                const std::string_view text = line.substr(0, line.find_last_not_of(kCrLf) + 1);
                const std::string bytes = DecodeBase64Text(text);
                m_pending.append(bytes, 0, bytes.find('\0'));
            }
        } else {
            m_pending += line;
        }
        // Only the new bytes are searched: a part without line feeds (soft
        // breaks alone) must not be searched again for every line. glibc's
        // memrchr searches them from their end a word at a time.
        if (const void* line_feed =
                memrchr(m_pending.data() + before, '\n', m_pending.size() - before)) {
            m_whole_lines = static_cast<std::size_t>(static_cast<const char*>(line_feed) -
                                                     m_pending.data()) + 1;
        }
        if (m_whole_lines >= kPendingChunk) {
            FlushWholeLines();
        }
    }

    // Shows the collected lines that are complete, so that a long part is
    // converted in pieces while they are still in the cache. A line feed byte
    // ends a character in every charset that keeps ASCII as it is; an HTML
    // part whose charset may still come from its "<meta>" tag, and the wide
    // charsets, wait for the end of the part.
    void FlushWholeLines() {
        if ((m_html && m_charset.empty()) || IsWideCharset(m_charset)) {
            return;
        }
        Convert(std::string_view(m_pending).substr(0, m_whole_lines));
        m_pending.erase(0, m_whole_lines);
        m_whole_lines = 0;
    }

    // Shows the collected bytes.
    void Flush() {
        Convert(m_pending);
        m_pending.clear();
        m_whole_lines = 0;
    }

    // Shows `bytes` as UTF-8, through the HTML filter in an HTML part.
    void Convert(std::string_view bytes) {
        if (bytes.empty()) {
            return;
        }
        std::string charset = m_charset;
        if (m_html && charset.empty()) {
            charset = MetaCharset(bytes);
        }
        if (!m_html) {
            // Plain text goes straight onto the display, without a copy.
            NoteCharset(AppendDecodedCharset(bytes, charset, m_display), charset);
            return;
        }
        const DecodedText decoded = DecodeCharset(bytes, charset);
        NoteCharset(decoded.known, charset);
        const std::string_view text = decoded.utf8;
        for (std::size_t at = 0; at < text.size();) {
            const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
            HtmlToText(m_html_state, text.substr(at, end - at), m_display);
            at = end;
        }
    }

    // Remembers the first charset that was not known.
    void NoteCharset(CharsetKnown known, const std::string& charset) {
        if (known == CharsetKnown::No && m_unknown_charset.empty()) {
            m_unknown_charset = charset;
        }
    }

    std::string m_boundary_line;
    std::string m_charset;
    TransferEncoding m_encoding;
    const bool m_filter_html;
    bool m_html;
    bool m_plain_text;
    bool m_hiding;
    HtmlFilterState m_html_state;
    std::string m_pending;  // transfer-decoded bytes not yet shown
    std::size_t m_whole_lines = 0;  // m_pending's bytes up to its last line feed
    std::string m_unknown_charset;
    std::string& m_display;
};

}  // namespace

BodyWalkStart BodyWalkStartFrom(const HeaderSummary& summary) {
    return {summary.boundary_line, summary.charset, summary.transfer_encoding, summary.html,
            summary.plain_text};
}

BodyTextEnd BuildBodyText(std::string_view message, std::size_t start, const BodyWalkStart& from,
                          HtmlFilterMode html_filter, std::string& display) {
    BodyWalk walk(from, html_filter, display);
    std::size_t at = std::min(start, message.size());
    for (;;) {
        const std::size_t end = message.find(kCrLf, at);
        if (end == std::string_view::npos) {
            break;
        }
        const std::size_t next = end + kCrLf.size();
        walk.Line(message.substr(at, next - at));
        at = next;
    }
    return walk.Finish();
}

}  // namespace tarvox
