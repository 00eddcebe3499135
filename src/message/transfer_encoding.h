// Recognising MIME declarations on single header lines: the transfer
// encoding, the multipart boundary and the charset. Used by the header scan and, line by
// line, by the body walk.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "message/header_summary.h"

namespace tarvox {

// True when the line declares a transfer encoding ("content-transfer-encoding:
// quoted-printable", "7bit", "8bit" or "base64", any letter case), which then
// becomes `encoding`. With `keep_quoted_printable`, a 7bit or 8bit declaration
// leaves an encoding that is already QuotedPrintable as it is (the line still
// counts as a declaration).
bool DetectTransferEncoding(std::string_view line, TransferEncoding& encoding,
                            bool keep_quoted_printable);

// When the line holds a boundary parameter, `boundary_line` becomes "--" +
// boundary + CR LF. A value in double quotes runs to the next quote; else to
// the next ";", blank or tab. Nothing changes for an empty value, or when the text
// from "boundary=" on is `capacity` - 5 characters or longer.
void ExtractBoundary(std::string_view line, std::string& boundary_line, std::size_t capacity = 512);

// When the line holds a non-empty charset parameter (RFC 2045 section 5.1;
// also the one of an HTML "<meta>" tag), `charset` becomes its value, without
// quotes, and the result is true.
bool ExtractCharset(std::string_view line, std::string& charset);

}  // namespace tarvox
