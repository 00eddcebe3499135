// What a scan of one message's header block finds (ScanHeaders), and the
// parsed addresses of its To and Cc lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tarvox {

// Defined with the junk rules (junk/junk_verdict.h); a summary starts as NotJunk.
enum class JunkVerdict : std::uint32_t;

enum class TransferEncoding {
    None = 0,
    QuotedPrintable = 1,
    SevenBit = 2,
    EightBit = 3,
    Base64 = 4
};

// One entry of an address list: "Name <address>", "address (Name)", ...
struct AddressEntry {
    std::string address;
    std::string name;  // display name
    std::string raw;   // the entry's text as it stood
    bool operator==(const AddressEntry&) const = default;
};

using AddressList = std::vector<AddressEntry>;

// Status and X-Status flags.
inline constexpr std::uint32_t kStatusSeen = 1;
inline constexpr std::uint32_t kStatusAnswered = 2;

// The texts shown (from, date, subject, reply_to, the names and raw entries of
// To and Cc) are UTF-8. Texts are at most 511 bytes, never cut inside a
// character, where a 512-byte field holds them in the file formats: from,
// date, subject, reply_to and boundary_line.
struct HeaderSummary {
    std::string message_id;
    std::string in_reply_to;
    std::string references;
    std::string from;
    std::string date;
    std::string subject;
    std::string reply_to;
    std::string boundary_line;  // "--" + boundary + CR LF, or empty
    std::string charset;        // the Content-Type charset parameter, or empty
    JunkVerdict junk_verdict{};
    bool multipart = false;   // content-type: multipart/mixed
    bool html = false;        // Content-Type: text/html
    bool plain_text = false;  // Content-Type: text/plain
    TransferEncoding transfer_encoding = TransferEncoding::None;
    std::uint32_t status_flags = 0;
    AddressList to;
    AddressList cc;
    // Where the scan stopped: normally the empty line that ends the header
    // block. The body starts here.
    std::size_t body_start = 0;
};

}  // namespace tarvox
