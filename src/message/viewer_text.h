// What the viewer shows and keeps for one message: the formatted text (a short
// header block, or the raw header lines, followed by the body text), the
// values a reply or forward starts from, and the attachment list.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "message/attachments.h"
#include "message/header_summary.h"
#include "message/mime_body.h"

namespace tarvox {

// The "allheaders" and "htmlfilt" settings.
struct ViewerOptions {
    bool all_headers = false;
    HtmlFilterMode html_filter = HtmlFilterMode::Filter;
};

// The kept fields are at most this many bytes (512-byte fields), never cut
// inside a character.
inline constexpr std::size_t kViewerKeptFieldLength = 511;

// What Reply and Forward start from.
struct ReplyValues {
    std::string from;        // decoded
    std::string reply_to;    // decoded
    std::string subject;     // decoded
    std::string message_id;  // the first "<...>" token of Message-ID
    std::string references;  // for the reply's References header; empty when none
    bool operator==(const ReplyValues&) const = default;
};

struct ViewedAttachment {
    AttachmentRef ref;         // as the scan found it; the name still encoded
    std::string display_name;  // the name decoded to UTF-8
    std::string_view label;    // "Base64", "UUEncoded" or "Text"
};

// The short header block: Date, From, To (one entry a line), CC, ReplyTo and
// Subject, each only when it has a value. CR LF line ends.
std::string FormatViewerHeaderBlock(const HeaderSummary& summary);

// The first "<...>" token of `text` ("<" to the next ">", both included), or
// an empty text when there is none.
std::string_view FirstAngleToken(std::string_view text);

// The References text of a reply: the tokens of References, then the first
// token of In-Reply-To when it is not among them, then the first token of
// Message-ID, separated by one blank. Empty when that leaves at most one
// character.
std::string BuildReferencesText(std::string_view references, std::string_view in_reply_to,
                                std::string_view message_id);

// What the status line says once of a message whose text came in the unknown
// charset `name`; only printable ASCII of the name is shown.
std::string UnknownCharsetText(std::string_view name);

// Scans the header block of `message` and forms the viewer's text: the header
// block (or, with all_headers, the message text up to the scan's body start)
// followed by the body text, all UTF-8.
std::string BuildViewerText(std::string_view message, const ViewerOptions& options);

// Where a message comes from.
enum class MessageOrigin {
    Server,  // downloaded; its lines end in CR LF as the protocol sends them
    File,    // a message file, which on this platform often ends lines in LF
};

// One message as the viewer holds it. The caller owns it; nothing is shared
// between two of them.
class ViewedMessage {
public:
    // A message from a file is read with each bare LF taken as CR LF; the
    // text itself is kept as the file holds it.
    ViewedMessage(std::string message_text, const ViewerOptions& options,
                  MessageOrigin origin = MessageOrigin::Server);

    // The text as downloaded or read from the file, bytes as they arrived.
    const std::string& message_text() const { return m_message_text; }
    // The raw view: message_text() decoded as the message's charset; without
    // one as UTF-8 when it is well-formed multi-byte UTF-8, else as
    // Windows-1252.
    std::string raw_display_text() const;
    // The first charset of shown body text that is not known (that text was
    // read as Windows-1252); empty when every charset was known.
    const std::string& unknown_charset() const { return m_unknown_charset; }
    const HeaderSummary& summary() const { return m_summary; }
    // The formatted view, UTF-8.
    const std::string& display_text() const { return m_display_text; }
    const ReplyValues& reply_values() const { return m_reply_values; }
    const std::vector<ViewedAttachment>& attachments() const { return m_attachments; }

    // Writes the decoded data of attachment `index` to `sink`; false when
    // the sink refused a write.
    bool WriteAttachmentData(std::size_t index, const ByteSink& sink) const;

    // Writes the decoded data of attachment `index` to the file at `path`
    // through ReplaceChosenFile: complete and flushed to disk, or nothing
    // left but the old file. False when it cannot be written.
    bool SaveAttachmentFile(std::size_t index, const std::string& path) const;

private:
    // The text the header block, body and attachments are read from.
    std::string_view ReadText() const;

    std::string m_message_text;
    // The text of a file with bare LFs made CR LF; empty when there were none.
    std::string m_crlf_text;
    HeaderSummary m_summary;
    std::string m_display_text;
    std::string m_unknown_charset;
    ReplyValues m_reply_values;
    std::vector<ViewedAttachment> m_attachments;
};

}  // namespace tarvox
