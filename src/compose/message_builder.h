// Turning a composed message into an Internet message (RFC 5322 header
// block, MIME body with quoted-printable text and base64 attachments), and
// the tab-aligned text form used for drafts, copies to self and printing.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>

#include "compose/composed_message.h"
#include "message/header_summary.h"

namespace tarvox {

inline constexpr std::string_view kMailerName = "Tarvox Plus 3.3 beta3a";
// The editor gives at most this many characters of one line.
inline constexpr std::size_t kEditorLineLimit = 1024;
inline constexpr std::size_t kAttachmentSlice = 54;

// The charset a text goes out in: ISO-8859-1, byte for byte, when every
// character fits; UTF-8 otherwise. The body, the header block and each
// attachment's part headers are decided on their own, so that the body is
// sent in the bytes GnuPG was given (see ApplyGpgFunction).
enum class MessageCharset { Latin1, Utf8 };

MessageCharset CharsetFor(std::string_view text);

// CharsetFor the body lines together.
MessageCharset BodyCharset(const ComposedMessage& message);

// "ISO-8859-1" or "UTF-8", as a Content-Type charset parameter names it.
std::string_view CharsetName(MessageCharset charset);

// The bytes of the UTF-8 `text` in `charset` (ill-formed bytes as U+FFFD in UTF-8).
std::string CharsetBytes(std::string_view text, MessageCharset charset);

// Draws one random number; the builder takes each draw modulo 256.
using RandomDraw = std::function<std::uint32_t()>;

// The header block. Wire form: what is transmitted. Text form: the
// tab-aligned draft layout. `boundary` (empty for none) and `quoted_printable`
// matter only in wire form, `charset` (the body's) only with `quoted_printable`.
// The wire form is in the bytes of CharsetFor the block, the text form UTF-8.
// Every line ends in CR LF; there is no empty line.
struct HeaderBlockRequest {
    bool text_form = false;
    std::string boundary;
    bool quoted_printable = false;
    MessageCharset charset = MessageCharset::Latin1;
    std::string date;        // MakeMailDate
    std::string message_id;  // MakeMessageId, wire form only
};
std::string BuildHeaderBlock(const ComposedMessage& message, const HeaderBlockRequest& request);

// "Sat, 22 Mar 2003 11:33:30 +0100": English names, local time, offset.
std::string MakeMailDate(std::time_t now);

// "<tvx.YYYYMMDDhhmmss.xxxxxxxx@host>"; the byte drawn last is printed first.
std::string MakeMessageId(std::time_t now, std::string_view host, const RandomDraw& draw);

// "--=_Boundary-XXXXXXXX", the byte drawn last first.
std::string MakeBoundary(const RandomDraw& draw);

// The entry as typed, unless its display name needs encoding: then the
// encoded name, a blank and the address in angle brackets.
std::string FormatRecipient(const AddressEntry& entry);

// FormatRecipient of the field's first entry; the field as it stands when it
// has none.
std::string FormatFirstAddress(std::string_view field);

// True when a byte of the body is above 0x7E.
bool BodyHasEightBit(const ComposedMessage& message);

// The fqdn setting when set, else this machine's host name ("localhost" when
// that cannot be had).
std::string MessageHost(std::string_view fqdn);

// One editor line as it is sent: in `charset` bytes, cut to the editor's limit
// of characters, its paragraph CR LF removed.
std::string BodyLine(std::string_view editor_line, MessageCharset charset);

// One body line in quoted-printable (RFC 2045 section 6.7): output lines of at
// most 76 characters, soft breaks "=", trailing blanks dropped.
void EncodeQuotedPrintableLine(std::string_view line,
                               const std::function<void(std::string_view)>& emit);

// The whole draft text (UTF-8): header block (text form) and an empty line when
// `with_header`, then the body lines, each ending in CR LF.
std::string ComposeText(const ComposedMessage& message, bool with_header, std::time_t now);

}  // namespace tarvox
