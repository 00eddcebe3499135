#include "compose/mailto_link.h"

#include <algorithm>

#include "codec/ascii.h"
#include "codec/utf8.h"
#include "config/command_line.h"

namespace tarvox {

namespace {

// A header field of the composer: one line of at most 511 bytes.
std::string FieldText(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    text.resize(Utf8Prefix(text, kToAddressLength).size());
    return text;
}

// The body with every line break as CR LF, at most 64 KiB.
std::string BodyText(std::string_view text) {
    std::string body;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
            body += "\r\n";
        } else {
            body += text[i];
        }
    }
    body.resize(Utf8Prefix(body, kMailtoBodyLength).size());
    return body;
}

void AddAddresses(std::string& field, std::string_view value) {
    if (value.empty()) {
        return;
    }
    if (!field.empty()) {
        field += ", ";
    }
    field = FieldText(field + std::string(value));
}

}  // namespace

MailtoFields ParseMailtoLink(std::string_view link) {
    MailtoFields fields;
    const std::size_t query = link.find('?');
    fields.to = FieldText(MailtoAddress(link.substr(0, query)));
    bool have_subject = false;
    bool have_body = false;
    std::string_view rest = query == std::string_view::npos ? "" : link.substr(query + 1);
    while (!rest.empty()) {
        const std::size_t end = rest.find('&');
        const std::string_view hfield = rest.substr(0, end);
        rest = end == std::string_view::npos ? "" : rest.substr(end + 1);
        const std::size_t equals = hfield.find('=');
        if (equals == std::string_view::npos) {
            continue;
        }
        const std::string name = DecodeMailtoText(hfield.substr(0, equals));
        const std::string value = DecodeMailtoText(hfield.substr(equals + 1));
        if (EqualsIgnoreAsciiCase(name, "to")) {
            AddAddresses(fields.to, value);
        } else if (EqualsIgnoreAsciiCase(name, "cc")) {
            AddAddresses(fields.cc, value);
        } else if (EqualsIgnoreAsciiCase(name, "bcc")) {
            AddAddresses(fields.bcc, value);
        } else if (EqualsIgnoreAsciiCase(name, "subject") && !have_subject) {
            have_subject = true;
            fields.subject = FieldText(value);
        } else if (EqualsIgnoreAsciiCase(name, "body") && !have_body) {
            have_body = true;
            fields.body = BodyText(value);
        }
    }
    return fields;
}

}  // namespace tarvox
