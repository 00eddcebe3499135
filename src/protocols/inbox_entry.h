// One row of the inbox list, made from the header summary of a message's
// header block, and the identity that recognises the message again at a later
// connection.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "junk/junk_classifier.h"
#include "junk/junk_settings.h"
#include "junk/junk_verdict.h"
#include "junk/stored_flags.h"
#include "message/header_summary.h"

namespace tarvox {

// The texts of an entry are 512-byte fields in the window's list: at most
// 511 bytes of UTF-8, never cut inside a character.
inline constexpr std::size_t kInboxTextLimit = 511;
// The originating address is a 16-byte field: at most 15 characters, which
// is the longest dotted IPv4 address.
inline constexpr std::size_t kOriginatingAddressLimit = 15;

inline constexpr std::string_view kNoSubject = "{No subject}";

struct InboxEntry {
    MessageIdentity identity;
    std::uint32_t flags = 0;   // kFlagRead, kFlagReplied
    std::uint32_t number = 0;  // the POP3 message number
    std::string size_text;     // "%.1f K"
    std::string sender;
    std::string date;
    std::string subject;
    std::string recipient;
    JunkVerdict junk_verdict = JunkVerdict::NotJunk;
    bool multipart = false;
    std::string originating_address;
    bool operator==(const InboxEntry&) const = default;
};

// MD5 over Message-ID, From, Date and Subject as the scan left them, joined
// without separators; the first eight digest bytes as two words, least
// significant byte first.
MessageIdentity ComputeMessageIdentity(const HeaderSummary& summary);

// "%.1f K" of the size in kilobytes.
std::string SizeText(std::uint32_t size);

struct EntryFacts {
    std::uint32_t number = 0;
    std::uint32_t size = 0;
    std::uint32_t stored_flags = 0;  // from the stored profile's msgid list
    bool use_status = false;         // or the summary's Status flags in
    std::string_view originating_address;
};

// The entry of a parsed header block.
InboxEntry MakeInboxEntry(const HeaderSummary& summary, const EntryFacts& facts);

// What the entries of one inbox share: the profile's junk settings, its
// provider networks and its stored flags, each made ready once.
class InboxEntryMaker {
public:
    InboxEntryMaker(JunkSettings junk, std::string_view networks, std::string_view stored_flags,
                    bool use_status);

    // The entry of message `number` of `size` bytes from its header block
    // (the text of its TOP n 0 reply): the scan with its junk verdict, the
    // originating address (FindForeignAddress), the stored flags of its
    // identity, then MakeInboxEntry.
    InboxEntry Make(std::string_view header_block, std::uint32_t number, std::uint32_t size) const;

private:
    JunkClassifier m_classifier;
    std::string m_networks;
    StoredFlagsIndex m_stored_flags;
    bool m_use_status;
};

// The entry of a message whose headers are not fetched: "Message %u" and the
// size, nothing else.
InboxEntry MakeUnparsedEntry(std::uint32_t number, std::uint32_t size);

// The row's state icon: 1 to 7 from Read, the attachment mark and Replied to;
// 0 shows none.
int StateIconIndex(const InboxEntry& entry);

}  // namespace tarvox
