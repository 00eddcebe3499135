// What a reply, a forward or a new message starts with in the composer: the
// subject, the recipients chosen in Reply options, the quoted or forwarded
// text, the threading fields and the signature.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "compose/composed_message.h"
#include "compose/mailto_link.h"
#include "compose/quoting.h"
#include "config/global_settings.h"
#include "frontend/services.h"
#include "message/header_summary.h"
#include "message/viewer_text.h"

namespace tarvox {

inline constexpr std::string_view kForwardedMessageHeading =
    "\r\n\r\n--- Forwarded Message ---\r\n\r\n";
// Above this many display lines the viewer warns before a reply or forward.
inline constexpr std::size_t kLongViewerTextLines = 1000;
inline constexpr std::string_view kLongViewerTextWarning =
    "There is a substantial amount of text shown (is raw view on?) The attempted operation may "
    "take a long time to complete.";

// The subject unchanged when it starts, in any letter case, with "re:",
// "aw:", "sv:" or "ang:"; otherwise "Re: " and the subject.
std::string ReplySubject(std::string_view subject);

// "Fwd: " and the subject, whatever it starts with.
std::string ForwardSubject(std::string_view subject);

// One row of the Reply options address list.
struct ReplyOptionRow {
    std::string address;
    std::string field;  // "Reply-To", "From" or "To"
    bool checked = false;
};

// The rows: the Reply-To address (when there is one), the From address
// (when there is one), then the raw text of each To entry. The Reply-To row
// starts checked; the From row only when there is no Reply-To row.
std::vector<ReplyOptionRow> ReplyOptionRows(const ReplyValues& values, const AddressList& to);

// The checked rows' addresses joined with ", " in row order; empty when
// none is checked.
std::string ReplyAddressText(const std::vector<ReplyOptionRow>& rows);

// The raw texts of the entries joined with ", ".
std::string JoinRawEntries(const AddressList& entries);

// The four Reply options check boxes.
struct ReplySettings {
    bool include_original = true;  // replyquote
    bool quote_selection = false;  // quotesel
    bool quote_marker = true;      // quotemarker
    bool use_original_cc = true;   // useorigcc
};
ReplySettings ReplySettingsOf(const GlobalSettings& settings);
void StoreReplySettings(const ReplySettings& reply, GlobalSettings& settings);

// Warns, and goes on, when the viewer shows more than 1000 display lines.
void WarnIfLongViewerText(FrontendServices& services, std::size_t display_lines);

// The quoted body of a reply: CollectViewerText, StripSignature, then
// WrapText at width 74, marked as the settings say.
std::string QuoteViewerText(const ViewerEditorText& editor, const ReplySettings& settings);

// A reply to the viewed message: subject, To from the Reply options address
// text, CC from the viewed message's CC entries when the settings say so,
// the quoted body when the settings say so, In-Reply-To and References from
// the kept values, and the signature at the end of the body.
ComposedMessage StartReply(const ViewedMessage& viewed, const ViewerEditorText& editor,
                           std::string_view reply_addresses, const ReplySettings& settings,
                           const std::string& signature_path);

// A forward: the "Fwd: " subject, the heading and the whole text of the
// viewer's editor as it is shown, then the signature. No recipients.
ComposedMessage StartForward(const ViewedMessage& viewed, const ViewerEditorText& editor,
                             const std::string& signature_path);

// A new message: To, CC, BCC, the subject and the body of a mailto link
// (all empty for a plain new message), then the signature after the body.
ComposedMessage StartNewMessage(const MailtoFields& mailto, const std::string& signature_path);

}  // namespace tarvox
