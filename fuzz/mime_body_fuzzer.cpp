// The body walk and the attachment scan over arbitrary message text: no
// crash, the shown text and the names are well-formed UTF-8, the scan always
// moves forward (so the viewer's loop ends), and every writer stays within
// what its input can give.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "codec/utf8.h"
#include "message/attachments.h"
#include "message/mime_body.h"
#include "message/transfer_encoding.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvox;
    if (size == 0) {
        return 0;
    }
    // The first byte chooses the start values; the rest is the message.
    const std::uint8_t choice = data[0];
    const std::string_view message(reinterpret_cast<const char*>(data + 1), size - 1);

    // The header block as the header scan would read it: boundary
    // declarations and transfer encodings up to the first empty line.
    BodyWalkStart from;
    std::size_t body_start = 0;
    for (;;) {
        const std::size_t end = message.find("\r\n", body_start);
        if (end == std::string_view::npos || end == body_start) {
            break;
        }
        const std::string_view line = message.substr(body_start, end - body_start);
        ExtractBoundary(line, from.boundary_line);
        ExtractCharset(line, from.charset);
        DetectTransferEncoding(line, from.transfer_encoding, false);
        body_start = end + 2;
    }
    from.html = (choice & 1) != 0;
    from.plain_text = (choice & 2) != 0;
    const HtmlFilterMode mode = (choice & 4) ? HtmlFilterMode::Filter : HtmlFilterMode::ShowRaw;

    std::string display = "H";
    const std::string boundary_line =
        BuildBodyText(message, body_start, from, mode, display).boundary_line;
    Check(display.front() == 'H');
    Check(IsUtf8(display));
    Check(boundary_line.size() < 512);

    std::size_t position = 0;
    while (auto attachment = ScanNextAttachment(message, position, boundary_line)) {
        Check(attachment->data_start > position && attachment->data_start <= message.size());
        Check(attachment->name.size() <= kAttachmentFieldLength);
        Check(attachment->boundary_line == boundary_line);
        Check(IsUtf8(DecodeExtendedValue(attachment->name)));
        position = attachment->data_start;

        const std::size_t rest = message.size() - attachment->data_start;
        std::size_t total = 0;
        const ByteSink counting = [&](std::string_view bytes) {
            Check(bytes.size() <= kAttachmentWriteBufferSize);
            total += bytes.size();
            return true;
        };
        total = 0;
        Check(WriteBase64Data(message, attachment->data_start, counting));
        Check(total <= rest / 4 * 3 + 2);
        total = 0;
        Check(WriteUuencodedData(message, attachment->data_start, counting));
        Check(total <= rest);
        total = 0;
        Check(WritePlainTextData(message, attachment->data_start, boundary_line, counting));
        Check(total <= rest);
        total = 0;
        Check(WriteQuotedPrintableData(message, attachment->data_start, boundary_line, counting));
        Check(total <= rest);
    }

    // Name parameters on every line.
    for (std::size_t start = 0; start < message.size();) {
        if (const auto at = FindNameParameter(message, start)) {
            Check(*at > start && *at < message.size());
            Check(ExtractNameValue(message, *at).size() < 508);
        }
        const std::size_t end = message.find("\r\n", start);
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 2;
    }
    return 0;
}
