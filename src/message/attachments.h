// Finding the attachments of a downloaded message and writing their decoded
// data. The scan is a flat forward search for header blocks that carry a file
// name (and for uuencode "begin" lines); it needs neither a complete message
// nor well-formed MIME, so it also works on a preview download.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

enum class AttachmentKind { Base64 = 1, UUEncoded = 2, PlainText = 3, QuotedPrintable = 4 };

// The name and boundary fields of an attachment hold at most this many
// characters (512-byte fields with their terminator).
inline constexpr std::size_t kAttachmentFieldLength = 511;
// FindNameParameter reads only lines (without CR LF) shorter than this.
inline constexpr std::size_t kNameLineLimit = 512;
// ExtractNameValue gives kUntitledName for a value line this long or longer.
inline constexpr std::size_t kNameValueLineLimit = 508;
inline constexpr std::string_view kUntitledName = "untitled";
// A uuencode "begin" line is this long, counting its CR LF.
inline constexpr std::size_t kUuencodeStartMinLength = 11;
inline constexpr std::size_t kUuencodeStartMaxLength = 511;
// Base64 and uuencoded data reach the sink in pieces of at most this size.
inline constexpr std::size_t kAttachmentWriteBufferSize = 262144;

struct AttachmentRef {
    std::string name;            // as found, encoded words not decoded
    std::size_t data_start = 0;  // offset of the encoded data in the message
    AttachmentKind kind = AttachmentKind::PlainText;
    std::string boundary_line;  // where PlainText and QuotedPrintable data end
    // The name is an RFC 2231 parameter value ("utf-8''%E6%97%A5.txt"), its
    // continuations joined; see DecodeExtendedValue.
    bool extended_name = false;
    bool operator==(const AttachmentRef&) const = default;
};

// When `line` (with its CR LF) is a uuencode start "begin <mode> <name>" of
// 11 to 511 characters whose mode has three characters (the tenth character
// is a blank), the offset of the name in the line; else nothing.
std::optional<std::size_t> FindUuencodeName(std::string_view line);

// The first attachment found in `message` from `position` on, or nothing.
// A header block offers an attachment when it has a Content-Type or
// Content-Disposition line (or a transfer encoding declaration) followed by a
// name parameter before its empty line; the last name in the block wins, and
// an RFC 2231 name ("filename*=", "name*0*=" and its continuations) wins over
// a plain one. The
// kind follows the last transfer encoding declared since `position`:
// Base64 data starts at the empty line itself, QuotedPrintable and PlainText
// data after it. A uuencode start line offers a UUEncoded attachment whose
// data starts on the next line. `boundary_line` is recorded in the result.
// The data start always lies after `position`, so scanning again from it
// makes progress.
std::optional<AttachmentRef> ScanNextAttachment(std::string_view message, std::size_t position,
                                                std::string_view boundary_line);

// Every attachment: ScanNextAttachment from the start of the message, then
// from each data start, until none is left.
std::vector<AttachmentRef> FindAttachments(std::string_view message,
                                           std::string_view boundary_line);

// The offset of a name value on the line that starts at `line_start`: after
// the first "name" (any case, so "filename" too) comes "=value", "= value" or
// "=value more". Nothing for an empty line, a line of kNameLineLimit or more
// characters, or any other shape ("name*=" among them).
std::optional<std::size_t> FindNameParameter(std::string_view message, std::size_t line_start);

// The name that starts at `value_start`: a quoted value without its quotes
// (the whole rest of the line when the quotes are empty), an unquoted value
// up to a double quote or the end of the line, blanks and ";" included.
// kUntitledName when the rest of the line is empty or kNameValueLineLimit
// characters or longer.
std::string ExtractNameValue(std::string_view message, std::size_t value_start);

// An RFC 2231 section 4 value, charset'language'percent-encoded text, as
// UTF-8 through DecodeCharset; without the two quotes all of it is the text.
std::string DecodeExtendedValue(std::string_view value);

// The text of the Encoding column: "Base64", "UUEncoded" or "Text".
std::string_view EncodingLabel(AttachmentKind kind);

// Receives decoded bytes; false stops the writing.
using ByteSink = std::function<bool(std::string_view bytes)>;

// Writes the decoded data of `attachment` (see the writers below). False when
// the sink refused a write.
bool WriteAttachment(std::string_view message, const AttachmentRef& attachment,
                     const ByteSink& sink);

// The text from `data_start` to the boundary (without its CR LF), less the
// line break before the boundary; to the end of the message when the
// boundary is empty or never occurs. Written in one piece, unchanged.
bool WritePlainTextData(std::string_view message, std::size_t data_start,
                        std::string_view boundary_line, const ByteSink& sink);

// The same text, quoted-printable decoded, in one piece.
bool WriteQuotedPrintableData(std::string_view message, std::size_t data_start,
                              std::string_view boundary_line, const ByteSink& sink);

// Lenient base64: groups of four characters, line breaks skipped only between
// groups, up to a group that starts with "-" (a boundary) or "." (the POP3
// terminator) or the end of the message. Characters outside the alphabet
// count as 0; "=" third or fourth in a group drops a byte; a group cut short
// by the end of the message gives the bytes its characters complete.
bool WriteBase64Data(std::string_view message, std::size_t data_start, const ByteSink& sink);

// Uuencoded lines from `data_start` up to the first line shorter than five
// characters; a leading "." on a line is POP3 dot-stuffing and skipped.
bool WriteUuencodedData(std::string_view message, std::size_t data_start, const ByteSink& sink);

}  // namespace tarvox
