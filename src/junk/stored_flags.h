// Message flags kept across connections in the profile's `msgid` list: one
// 12-character item per flagged message, the base64 encoding of 9 bytes
// (identity word 1 and word 2, least significant byte first, then the flags'
// low byte), each item followed by a comma.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

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

// The flags stored for the identity, or 0.
std::uint32_t LookupStoredFlags(std::string_view stored, MessageIdentity identity);

// One item, with its comma, for every message with flags and an identity.
std::string BuildStoredFlags(std::span<const FlaggedMessage> messages);

// BuildStoredFlags, followed by every old item whose identity is not among
// the new ones, so that flags of messages outside a partial view survive.
std::string MergeStoredFlags(std::string_view old_stored, std::span<const FlaggedMessage> messages);

}  // namespace tarvox
