// What the composer holds when a message is sent or saved: the header fields
// as typed, the body as the editor lays it out, and the attachments.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "config/transport_security.h"

namespace tarvox {

struct ComposedAttachment {
    std::string path;       // full path
    std::string mime_type;  // "application/octet-stream", ...
    std::uint64_t size = 0;
};

struct ComposedMessage {
    std::string to;
    std::string cc;
    std::string bcc;
    std::string subject;
    std::string from;
    std::string reply_to;
    std::string in_reply_to;
    std::string references;
    // The editor's display lines. A line that ends a paragraph keeps its
    // CR LF; a line the editor wrapped has none.
    std::vector<std::string> body_lines;
    std::vector<ComposedAttachment> attachments;
};

// Where and how to send, as the composer's SMTP tab says.
struct SmtpSendSettings {
    std::string server;
    int port = 25;
    TransportSecurity protocol = TransportSecurity::Cleartext;
    bool use_auth = false;
    bool pop_before_smtp = false;
    std::string user;      // empty: the profile's POP3 user name
    std::string password;  // empty: the profile's POP3 password
};

}  // namespace tarvox
