#include "message/transfer_encoding.h"

#include "codec/ascii.h"

namespace tarvox {

bool DetectTransferEncoding(std::string_view line, TransferEncoding& encoding,
                            bool keep_quoted_printable) {
    static constexpr std::string_view kPrefix = "content-transfer-encoding: ";
    if (!StartsWithIgnoreAsciiCase(line, kPrefix)) {
        return false;
    }
    std::string_view value = line.substr(kPrefix.size());
    if (StartsWithIgnoreAsciiCase(value, "quoted-printable")) {
        encoding = TransferEncoding::QuotedPrintable;
        return true;
    }
    for (auto [name, declared] :
         {std::pair{std::string_view("7bit"), TransferEncoding::SevenBit},
          std::pair{std::string_view("8bit"), TransferEncoding::EightBit}}) {
        if (StartsWithIgnoreAsciiCase(value, name)) {
            if (!(keep_quoted_printable && encoding == TransferEncoding::QuotedPrintable)) {
                encoding = declared;
            }
            return true;
        }
    }
    if (StartsWithIgnoreAsciiCase(value, "base64")) {
        encoding = TransferEncoding::Base64;
        return true;
    }
    return false;
}

void ExtractBoundary(std::string_view line, std::string& boundary_line, std::size_t capacity) {
    static constexpr std::string_view kParameter = "boundary=";
    const std::size_t at = FindIgnoreAsciiCase(line, kParameter);
    if (at == std::string_view::npos) {
        return;
    }
    std::string_view rest = line.substr(at);
    if (capacity < 5 || rest.size() >= capacity - 5) {
        return;
    }
    std::string_view value = rest.substr(kParameter.size());
    if (value.starts_with('"')) {
        value.remove_prefix(1);
        value = value.substr(0, value.find('"'));
    } else {
        // An unquoted value is a token: it ends at the ";" before the next
        // parameter or at white space (RFC 2045 section 5.1).
        value = value.substr(0, value.find_first_of("; \t\r\n"));
    }
    if (!value.empty()) {
        boundary_line = "--";
        boundary_line += value;
        boundary_line += "\r\n";
    }
}

bool ExtractCharset(std::string_view line, std::string& charset) {
    static constexpr std::string_view kParameter = "charset=";
    for (std::size_t at = 0; at + kParameter.size() <= line.size(); ++at) {
        if (AsciiLower(line[at]) != 'c' || !StartsWithIgnoreAsciiCase(line.substr(at), kParameter)) {
            continue;
        }
        // "x-charset=" and the like are other parameters.
        if (at > 0 && line[at - 1] != ';' && line[at - 1] != ' ' && line[at - 1] != '\t' &&
            line[at - 1] != '"') {
            continue;
        }
        std::string_view value = line.substr(at + kParameter.size());
        if (value.starts_with('"') || value.starts_with('\'')) {
            const char quote = value.front();
            value.remove_prefix(1);
            value = value.substr(0, value.find(quote));
        } else {
            value = value.substr(0, value.find_first_of("; \t\r\n\"'/>"));
        }
        if (value.empty()) {
            return false;
        }
        charset.assign(value);
        return true;
    }
    return false;
}

}  // namespace tarvox
