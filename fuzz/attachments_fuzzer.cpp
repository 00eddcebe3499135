// The attachment data writers (base64, uuencode, plain and quoted-printable
// text) from any data start: no crash, pieces within the write buffer, no more
// bytes than the text can give, a refused write stops the writer, the
// display form of quoted-printable is a prefix of the saving form, and an
// RFC 2231 name decodes to well-formed UTF-8.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "codec/utf8.h"
#include "fuzz_check.h"
#include "message/attachments.h"
#include "message/quoted_printable.h"

using tarvox::fuzz::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvox;
    if (size < 2) {
        return 0;
    }
    // The first byte picks the data start, the second the boundary length
    // (taken from the text's start); the rest is the message.
    const std::string_view message(reinterpret_cast<const char*>(data + 2), size - 2);
    const std::size_t start = std::min<std::size_t>(data[0], message.size());
    const std::string boundary_line(message.substr(0, std::min<std::size_t>(data[1] % 16, start)));
    const std::size_t rest = message.size() - start;

    for (const AttachmentKind kind : {AttachmentKind::Base64, AttachmentKind::UUEncoded,
                                      AttachmentKind::PlainText, AttachmentKind::QuotedPrintable}) {
        const AttachmentRef attachment{"x", start, kind, boundary_line};
        std::size_t total = 0;
        Check(WriteAttachment(message, attachment, [&](std::string_view bytes) {
            Check(bytes.size() <= kAttachmentWriteBufferSize);
            total += bytes.size();
            return true;
        }));
        Check(total <= (kind == AttachmentKind::Base64 ? rest / 4 * 3 + 2 : rest));

        int calls = 0;
        const bool written = WriteAttachment(message, attachment, [&](std::string_view) {
            ++calls;
            return false;
        });
        Check(calls <= 1 && written == (calls == 0));
    }

    const std::string saved = DecodeQuotedPrintableData(message);
    Check(saved.size() <= message.size());
    std::string shown = "> ";
    DecodeQuotedPrintable(message, shown);
    const std::size_t shown_length =
        std::min({saved.find('\0'), saved.size(), kQuotedPrintableDisplayLimit});
    Check(shown == "> " + saved.substr(0, shown_length));
    Check(IsUtf8(DecodeExtendedValue(message)));
    return 0;
}
