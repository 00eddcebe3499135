#include "compose/message_builder.h"

#include <algorithm>
#include <array>
#include <unistd.h>

#include "codec/latin1.h"
#include "codec/text_format.h"
#include "codec/utf8.h"
#include "message/address_list.h"
#include "message/header_words.h"

namespace tarvox {

namespace {

constexpr std::size_t kHeaderValueLimit = 511;

AddressList Parse(std::string_view field) {
    AddressList list;
    ParseAddressList(field, list);
    return list;
}

// "Label: " + entries joined by `separator`; nothing when there are none.
void AppendEntries(std::string& out, std::string_view label, const std::vector<std::string>& entries,
                   std::string_view separator) {
    if (entries.empty()) {
        return;
    }
    out += label;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) {
            out += separator;
        }
        out += entries[i];
    }
    out += "\r\n";
}

// The value on one line: each line break, with the blanks that fold the line
// after it, becomes one space. In-Reply-To and References come from the
// message replied to, and a line break left in them would start a header
// line of the sender's choosing (RFC 5322 section 2.2: a field ends at CRLF).
std::string OneLine(std::string_view value) {
    std::string line;
    std::size_t at = 0;
    for (std::size_t end; (end = value.find_first_of("\r\n", at)) != std::string_view::npos;) {
        line.append(value.substr(at, end - at)) += ' ';
        at = std::min(value.find_first_not_of("\r\n \t", end), value.size());
    }
    return line.append(value.substr(at));
}

// The References field (OneLine) split at single spaces: the first piece after
// the label, each further one on a line of its own led by two spaces.
void AppendReferences(std::string& out, std::string_view label, std::string_view value) {
    const std::string field = OneLine(value);
    bool first = true;
    std::size_t start = 0;
    while (start <= field.size()) {
        std::size_t space = field.find(' ', start);
        if (space == std::string_view::npos) {
            space = field.size();
        }
        if (space > start) {
            out += first ? label : std::string_view("  ");
            out += field.substr(start, space - start);
            out += "\r\n";
            first = false;
        }
        start = space + 1;
    }
}

// The field on one line (OneLine) when it has a value.
void AppendIfPresent(std::string& out, std::string_view label, std::string_view value) {
    if (!value.empty()) {
        out += label;
        out += OneLine(value);
        out += "\r\n";
    }
}

std::vector<std::string> RawEntries(std::string_view field) {
    std::vector<std::string> entries;
    for (const AddressEntry& entry : Parse(field)) {
        entries.push_back(entry.raw);
    }
    return entries;
}

std::vector<std::string> WireEntries(std::string_view field) {
    std::vector<std::string> entries;
    for (const AddressEntry& entry : Parse(field)) {
        entries.push_back(FormatRecipient(entry));
    }
    return entries;
}

std::string EncodedIfNeeded(std::string_view text) {
    std::string value(Utf8Prefix(text, kHeaderValueLimit));
    if (CountNonAscii(value) > 0) {
        EncodeHeaderWord(value, kHeaderValueLimit + 1);
    }
    return value;
}

}  // namespace

std::string BuildHeaderBlock(const ComposedMessage& message, const HeaderBlockRequest& request) {
    std::string out;
    if (request.text_form) {
        constexpr std::string_view kFold = ",\r\n        \t";
        out += "Date:   \t" + request.date + "\r\n";
        out += "From:   \t" + message.from + "\r\n";
        AppendEntries(out, "To:     \t", RawEntries(message.to), kFold);
        AppendEntries(out, "CC:     \t", RawEntries(message.cc), kFold);
        AppendEntries(out, "BCC:    \t", RawEntries(message.bcc), kFold);
        AppendIfPresent(out, "ReplyTo:\t", message.reply_to);
        out += "Subject:\t" + message.subject + "\r\n";
        AppendIfPresent(out, "In-Reply-To: ", message.in_reply_to);
        AppendReferences(out, "References: ", message.references);
        for (const ComposedAttachment& attachment : message.attachments) {
            out += "Attach: \t" + attachment.path + "\r\n";
        }
        return out;
    }

    constexpr std::string_view kFold = ",\r\n\t";
    out += "Date: " + request.date + "\r\n";
    out += "From: " + FormatFirstAddress(message.from) + "\r\n";
    AppendEntries(out, "To: ", WireEntries(message.to), kFold);
    AppendEntries(out, "CC: ", WireEntries(message.cc), kFold);
    if (!message.reply_to.empty()) {
        out += "Reply-To: " + FormatFirstAddress(message.reply_to) + "\r\n";
    }
    out += "Subject: " + EncodedIfNeeded(message.subject) + "\r\n";
    AppendIfPresent(out, "In-Reply-To: ", message.in_reply_to);
    AppendReferences(out, "References: ", message.references);
    out += "Message-ID: " + request.message_id + "\r\n";
    out += "X-Mailer: " + std::string(kMailerName) + "\r\n";
    if (!request.boundary.empty()) {
        out += "MIME-Version: 1.0\r\n";
        out += "Content-Type: multipart/mixed; boundary=\"" + request.boundary + "\"\r\n";
    } else if (request.quoted_printable) {
        out += "MIME-Version: 1.0\r\n";
        out += "Content-Type: text/plain; charset=" + std::string(CharsetName(request.charset)) +
               "\r\n";
        out += "Content-Transfer-Encoding: QUOTED-PRINTABLE\r\n";
    }
    // Encoded words are ASCII; what is left of the fields as typed goes in
    // ISO-8859-1 as always when it fits, else in UTF-8 (RFC 6532).
    return CharsetBytes(out, CharsetFor(out));
}

MessageCharset CharsetFor(std::string_view text) {
    return FitsLatin1(text) ? MessageCharset::Latin1 : MessageCharset::Utf8;
}

MessageCharset BodyCharset(const ComposedMessage& message) {
    for (const std::string& line : message.body_lines) {
        if (CharsetFor(line) == MessageCharset::Utf8) {
            return MessageCharset::Utf8;
        }
    }
    return MessageCharset::Latin1;
}

std::string_view CharsetName(MessageCharset charset) {
    return charset == MessageCharset::Latin1 ? "ISO-8859-1" : "UTF-8";
}

std::string CharsetBytes(std::string_view text, MessageCharset charset) {
    return charset == MessageCharset::Latin1 ? Utf8ToLatin1(text) : ValidUtf8(text);
}

std::string MakeMailDate(std::time_t now) {
    static constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed",
                                                         "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    if (::localtime_r(&now, &local) == nullptr) {
        return {};
    }
    // The offset of local time from UTC, daylight saving included.
    const long offset_minutes = local.tm_gmtoff / 60;
    const long magnitude = offset_minutes < 0 ? -offset_minutes : offset_minutes;
    return TextFormat("%s, %02d %s %d %02d:%02d:%02d %c%02ld%02ld", kDays[local.tm_wday % 7],
                      local.tm_mday, kMonths[local.tm_mon % 12], local.tm_year + 1900,
                      local.tm_hour, local.tm_min, local.tm_sec, offset_minutes < 0 ? '-' : '+',
                      magnitude / 60, magnitude % 60);
}

namespace {

// Four draws modulo 256, the last printed first.
std::array<unsigned, 4> FourBytes(const RandomDraw& draw) {
    std::array<unsigned, 4> drawn{};
    for (unsigned& byte : drawn) {
        byte = draw() % 256;
    }
    return {drawn[3], drawn[2], drawn[1], drawn[0]};
}

}  // namespace

std::string MakeMessageId(std::time_t now, std::string_view host, const RandomDraw& draw) {
    std::tm local{};
    ::localtime_r(&now, &local);
    auto b = FourBytes(draw);
    return TextFormat("<tvx.%04d%02d%02d%02d%02d%02d.%02x%02x%02x%02x@%s>", local.tm_year + 1900,
                      local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                      b[0], b[1], b[2], b[3], std::string(host).c_str());
}

std::string MakeBoundary(const RandomDraw& draw) {
    auto b = FourBytes(draw);
    return TextFormat("--=_Boundary-%02X%02X%02X%02X", b[0], b[1], b[2], b[3]);
}

std::string FormatRecipient(const AddressEntry& entry) {
    if (CountNonAscii(entry.name) == 0) {
        return entry.raw;
    }
    std::string name(Utf8Prefix(entry.name, kHeaderValueLimit));
    if (!EncodeHeaderWord(name, kHeaderValueLimit + 1)) {
        return entry.raw;
    }
    return name + " <" + entry.address + ">";
}

std::string FormatFirstAddress(std::string_view field) {
    AddressList list = Parse(field);
    return list.empty() ? std::string(field) : FormatRecipient(list.front());
}

bool BodyHasEightBit(const ComposedMessage& message) {
    for (const std::string& line : message.body_lines) {
        for (char c : line) {
            if (static_cast<unsigned char>(c) > 0x7E) {
                return true;
            }
        }
    }
    return false;
}

std::string MessageHost(std::string_view fqdn) {
    if (!fqdn.empty()) {
        return std::string(fqdn);
    }
    char name[512] = "localhost";
    if (::gethostname(name, sizeof(name)) != 0) {
        return "localhost";
    }
    name[sizeof(name) - 1] = '\0';
    return name;
}

std::string BodyLine(std::string_view editor_line, MessageCharset charset) {
    const std::string bytes = CharsetBytes(editor_line, charset);
    std::string_view line = charset == MessageCharset::Latin1
                                ? std::string_view(bytes).substr(0, kEditorLineLimit)
                                : CharacterPrefix(bytes, kEditorLineLimit);
    if (line.ends_with("\r\n")) {
        line.remove_suffix(2);
    }
    return std::string(line);
}

void EncodeQuotedPrintableLine(std::string_view line,
                               const std::function<void(std::string_view)>& emit) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    std::size_t column = 0;
    for (char ch : line) {
        const auto c = static_cast<unsigned char>(ch);
        const bool encode = (c < 0x21 || c == '=' || c > 0x7E) && c != ' ' && c != '\t';
        if (column > 74 || (encode && column > 72)) {
            out += '=';
            emit(out);
            out.clear();
            column = 0;
        }
        if (encode) {
            out += '=';
            out += kHex[c >> 4];
            out += kHex[c & 15];
            column += 3;
        } else {
            out += ch;
            column += 1;
        }
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t')) {
        out.pop_back();
    }
    emit(out);
}

std::string ComposeText(const ComposedMessage& message, bool with_header, std::time_t now) {
    std::string text;
    if (with_header) {
        HeaderBlockRequest request;
        request.text_form = true;
        request.date = MakeMailDate(now);
        text = BuildHeaderBlock(message, request);
        text += "\r\n";
    }
    for (const std::string& editor_line : message.body_lines) {
        std::string_view line = CharacterPrefix(editor_line, kEditorLineLimit);
        text += line;
        if (!line.ends_with("\r\n")) {
            text += "\r\n";
        }
    }
    return text;
}

}  // namespace tarvox
