// The readable body of a downloaded message: a line walk over the text after
// the header block that hides part headers, decodes quoted-printable and
// base64 text, converts each part from its charset to UTF-8, frames HTML
// parts and passes them through the HTML filter.
//
// The walk is flat: it keeps one boundary, one transfer encoding and a few
// flags, and changes them as declaration lines go by. A nested multipart
// declaration replaces the boundary, so once the inner parts close, the outer
// boundary and the header lines of later outer parts are shown as text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "message/header_summary.h"

namespace tarvox {

// What the walk starts from: the MIME facts of the message's own header.
struct BodyWalkStart {
    std::string boundary_line;  // "--" + boundary + CR LF, or empty
    std::string charset;        // the message's charset parameter, or empty
    TransferEncoding transfer_encoding = TransferEncoding::None;
    bool html = false;        // the message declared text/html
    bool plain_text = false;  // the message declared text/plain
};

BodyWalkStart BodyWalkStartFrom(const HeaderSummary& summary);

// The "htmlfilt" setting: whether HTML parts go through the filter and are
// announced, or are shown as raw text.
enum class HtmlFilterMode { ShowRaw, Filter };

inline constexpr std::string_view kHtmlContentMarker =
    "\r\n\r\n--- HTML content follows ---\r\n\r\n";

struct BodyTextEnd {
    // The boundary line in effect at the end of the walk: the top-level one,
    // or the last nested one declared. That is the boundary the attachment
    // scan is given.
    std::string boundary_line;
    // The first charset shown text declared that is not known (its text was
    // read as Windows-1252); empty when none.
    std::string unknown_charset;
};

// Appends the displayable body of `message` to `display` as UTF-8, walking
// the CR LF lines from `start` (the header scan's body start); a last line
// without CR LF is not shown. Each shown part is converted from the charset
// its header declares (the message's for a single part; in HTML without one,
// its "<meta>" charset); undeclared 8-bit text is read as Windows-1252, and
// invalid sequences become U+FFFD.
BodyTextEnd BuildBodyText(std::string_view message, std::size_t start, const BodyWalkStart& from,
                          HtmlFilterMode html_filter, std::string& display);

}  // namespace tarvox
