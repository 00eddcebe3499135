// The draft reader on any file text: no crash, single-line fields hold one
// line piece, collected fields and the body stay within what the text can
// give, and attachments come only from Attach lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "compose/draft_file.h"
#include "compose/line_pieces.h"

using tarvox::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvox;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ComposedMessage message;
    message.to = "kept@x";
    message.attachments.push_back({"/old", "x/y", 1});
    ReadDraftText(text, "", message);

    for (const std::string* field :
         {&message.subject, &message.from, &message.reply_to, &message.in_reply_to}) {
        Check(field->size() <= kLinePieceLimit && field->find('\n') == std::string::npos);
    }
    // Joining adds at most ", " per line of the text.
    for (const std::string* field : {&message.to, &message.cc, &message.bcc, &message.references}) {
        Check(field->size() <= 3 * size + 6 && field->find('\n') == std::string::npos);
    }
    std::size_t body = 0;
    for (const std::string& line : message.body_lines) {
        body += line.size();
    }
    Check(body <= 2 * size + 2);
    Check(message.attachments.size() <= size / 8);
    for (const ComposedAttachment& attachment : message.attachments) {
        Check(text.find(attachment.path) != std::string_view::npos);
    }
    return 0;
}
