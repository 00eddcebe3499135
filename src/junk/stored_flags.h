// Message flags kept across connections in the profile's `msgid` list: one
// 12-character item per flagged message, the base64 encoding of 9 bytes
// (identity word 1 and word 2, least significant byte first, then the flags'
// low byte), each item followed by a comma.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

inline constexpr std::uint32_t kFlagRead = 1;
inline constexpr std::uint32_t kFlagReplied = 2;

struct MessageIdentity {
    std::uint32_t word1 = 0;
    std::uint32_t word2 = 0;
    bool operator==(const MessageIdentity&) const = default;
    bool IsZero() const { return word1 == 0 && word2 == 0; }
};

struct FlaggedMessage {
    MessageIdentity identity;
    std::uint32_t flags = 0;
};

// The flags stored for the identity, or 0: those of the first item with that
// identity (an item that does not decode has identity 0 and no flags).
std::uint32_t LookupStoredFlags(std::string_view stored, MessageIdentity identity);

// A stored list decoded once, for the lookups of every message of an inbox.
class StoredFlagsIndex {
public:
    explicit StoredFlagsIndex(std::string_view stored);

    // The flags stored for the identity, as LookupStoredFlags gives them.
    std::uint32_t Lookup(MessageIdentity identity) const;

private:
    struct Item {
        std::uint64_t key;  // word1, word2
        std::uint32_t flags;
    };
    std::vector<Item> m_items;  // by key; of equal keys only the first of the list
};

// One item, with its comma, for every message with flags and an identity.
std::string BuildStoredFlags(std::span<const FlaggedMessage> messages);

// BuildStoredFlags, followed by every old item whose identity is not among
// the new ones, so that flags of messages outside a partial view survive.
std::string MergeStoredFlags(std::string_view old_stored, std::span<const FlaggedMessage> messages);

}  // namespace tarvox
