// The header scan over arbitrary bytes, classified with settings that switch
// on every junk rule: it must never crash, and the 511-character fields must
// stay within their limit. The same bytes go through the address list parser
// and the date reader.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "codec/base64.h"
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
    tarvox::ScanHeaders(input);

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
