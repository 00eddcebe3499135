// The fields of a mailto link (RFC 6068): what a composer opened from a link
// starts with.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarvox {

// The longest body a link may fill in.
inline constexpr std::size_t kMailtoBodyLength = 65536;

struct MailtoFields {
    std::string to, cc, bcc, subject, body;
};

// The fields of `link`, the text after "mailto:" as given (still
// percent-encoded). The part before "?" is the To address list; after it come
// hfields "name=value" joined by "&" (RFC 6068 section 2), names in any letter
// case: the values of "to", "cc" and "bcc" are added to their field with
// ", ", the first "subject" and the first "body" are taken, other hfields are
// ignored. Names and values are URL-decoded (DecodeMailtoText: "+" stays, a
// NUL ends a field, UTF-8 or old ISO-8859-1 octets). The body's line breaks
// (CR LF, or a CR or LF alone) become CR LF; in the other fields each CR and LF
// becomes a blank. To, CC, BCC and the subject hold at most 511 bytes, the
// body at most 64 KiB, never cut inside a character.
MailtoFields ParseMailtoLink(std::string_view link);

}  // namespace tarvox
