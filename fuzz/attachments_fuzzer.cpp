// The attachment data writers (base64, uuencode, plain and quoted-printable
// text) from any data start: no crash, pieces within the write buffer, no more
// bytes than the text can give, a refused write stops the writer, the
// display form of quoted-printable is a prefix of the saving form, base64
// data in lines and quoted-printable text with escapes and soft line breaks
// give back the bytes they were made from, and an RFC 2231 name decodes to
// well-formed UTF-8.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "codec/base64.h"
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

    // The message's bytes as base64 in 76-character lines before a boundary,
    // written back.
    const std::string encoded = EncodeBase64(message);
    std::string lines;
    for (std::size_t at = 0; at < encoded.size(); at += 76) {
        lines += encoded.substr(at, 76) + "\r\n";
    }
    std::string base64_back;
    Check(WriteBase64Data(lines + "--b--\r\n", 0, [&](std::string_view bytes) {
        base64_back += bytes;
        return true;
    }));
    Check(base64_back == message);

    // The same bytes as quoted-printable: "=", the bytes from 0x80 on and
    // every byte the second input byte picks are escaped (its low bit picks
    // the letter case), and a soft line break follows every 16th byte.
    static constexpr char kHexDigits[2][17] = {"0123456789ABCDEF", "0123456789abcdef"};
    const char* hex = kHexDigits[data[1] & 1];
    std::string quoted;
    for (std::size_t i = 0; i < message.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(message[i]);
        if (byte == '=' || byte >= 0x80 || (byte ^ data[1]) % 7 == 0) {
            quoted += '=';
            quoted += hex[byte >> 4];
            quoted += hex[byte & 15];
        } else {
            quoted += message[i];
        }
        if (i % 16 == 15) {
            quoted += "=\r\n";
        }
    }
    Check(DecodeQuotedPrintableData(quoted) == message);

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
