#include "message/mime_body.h"

#include <algorithm>

#include "codec/ascii.h"
#include "codec/base64.h"
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

class BodyWalk {
public:
    BodyWalk(const BodyWalkStart& from, HtmlFilterMode html_filter, std::string& display)
        : m_boundary_line(from.boundary_line),
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
            m_plain_text = false;
            m_html = false;
            m_hiding = true;
        } else if (terminator) {
            m_hiding = true;  // the POP3 terminator
        } else if (line == kCrLf) {
            m_hiding = false;  // the empty line after a part header
        }

        DetectTransferEncoding(line, m_encoding, /*keep_quoted_printable=*/true);

        if (m_filter_html && StartsWithIgnoreAsciiCase(line, "Content-Type: text/html")) {
            m_html = true;
            m_display += kHtmlContentMarker;
        } else if (StartsWithIgnoreAsciiCase(line, "Content-Type: text/plain")) {
            m_plain_text = true;
        } else if (FindUuencodeName(line)) {
            m_hiding = true;  // the encoded lines, up to the next empty line
        }

        if (m_hiding) {
            ExtractBoundary(line, m_boundary_line, kBoundaryFieldSize);
        } else {
            Show(line);
        }
    }

    std::string TakeBoundaryLine() { return std::move(m_boundary_line); }

private:
    void Show(std::string_view line) {
        if (m_html) {
            std::string filtered;
            HtmlToText(m_html_state, line, filtered);
            if (m_encoding == TransferEncoding::QuotedPrintable) {
                DecodeQuotedPrintable(filtered, m_display);
            } else if (m_encoding != TransferEncoding::Base64) {
                m_display += filtered;
            }
        } else if (m_encoding == TransferEncoding::QuotedPrintable) {
            DecodeQuotedPrintable(line, m_display);
        } else if (m_encoding == TransferEncoding::Base64) {
            // Only text is shown, one line at a time, and only a line that
            // decodes on its own (its length a multiple of four).
            if (m_plain_text) {
                const std::string_view text = line.substr(0, line.find_last_not_of(kCrLf) + 1);
                const std::string bytes = DecodeBase64Text(text);
                m_display.append(bytes, 0, bytes.find('\0'));
            }
        } else {
            m_display += line;
        }
    }

    std::string m_boundary_line;
    TransferEncoding m_encoding;
    const bool m_filter_html;
    bool m_html;
    bool m_plain_text;
    bool m_hiding;
    HtmlFilterState m_html_state;
    std::string& m_display;
};

}  // namespace

BodyWalkStart BodyWalkStartFrom(const HeaderSummary& summary) {
    return {summary.boundary_line, summary.transfer_encoding, summary.html, summary.plain_text};
}

std::string BuildBodyText(std::string_view message, std::size_t start, const BodyWalkStart& from,
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
    return walk.TakeBoundaryLine();
}

}  // namespace tarvox
