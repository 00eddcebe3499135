#include "message/attachments.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "codec/ascii.h"
#include "codec/base64.h"
#include "codec/charset.h"
#include "message/dot_stuffing.h"
#include "message/header_summary.h"
#include "message/quoted_printable.h"
#include "message/transfer_encoding.h"

namespace tarvox {
namespace {

constexpr std::string_view kCrLf = "\r\n";

// The characters that scanf's "%s" and " " treat as white space.
bool IsScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The line that starts at `start`, without its CR LF (to the end of the
// message when no CR LF follows).
std::string_view LineAt(std::string_view message, std::size_t start) {
    start = std::min(start, message.size());
    const std::size_t end = message.find(kCrLf, start);
    return message.substr(start,
                          end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::string Field(std::string_view text) {
    return std::string(text.substr(0, kAttachmentFieldLength));
}

// Reads the next white-space separated word of `text` from `at`, as "%s".
std::string_view NextWord(std::string_view text, std::size_t& at) {
    while (at < text.size() && IsScanSpace(text[at])) {
        ++at;
    }
    const std::size_t start = at;
    while (at < text.size() && !IsScanSpace(text[at])) {
        ++at;
    }
    return text.substr(start, at - start);
}

// Collects decoded pieces and hands them to the sink in pieces of at most
// kAttachmentWriteBufferSize bytes: the buffer is flushed when the next piece
// would not fit, and at the end. It is allocated once, no larger than the
// decoded data can be (`most`): most attachments are far smaller than a full
// buffer.
class WriteBuffer {
public:
    WriteBuffer(const ByteSink& sink, std::size_t most)
        : m_sink(sink),
          m_capacity(std::clamp(most, kLargestPiece, kAttachmentWriteBufferSize)),
          m_bytes(std::make_unique_for_overwrite<char[]>(m_capacity)) {}

    // `piece` holds at most kLargestPiece bytes.
    bool Add(std::string_view piece) {
        if (m_size + piece.size() > m_capacity && !Flush()) {
            return false;
        }
        std::memcpy(m_bytes.get() + m_size, piece.data(), piece.size());
        m_size += piece.size();
        return true;
    }

    // Decodes the whole base64 groups at the start of `text` (see
    // DecodeBase64Groups) straight into the buffer, each a three-byte piece
    // as Add would take it. The number of characters used, or nothing when
    // the sink refused a write.
    std::optional<std::size_t> AddBase64Groups(std::string_view text) {
        std::size_t used = 0;
        for (;;) {
            const std::size_t room = (m_capacity - m_size) / kLargestPiece;
            const std::size_t groups =
                DecodeBase64Groups(text.substr(used), m_bytes.get() + m_size, room);
            m_size += groups * kLargestPiece;
            used += groups * 4;
            if (groups < room) {
                return used;  // stopped at a character the caller handles
            }
            // The buffer is full: it is flushed only when another whole group
            // follows, as Add would flush for that group's piece.
            char piece[kLargestPiece];
            if (DecodeBase64Groups(text.substr(used), piece, 1) == 0) {
                return used;
            }
            if (!Flush()) {
                return std::nullopt;
            }
        }
    }

    bool Flush() {
        if (m_size == 0) {
            return true;
        }
        const bool written = m_sink(std::string_view(m_bytes.get(), m_size));
        m_size = 0;
        return written;
    }

private:
    // Base64 and uuencode give at most three bytes a piece.
    static constexpr std::size_t kLargestPiece = 3;

    const ByteSink& m_sink;
    const std::size_t m_capacity;
    std::unique_ptr<char[]> m_bytes;
    std::size_t m_size = 0;
};

std::string_view PlainTextRun(std::string_view message, std::size_t data_start,
                              std::string_view boundary_line) {
    data_start = std::min(data_start, message.size());
    std::string_view boundary = boundary_line;
    while (!boundary.empty() && (boundary.back() == '\r' || boundary.back() == '\n')) {
        boundary.remove_suffix(1);
    }
    std::size_t end = message.size();
    if (!boundary.empty()) {
        const std::size_t at = message.find(boundary, data_start);
        if (at != std::string_view::npos) {
            // The line break before the boundary belongs to it (RFC 2046
            // section 5.1.1).
            end = at;
            if (end > data_start && message[end - 1] == '\n') {
                --end;
            }
            if (end > data_start && message[end - 1] == '\r') {
                --end;
            }
        }
    }
    return message.substr(data_start, end - data_start);
}

// Bytes other than letters, digits and a few signs as "%XX", so that a plain
// piece joins the extended form of RFC 2231 section 4.
std::string PercentEscaped(std::string_view text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string escaped;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80 && c != '%' && c != '\'' && byte > 32) {
            escaped.push_back(c);
        } else {
            escaped.push_back('%');
            escaped.push_back(kHex[byte >> 4]);
            escaped.push_back(kHex[byte & 15]);
        }
    }
    return escaped;
}

// The RFC 2231 name parameters on `line` ("name*=", "filename*0*=",
// "filename*1=", ...), joined into `value` in the extended form. Section 0 or
// an unsectioned parameter starts the value anew.
void ReadExtendedNamePieces(std::string_view line, std::string& value) {
    static constexpr std::string_view kName = "name*";
    const std::string lower = ToAsciiLower(line);
    for (std::size_t found = lower.find(kName); found != std::string::npos;
         found = lower.find(kName, found + kName.size())) {
        std::size_t at = found + kName.size();
        const std::size_t digits = at;
        while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
            ++at;
        }
        const bool sectioned = at > digits;
        const bool first = !sectioned || line.substr(digits, at - digits) == "0";
        bool extended = !sectioned;
        if (sectioned && at < line.size() && line[at] == '*') {
            extended = true;
            ++at;
        }
        while (at < line.size() && IsScanSpace(line[at])) {
            ++at;
        }
        if (at >= line.size() || line[at] != '=') {
            continue;
        }
        ++at;
        while (at < line.size() && IsScanSpace(line[at])) {
            ++at;
        }
        std::string_view piece = line.substr(at);
        if (piece.starts_with('"')) {
            piece.remove_prefix(1);
            piece = piece.substr(0, piece.find('"'));
        } else {
            piece = piece.substr(0, piece.find_first_of("; \t\r\n"));
        }
        if (first) {
            value = extended ? std::string(piece) : "''" + PercentEscaped(piece);
        } else {
            if (value.empty()) {
                value = "''";
            }
            value += extended ? std::string(piece) : PercentEscaped(piece);
        }
    }
}

}  // namespace

std::string DecodeExtendedValue(std::string_view value) {
    std::string_view charset;
    if (const std::size_t quote = value.find('\''); quote != std::string_view::npos) {
        const std::size_t language_end = value.find('\'', quote + 1);
        if (language_end != std::string_view::npos) {
            charset = value.substr(0, quote);
            value.remove_prefix(language_end + 1);
        }
    }
    std::string bytes;
    for (std::size_t i = 0; i < value.size(); ++i) {
        const int high = value[i] == '%' && i + 2 < value.size() ? HexDigitValue(value[i + 1]) : -1;
        const int low = high >= 0 ? HexDigitValue(value[i + 2]) : -1;
        if (low >= 0) {
            bytes.push_back(static_cast<char>(high * 16 + low));
            i += 2;
        } else {
            bytes.push_back(value[i]);
        }
    }
    return DecodeCharset(bytes, charset).utf8;
}

std::optional<std::size_t> FindUuencodeName(std::string_view line) {
    // What sscanf(line, "begin %*d %[^\r\n]") reads, on lines whose mode has
    // exactly three characters.
    if (line.size() < kUuencodeStartMinLength || line.size() > kUuencodeStartMaxLength ||
        !line.starts_with("begin ") || line[9] != ' ') {
        return std::nullopt;
    }
    std::size_t at = 6;
    while (at < line.size() && IsScanSpace(line[at])) {
        ++at;
    }
    if (at < line.size() && (line[at] == '+' || line[at] == '-')) {
        ++at;
    }
    const std::size_t digits = at;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
        ++at;
    }
    if (at == digits) {
        return std::nullopt;
    }
    while (at < line.size() && IsScanSpace(line[at])) {
        ++at;
    }
    if (at == line.size()) {
        return std::nullopt;  // nothing but the mode
    }
    return at;
}

std::optional<AttachmentRef> ScanNextAttachment(std::string_view message, std::size_t position,
                                                std::string_view boundary_line) {
    bool interested = false;
    TransferEncoding encoding = TransferEncoding::None;
    std::string name;
    std::string extended_name;
    std::size_t start = std::min(position, message.size());
    for (;;) {
        const std::size_t end = message.find(kCrLf, start);
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::size_t next = end + kCrLf.size();
        const std::string_view line = message.substr(start, next - start);

        if (DetectTransferEncoding(line, encoding, /*keep_quoted_printable=*/false)) {
            interested = true;
        }
        if (line == kCrLf) {
            if (interested && !(name.empty() && extended_name.empty())) {
                AttachmentRef found{std::move(name), next, AttachmentKind::PlainText,
                                    Field(boundary_line)};
                if (!extended_name.empty()) {
                    found.name = Field(extended_name);
                    found.extended_name = true;
                }
                if (encoding == TransferEncoding::QuotedPrintable) {
                    found.kind = AttachmentKind::QuotedPrintable;
                } else if (encoding == TransferEncoding::Base64) {
                    found.kind = AttachmentKind::Base64;
                    found.data_start = start;
                }
                return found;
            }
            interested = false;
            extended_name.clear();
        }
        if (const auto name_at = FindUuencodeName(line)) {
            return AttachmentRef{Field(ExtractNameValue(message, start + *name_at)), next,
                                 AttachmentKind::UUEncoded, Field(boundary_line)};
        }
        if (StartsWithIgnoreAsciiCase(line, "Content-Type:") ||
            StartsWithIgnoreAsciiCase(line, "Content-Disposition:")) {
            interested = true;
        }
        if (interested) {
            if (const auto value_at = FindNameParameter(message, start)) {
                name = Field(ExtractNameValue(message, *value_at));
            }
            ReadExtendedNamePieces(line, extended_name);
        }
        start = next;
    }
}

std::vector<AttachmentRef> FindAttachments(std::string_view message,
                                           std::string_view boundary_line) {
    std::vector<AttachmentRef> found;
    std::size_t position = 0;
    while (auto attachment = ScanNextAttachment(message, position, boundary_line)) {
        position = attachment->data_start;
        found.push_back(std::move(*attachment));
    }
    return found;
}

std::optional<std::size_t> FindNameParameter(std::string_view message, std::size_t line_start) {
    const std::string_view line = LineAt(message, line_start);
    if (line.empty() || line.size() >= kNameLineLimit) {
        return std::nullopt;
    }
    static constexpr std::string_view kName = "name";
    const std::string lower = ToAsciiLower(line);
    const std::size_t name_at = lower.find(kName);
    if (name_at == std::string::npos) {
        return std::nullopt;
    }
    // Up to two words after "name", as "%s %s" reads them. The value is read
    // from the lower-case copy; only its position is used.
    const std::size_t after = name_at + kName.size();
    std::size_t at = after;
    const std::string_view first = NextWord(lower, at);
    const std::string_view second = NextWord(lower, at);
    std::string_view value;
    if (first == "=" && !second.empty()) {
        value = second;
    } else if (first.size() > 1 && first.front() == '=') {
        value = first.substr(1);
    } else {
        return std::nullopt;
    }
    return line_start + lower.find(value, after);
}

std::string ExtractNameValue(std::string_view message, std::size_t value_start) {
    const std::string_view line = LineAt(message, value_start);
    if (line.empty() || line.size() >= kNameValueLineLimit) {
        return std::string(kUntitledName);
    }
    std::string_view name;
    if (line.front() != '"') {
        name = line.substr(0, line.find('"'));
    } else {
        name = line.substr(1);
        name = name.substr(0, name.find('"'));
        if (name.empty()) {
            name = line;  // "" stands for itself
        }
    }
    if (name.ends_with('\r') || name.ends_with('\n')) {
        name.remove_suffix(1);
    }
    return std::string(name);
}

std::string_view EncodingLabel(AttachmentKind kind) {
    switch (kind) {
        case AttachmentKind::Base64:
            return "Base64";
        case AttachmentKind::UUEncoded:
            return "UUEncoded";
        case AttachmentKind::PlainText:
        case AttachmentKind::QuotedPrintable:
            break;
    }
    return "Text";
}

bool WriteAttachment(std::string_view message, const AttachmentRef& attachment,
                     const ByteSink& sink) {
    switch (attachment.kind) {
        case AttachmentKind::Base64:
            return WriteBase64Data(message, attachment.data_start, sink);
        case AttachmentKind::UUEncoded:
            return WriteUuencodedData(message, attachment.data_start, sink);
        case AttachmentKind::QuotedPrintable:
            return WriteQuotedPrintableData(message, attachment.data_start,
                                            attachment.boundary_line, sink);
        case AttachmentKind::PlainText:
            break;
    }
    return WritePlainTextData(message, attachment.data_start, attachment.boundary_line, sink);
}

bool WritePlainTextData(std::string_view message, std::size_t data_start,
                        std::string_view boundary_line, const ByteSink& sink) {
    return sink(UnstuffText(PlainTextRun(message, data_start, boundary_line)));
}

bool WriteQuotedPrintableData(std::string_view message, std::size_t data_start,
                              std::string_view boundary_line, const ByteSink& sink) {
    return sink(
        DecodeQuotedPrintableData(UnstuffText(PlainTextRun(message, data_start, boundary_line))));
}

bool WriteBase64Data(std::string_view message, std::size_t data_start, const ByteSink& sink) {
    std::size_t at = std::min(data_start, message.size());
    while (at < message.size() && (message[at] == '\r' || message[at] == '\n')) {
        ++at;
    }
    // Every group of four characters gives at most three bytes.
    WriteBuffer buffer(sink, (message.size() - at) / 4 * 3 + 3);
    while (at < message.size() && message[at] != '-' && message[at] != '.') {
        // Whole groups of alphabet characters, nearly all of the data, are
        // decoded in one go up to the next line break, padding or other
        // character. None of them starts with "-", "." or CR LF.
        const std::optional<std::size_t> used = buffer.AddBase64Groups(message.substr(at));
        if (!used) {
            return false;
        }
        if (*used > 0) {
            at += *used;
            continue;
        }
        if (message.substr(at).starts_with(kCrLf)) {
            at += kCrLf.size();
            continue;
        }
        // Any other group, one at a time: a padded or cut one, or one that
        // holds characters outside the alphabet or a line break.
        const std::string_view group = message.substr(at, 4);
        at += group.size();
        std::size_t count = group.size() - 1;  // a full group gives three bytes
        if (group.size() > 2 && group[2] == '=') {
            --count;
        }
        if (group.size() > 3 && group[3] == '=') {
            --count;
        }
        std::array<unsigned, 4> values{};
        for (std::size_t k = 0; k < group.size(); ++k) {
            // Characters outside the alphabet ("=" included) count as 0.
            values[k] = static_cast<unsigned>(std::max(Base64Value(group[k]), 0));
        }
        char bytes[3];
        for (std::size_t k = 0; k < count; ++k) {
            const unsigned shift = static_cast<unsigned>(2 * k);
            bytes[k] = static_cast<char>(
                ((values[k] << (2 + shift)) | (values[k + 1] >> (4 - shift))) & 0xff);
        }
        if (!buffer.Add(std::string_view(bytes, count))) {
            return false;
        }
    }
    return buffer.Flush();
}

bool WriteUuencodedData(std::string_view message, std::size_t data_start, const ByteSink& sink) {
    static constexpr std::size_t kShortestDataLine = 5;
    std::size_t start = std::min(data_start, message.size());
    // A line gives at most three bytes for every four of its characters.
    WriteBuffer buffer(sink, message.size() - start);
    for (;;) {
        const std::string_view line = LineAt(message, start);
        if (line.size() < kShortestDataLine) {
            break;  // "`", " " or "end"
        }
        std::size_t at = line.size() - UnstuffLine(line).size();
        // The count character, as a signed value: below 32 means no bytes.
        const int count = static_cast<int>(static_cast<unsigned char>(line[at])) - 32;
        ++at;
        int produced = 0;
        while (produced < count && line.size() - at >= 4) {
            std::array<unsigned, 4> values{};
            for (std::size_t k = 0; k < 4; ++k) {
                // Many encoders write a grave accent for 0 instead of a blank.
                const char c = line[at + k] == '`' ? ' ' : line[at + k];
                values[k] = static_cast<unsigned>(static_cast<unsigned char>(c)) - 32u;
            }
            at += 4;
            const char bytes[3] = {
                static_cast<char>(((values[0] << 2) | (values[1] >> 4)) & 0xff),
                static_cast<char>(((values[1] << 4) | (values[2] >> 2)) & 0xff),
                static_cast<char>(((values[2] << 6) | values[3]) & 0xff),
            };
            const int keep = std::min(3, count - produced);
            produced += keep;
            if (!buffer.Add(std::string_view(bytes, static_cast<std::size_t>(keep)))) {
                return false;
            }
        }
        const std::size_t end = start + line.size();
        if (end >= message.size()) {
            break;
        }
        start = end + kCrLf.size();
    }
    return buffer.Flush();
}

}  // namespace tarvox
