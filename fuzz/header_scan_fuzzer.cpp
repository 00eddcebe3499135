// The header scan over arbitrary bytes, classified with settings that switch
// on every junk rule: it must never crash, the 511-byte fields must stay
// within their limit, and the texts shown are well-formed UTF-8. The same
// bytes go through the address list parser and the date reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "codec/base64.h"
#include "codec/utf8.h"
#include "junk/junk_classifier.h"
#include "junk/junk_verdict.h"
#include "message/address_list.h"
#include "message/header_scan.h"
#include "message/mail_date.h"

namespace {

constexpr std::size_t kFieldLimit = 511;

const tarvox::JunkSettings& Settings() {
    static const tarvox::JunkSettings settings = {
        "viagra, casino,lottery",
        "friend,@example.org",
        tarvox::EncodeBase64("X-Whitelisted: *") + "," +
            tarvox::EncodeBase64("From: *@example.org*"),
        tarvox::EncodeBase64("X-Mailer: *bulk*") + ",not base64," +
            tarvox::EncodeBase64("Subject: ??? *"),
        tarvox::kAllJunkRules,
    };
    return settings;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);

    const tarvox::HeaderSummary summary = tarvox::ScanAndClassify(input, Settings());
    if (summary.body_start > size ||
        summary.junk_verdict > tarvox::JunkVerdict::BlacklistPattern ||
        summary.from.size() > kFieldLimit || summary.date.size() > kFieldLimit ||
        summary.subject.size() > kFieldLimit || summary.reply_to.size() > kFieldLimit ||
        summary.boundary_line.size() > kFieldLimit) {
        std::abort();
    }
    const tarvox::HeaderSummary scanned = tarvox::ScanHeaders(input);
    for (const std::string* text :
         {&scanned.from, &scanned.date, &scanned.subject, &scanned.reply_to}) {
        if (!tarvox::IsUtf8(*text)) {
            std::abort();
        }
    }
    for (const tarvox::AddressList* entries : {&scanned.to, &scanned.cc}) {
        for (const tarvox::AddressEntry& entry : *entries) {
            if (!tarvox::IsUtf8(entry.name) || !tarvox::IsUtf8(entry.raw)) {
                std::abort();
            }
        }
    }

    tarvox::AddressList list;
    if (tarvox::ParseAddressList(input, list) != list.size()) {
        std::abort();
    }
    for (const tarvox::AddressEntry& entry : list) {
        if (entry.address.empty() && entry.name.empty() && entry.raw.empty()) {
            std::abort();
        }
    }

    tarvox::FormatMailDate(input);
    tarvox::FormatMailDate(summary.date);
    return 0;
}
