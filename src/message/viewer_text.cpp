#include "message/viewer_text.h"

#include <utility>

#include "codec/charset.h"
#include "codec/line_ends.h"
#include "codec/utf8.h"
#include "config/atomic_file.h"
#include "config/file_io.h"
#include "message/header_scan.h"
#include "message/header_words.h"

namespace tarvox {

namespace {

void AppendLine(std::string& out, std::string_view prefix, std::string_view value) {
    out += prefix;
    out += value;
    out += "\r\n";
}

void AppendAddressLines(std::string& out, std::string_view label, const AddressList& list) {
    bool first = true;
    for (const AddressEntry& entry : list) {
        AppendLine(out, first ? label : std::string_view("\t\t"), entry.raw);
        first = false;
    }
}

std::string Kept(std::string_view value) {
    return std::string(Utf8Prefix(value, kViewerKeptFieldLength));
}

struct FormedText {
    std::string text;
    BodyTextEnd body_end;  // the boundary line for the attachment scan, an unknown charset
};

FormedText FormViewerText(std::string_view message, const HeaderSummary& summary,
                          const ViewerOptions& options) {
    FormedText formed;
    if (options.all_headers) {
        formed.text = RawHeaderText(message.substr(0, summary.body_start));
    } else {
        formed.text = FormatViewerHeaderBlock(summary);
    }
    formed.body_end = BuildBodyText(message, summary.body_start, BodyWalkStartFrom(summary),
                                    options.html_filter, formed.text);
    return formed;
}

}  // namespace

std::string FormatViewerHeaderBlock(const HeaderSummary& summary) {
    std::string out;
    if (!summary.date.empty()) {
        AppendLine(out, "Date:\t\t", summary.date);
    }
    if (!summary.from.empty()) {
        AppendLine(out, "From:\t\t", summary.from);
    }
    AppendAddressLines(out, "To:\t\t", summary.to);
    AppendAddressLines(out, "CC:\t\t", summary.cc);
    if (!summary.reply_to.empty()) {
        AppendLine(out, "ReplyTo:\t", summary.reply_to);
    }
    if (!summary.subject.empty()) {
        AppendLine(out, "Subject:\t", summary.subject);
    }
    return out;
}

std::string_view FirstAngleToken(std::string_view text) {
    const std::size_t open = text.find('<');
    if (open == std::string_view::npos) {
        return {};
    }
    const std::size_t close = text.find('>', open);
    if (close == std::string_view::npos) {
        return {};
    }
    return text.substr(open, close - open + 1);
}

std::string BuildReferencesText(std::string_view references, std::string_view in_reply_to,
                                std::string_view message_id) {
    // Every piece goes in with a blank before it; the first blank is dropped
    // at the end.
    std::string text;
    for (std::string_view rest = references;;) {
        const std::string_view token = FirstAngleToken(rest);
        if (token.empty()) {
            break;
        }
        text += ' ';
        text += token;
        rest.remove_prefix(static_cast<std::size_t>(token.data() - rest.data()) + token.size());
    }
    const std::string_view reply_token = FirstAngleToken(in_reply_to);
    if (text.find(reply_token) == std::string::npos) {
        text += ' ';
        text += reply_token;
    }
    // A message without Message-ID leaves a trailing blank here.
    text += ' ';
    text += FirstAngleToken(message_id);
    text.erase(0, 1);
    if (text.size() <= 1) {
        text.clear();
    }
    return text;
}

std::string UnknownCharsetText(std::string_view name) {
    // Charset names are ASCII tokens (RFC 2978); anything else a message put
    // there is not shown.
    std::string shown;
    for (const char c : name.substr(0, 64)) {
        shown.push_back(c > ' ' && c < 127 ? c : '?');
    }
    return "Unknown character set \"" + shown + "\": text shown as Windows-1252";
}

std::string BuildViewerText(std::string_view message, const ViewerOptions& options) {
    return FormViewerText(message, ScanHeaders(message), options).text;
}

ViewedMessage::ViewedMessage(std::string message_text, const ViewerOptions& options,
                             MessageOrigin origin)
    : m_message_text(std::move(message_text)),
      m_crlf_text(origin == MessageOrigin::File && HasBareLineFeed(m_message_text)
                      ? LineFeedsToCrLf(m_message_text)
                      : std::string()),
      m_summary(ScanHeaders(ReadText())) {
    FormedText formed = FormViewerText(ReadText(), m_summary, options);
    m_display_text = std::move(formed.text);
    m_unknown_charset = std::move(formed.body_end.unknown_charset);

    m_reply_values.from = Kept(m_summary.from);
    m_reply_values.reply_to = Kept(m_summary.reply_to);
    m_reply_values.subject = Kept(m_summary.subject);
    m_reply_values.message_id = Kept(FirstAngleToken(m_summary.message_id));
    m_reply_values.references =
        BuildReferencesText(m_summary.references, m_summary.in_reply_to, m_summary.message_id);

    for (AttachmentRef& ref : FindAttachments(ReadText(), formed.body_end.boundary_line)) {
        ViewedAttachment attachment;
        if (ref.extended_name) {
            attachment.display_name = DecodeExtendedValue(ref.name);
        } else {
            attachment.display_name = ref.name;
            DecodeHeaderWords(attachment.display_name);
        }
        attachment.label = EncodingLabel(ref.kind);
        attachment.ref = std::move(ref);
        m_attachments.push_back(std::move(attachment));
    }
}

std::string ViewedMessage::raw_display_text() const {
    // Without a declared charset, well-formed UTF-8 holding a multi-byte
    // sequence is taken as UTF-8 (RFC 6532); else DecodeCharset reads
    // Windows-1252.
    if (m_summary.charset.empty() && IsMultiByteUtf8(m_message_text)) {
        return m_message_text;
    }
    return DecodeCharset(m_message_text, m_summary.charset).utf8;
}

std::string_view ViewedMessage::ReadText() const {
    return m_crlf_text.empty() ? std::string_view(m_message_text) : std::string_view(m_crlf_text);
}

bool ViewedMessage::WriteAttachmentData(std::size_t index, const ByteSink& sink) const {
    return WriteAttachment(ReadText(), m_attachments.at(index).ref, sink);
}

bool ViewedMessage::SaveAttachmentFile(std::size_t index, const std::string& path) const {
    return ReplaceChosenFile(path, [this, index](int fd) {
        return WriteAttachmentData(index,
                                   [fd](std::string_view bytes) { return WriteAll(fd, bytes); });
    });
}

}  // namespace tarvox
