#include "protocols/inbox_entry.h"

#include <array>
#include <charconv>
#include <utility>

#include "codec/md5.h"
#include "codec/text_format.h"
#include "codec/utf8.h"
#include "junk/foreign_address.h"
#include "message/address_list.h"
#include "message/mail_date.h"

namespace tarvox {

namespace {

std::uint32_t LittleEndianWord(const Md5Digest& digest, std::size_t at) {
    return static_cast<std::uint32_t>(digest[at]) |
           static_cast<std::uint32_t>(digest[at + 1]) << 8 |
           static_cast<std::uint32_t>(digest[at + 2]) << 16 |
           static_cast<std::uint32_t>(digest[at + 3]) << 24;
}

std::string Limited(std::string_view text, std::size_t limit) {
    return std::string(Utf8Prefix(text, limit));
}

}  // namespace

MessageIdentity ComputeMessageIdentity(const HeaderSummary& summary) {
    Md5Hasher hasher;
    hasher.Update(summary.message_id);
    hasher.Update(summary.from);
    hasher.Update(summary.date);
    hasher.Update(summary.subject);
    const Md5Digest digest = hasher.Final();
    return MessageIdentity{LittleEndianWord(digest, 0), LittleEndianWord(digest, 4)};
}

std::string SizeText(std::uint32_t size) {
    // "%.1f K": to_chars with a precision rounds as printf does, without a
    // format string to read for every listed message.
    std::array<char, 32> text{};
    char* end = std::to_chars(text.data(), text.data() + text.size(),
                              static_cast<double>(size) / 1024.0, std::chars_format::fixed, 1)
                    .ptr;
    return std::string(text.data(), end) + " K";
}

namespace {

InboxEntry MakeIdentifiedEntry(const HeaderSummary& summary, const EntryFacts& facts,
                               MessageIdentity identity) {
    InboxEntry entry;
    entry.identity = identity;
    entry.flags = facts.stored_flags | (facts.use_status ? summary.status_flags : 0);
    entry.number = facts.number;
    entry.size_text = SizeText(facts.size);

    AddressList from;
    ParseAddressList(summary.from, from);
    if (!from.empty()) {
        const AddressEntry& first = from.front();
        entry.sender = Limited(first.name.empty() ? first.address : first.name, kInboxTextLimit);
    }
    // An unreadable date is shown as it came, not as the fallback date.
    entry.date = Limited(ParseMailDate(summary.date).value_or(summary.date), kInboxTextLimit);
    entry.subject = summary.subject.empty() ? std::string(kNoSubject)
                                            : Limited(summary.subject, kInboxTextLimit);
    if (!summary.to.empty()) {
        entry.recipient = Limited(summary.to.front().address, kInboxTextLimit);
    }
    entry.junk_verdict = summary.junk_verdict;
    entry.multipart = summary.multipart;
    entry.originating_address = Limited(facts.originating_address, kOriginatingAddressLimit);
    return entry;
}

}  // namespace

InboxEntry MakeInboxEntry(const HeaderSummary& summary, const EntryFacts& facts) {
    return MakeIdentifiedEntry(summary, facts, ComputeMessageIdentity(summary));
}

InboxEntryMaker::InboxEntryMaker(JunkSettings junk, std::string_view networks,
                                 std::string_view stored_flags, bool use_status)
    : m_classifier(std::move(junk)),
      m_networks(networks),
      m_stored_flags(stored_flags),
      m_use_status(use_status) {}

InboxEntry InboxEntryMaker::Make(std::string_view header_block, std::uint32_t number,
                                 std::uint32_t size) const {
    const HeaderSummary summary = m_classifier.ScanAndClassify(header_block);
    const std::string origin = FindForeignAddress(header_block, m_networks).value_or(std::string());
    const MessageIdentity identity = ComputeMessageIdentity(summary);
    EntryFacts facts;
    facts.number = number;
    facts.size = size;
    facts.stored_flags = m_stored_flags.Lookup(identity);
    facts.use_status = m_use_status;
    facts.originating_address = origin;
    return MakeIdentifiedEntry(summary, facts, identity);
}

InboxEntry MakeUnparsedEntry(std::uint32_t number, std::uint32_t size) {
    InboxEntry entry;
    entry.number = number;
    entry.size_text = SizeText(size);
    entry.subject = TextFormat("Message %u", number);
    return entry;
}

int StateIconIndex(const InboxEntry& entry) {
    return static_cast<int>(entry.flags & kFlagRead) + (entry.multipart ? 2 : 0) +
           ((entry.flags & kFlagReplied) != 0 ? 4 : 0);
}

}  // namespace tarvox
