#include "junk/stored_flags.h"

#include <algorithm>
#include <array>
#include <vector>

#include "codec/base64.h"
#include "config/comma_list.h"

namespace tarvox {

namespace {

constexpr std::size_t kItemLength = 12;

void PutWord(std::string& bytes, std::uint32_t word) {
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back(static_cast<char>((word >> shift) & 0xFF));
    }
}

std::uint32_t GetWord(const std::array<std::uint8_t, kItemLength>& bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// The three words of an item; all zero for an item that is not 12
// characters or does not decode.
std::array<std::uint32_t, 3> DecodeItem(std::string_view item) {
    std::array<std::uint8_t, kItemLength> bytes{};
    if (item.size() == kItemLength) {
        std::string decoded = DecodeBase64Text(item);
        for (std::size_t i = 0; i < decoded.size() && i < bytes.size(); ++i) {
            bytes[i] = static_cast<std::uint8_t>(decoded[i]);
        }
    }
    return {GetWord(bytes, 0), GetWord(bytes, 4), GetWord(bytes, 8)};
}

std::uint64_t KeyOf(std::uint32_t word1, std::uint32_t word2) {
    return std::uint64_t{word1} << 32 | word2;
}

}  // namespace

std::uint32_t LookupStoredFlags(std::string_view stored, MessageIdentity identity) {
    return StoredFlagsIndex(stored).Lookup(identity);
}

StoredFlagsIndex::StoredFlagsIndex(std::string_view stored) {
    for (std::string_view item : SplitCommaList(stored)) {
        auto [word1, word2, flags] = DecodeItem(item);
        m_items.push_back({KeyOf(word1, word2), flags});
    }
    // A stable sort keeps items of one identity in list order, so the first
    // one stays and answers as the walk over the list does.
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const Item& a, const Item& b) { return a.key < b.key; });
    m_items.erase(std::unique(m_items.begin(), m_items.end(),
                              [](const Item& a, const Item& b) { return a.key == b.key; }),
                  m_items.end());
}

std::uint32_t StoredFlagsIndex::Lookup(MessageIdentity identity) const {
    const std::uint64_t key = KeyOf(identity.word1, identity.word2);
    const auto it =
        std::lower_bound(m_items.begin(), m_items.end(), key,
                         [](const Item& item, std::uint64_t k) { return item.key < k; });
    return it != m_items.end() && it->key == key ? it->flags : 0;
}

std::string BuildStoredFlags(std::span<const FlaggedMessage> messages) {
    std::string stored;
    for (const FlaggedMessage& message : messages) {
        if (message.flags == 0 || message.identity.IsZero()) {
            continue;
        }
        std::string bytes;
        PutWord(bytes, message.identity.word1);
        PutWord(bytes, message.identity.word2);
        bytes.push_back(static_cast<char>(message.flags & 0xFF));
        stored += EncodeBase64(bytes);
        stored += ',';
    }
    return stored;
}

std::string MergeStoredFlags(std::string_view old_stored,
                             std::span<const FlaggedMessage> messages) {
    std::string merged = BuildStoredFlags(messages);
    std::vector<MessageIdentity> kept;
    for (std::string_view item : SplitCommaList(merged)) {
        auto [word1, word2, flags] = DecodeItem(item);
        kept.push_back({word1, word2});
    }
    for (std::string_view item : SplitCommaList(old_stored)) {
        auto [word1, word2, flags] = DecodeItem(item);
        if (std::find(kept.begin(), kept.end(), MessageIdentity{word1, word2}) == kept.end()) {
            merged += item;
            merged += ',';
        }
    }
    return merged;
}

}  // namespace tarvox
