#include "compose/reply_text.h"

#include <array>

#include "codec/ascii.h"
#include "compose/editor_lines.h"
#include "compose/signature.h"

namespace tarvox {

namespace {

constexpr std::array<std::string_view, 4> kReplyPrefixes = {"re:", "aw:", "sv:", "ang:"};

// The body text with the signature after it, as editor lines.
std::vector<std::string> BodyWithSignature(std::string body, const std::string& signature_path) {
    InsertSignature(body, signature_path);
    return EditorLinesFromText(body);
}

}  // namespace

std::string ReplySubject(std::string_view subject) {
    for (std::string_view prefix : kReplyPrefixes) {
        if (StartsWithIgnoreAsciiCase(subject, prefix)) {
            return std::string(subject);
        }
    }
    return "Re: " + std::string(subject);
}

std::string ForwardSubject(std::string_view subject) {
    return "Fwd: " + std::string(subject);
}

std::vector<ReplyOptionRow> ReplyOptionRows(const ReplyValues& values, const AddressList& to) {
    std::vector<ReplyOptionRow> rows;
    if (!values.reply_to.empty()) {
        rows.push_back({values.reply_to, "Reply-To", true});
    }
    if (!values.from.empty()) {
        rows.push_back({values.from, "From", values.reply_to.empty()});
    }
    for (const AddressEntry& entry : to) {
        rows.push_back({entry.raw, "To", false});
    }
    return rows;
}

std::string ReplyAddressText(const std::vector<ReplyOptionRow>& rows) {
    std::string text;
    for (const ReplyOptionRow& row : rows) {
        if (row.checked) {
            if (!text.empty()) {
                text += ", ";
            }
            text += row.address;
        }
    }
    return text;
}

std::string JoinRawEntries(const AddressList& entries) {
    std::string text;
    for (const AddressEntry& entry : entries) {
        if (!text.empty()) {
            text += ", ";
        }
        text += entry.raw;
    }
    return text;
}

ReplySettings ReplySettingsOf(const GlobalSettings& settings) {
    return {settings.replyquote != 0, settings.quotesel != 0, settings.quotemarker != 0,
            settings.useorigcc != 0};
}

void StoreReplySettings(const ReplySettings& reply, GlobalSettings& settings) {
    settings.replyquote = reply.include_original ? 1 : 0;
    settings.quotesel = reply.quote_selection ? 1 : 0;
    settings.quotemarker = reply.quote_marker ? 1 : 0;
    settings.useorigcc = reply.use_original_cc ? 1 : 0;
}

void WarnIfLongViewerText(FrontendServices& services, std::size_t display_lines) {
    if (display_lines > kLongViewerTextLines) {
        services.ShowMessage(kLongViewerTextWarning, "Warning", BoxIcon::Warning);
    }
}

std::string QuoteViewerText(const ViewerEditorText& editor, const ReplySettings& settings) {
    std::string text = CollectViewerText(
        editor, settings.quote_selection ? QuoteSelection::SelectedLines : QuoteSelection::All);
    StripSignature(text);
    return WrapText(text, kReplyWrapWidth,
                    settings.quote_marker ? QuoteMarker::Marked : QuoteMarker::None);
}

ComposedMessage StartReply(const ViewedMessage& viewed, const ViewerEditorText& editor,
                           std::string_view reply_addresses, const ReplySettings& settings,
                           const std::string& signature_path) {
    const ReplyValues& values = viewed.reply_values();
    ComposedMessage message;
    message.subject = ReplySubject(values.subject);
    message.to = std::string(reply_addresses);
    if (settings.use_original_cc) {
        message.cc = JoinRawEntries(viewed.summary().cc);
    }
    std::string body;
    if (settings.include_original) {
        body = QuoteViewerText(editor, settings);
    }
    message.body_lines = BodyWithSignature(std::move(body), signature_path);
    message.in_reply_to = values.message_id;
    message.references = values.references;
    return message;
}

ComposedMessage StartForward(const ViewedMessage& viewed, const ViewerEditorText& editor,
                             const std::string& signature_path) {
    ComposedMessage message;
    message.subject = ForwardSubject(viewed.reply_values().subject);
    std::string body(kForwardedMessageHeading);
    for (const std::string& line : editor.lines) {
        body += line;
    }
    message.body_lines = BodyWithSignature(std::move(body), signature_path);
    return message;
}

ComposedMessage StartNewMessage(const MailtoFields& mailto, const std::string& signature_path) {
    ComposedMessage message;
    message.to = mailto.to;
    message.cc = mailto.cc;
    message.bcc = mailto.bcc;
    message.subject = mailto.subject;
    message.body_lines = BodyWithSignature(mailto.body, signature_path);
    return message;
}

}  // namespace tarvox
