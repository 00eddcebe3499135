// Throughput of the header scan, the body walk over quoted-printable text and
// the base64 attachment writer. Each runs at two sizes, the second ten times
// the first, so the output shows whether the time grows linearly. Also the
// work the inbox loader does for each listed message, per message.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "codec/base64.h"
#include "junk/junk_settings.h"
#include "junk/stored_flags.h"
#include "message/attachments.h"
#include "message/header_scan.h"
#include "message/mime_body.h"
#include "protocols/inbox_entry.h"
#include "protocols/message_list.h"

namespace tarvox {
namespace {

constexpr std::int64_t kKiB = 1024;
constexpr std::int64_t kMiB = 1024 * 1024;

// A header block of about `size` bytes: the usual fields, then Received and
// X- lines (some folded) up to the size, then the empty line and a short body.
std::string HeaderBlock(std::size_t size) {
    std::string text =
        "From: =?ISO-8859-1?Q?J=FCrgen_M=FCller?= <jm@example.org>\r\n"
        "To: Ann <ann@example.net>, \"Smith, Bob\" <bob@example.net>,\r\n"
        " carol@example.net\r\n"
        "Subject: =?ISO-8859-1?Q?R=E9sum=E9?= of the meeting\r\n"
        "Date: Tue, 1 Apr 2003 09:00:00 +0200\r\n"
        "Message-ID: <bench.1@example.org>\r\n"
        "Content-Type: multipart/mixed; boundary=\"bench-boundary\"\r\n";
    for (unsigned n = 0; text.size() < size; ++n) {
        text += "Received: from relay" + std::to_string(n) +
                ".example.org (relay.example.org [192.0.2.7])\r\n"
                "\tby mx.example.net with ESMTP id x" +
                std::to_string(n) + "; Tue, 1 Apr 2003 09:00:00 +0200\r\n";
        text += "X-Trace-" + std::to_string(n) + ": a line that no prefix of the scan matches\r\n";
    }
    return text + "\r\nBody.\r\n";
}

// A quoted-printable text body of about `size` bytes.
std::string QuotedPrintableMessage(std::size_t size) {
    std::string text =
        "Content-Type: text/plain; charset=iso-8859-1\r\n"
        "Content-Transfer-Encoding: quoted-printable\r\n"
        "\r\n";
    while (text.size() < size) {
        text +=
            "Caf=E9 cr=E8me br=FBl=E9e, a line of ordinary text that is long enough to =\r\n"
            "be broken softly; =3D signs and tabs=09stay as they are.\r\n";
    }
    return text + ".\r\n";
}

// Base64 data of `size` decoded bytes in 76-character lines, ending in a
// boundary line.
std::string Base64Data(std::size_t size) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve(size / 3 * 4 + size / 57 * 2 + 64);
    std::size_t column = 0;
    for (std::size_t group = 0; group < size / 3; ++group) {
        for (int i = 0; i < 4; ++i) {
            text += kAlphabet[(group * 7 + static_cast<std::size_t>(i) * 13) % 64];
        }
        column += 4;
        if (column == 76) {
            text += "\r\n";
            column = 0;
        }
    }
    return text + "\r\n--bench-boundary--\r\n";
}

void BM_ScanHeaders(benchmark::State& state) {
    const std::string message = HeaderBlock(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        HeaderSummary summary = ScanHeaders(message);
        benchmark::DoNotOptimize(summary);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(message.size()));
}
BENCHMARK(BM_ScanHeaders)->Arg(4 * kKiB / 10)->Arg(4 * kKiB);

void BM_BuildBodyTextQuotedPrintable(benchmark::State& state) {
    const std::string message = QuotedPrintableMessage(static_cast<std::size_t>(state.range(0)));
    const HeaderSummary summary = ScanHeaders(message);
    const BodyWalkStart from = BodyWalkStartFrom(summary);
    std::string display;
    for (auto _ : state) {
        display.clear();
        BodyTextEnd end =
            BuildBodyText(message, summary.body_start, from, HtmlFilterMode::Filter, display);
        benchmark::DoNotOptimize(end);
        benchmark::DoNotOptimize(display.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(message.size()));
}
BENCHMARK(BM_BuildBodyTextQuotedPrintable)
    ->Arg(10 * kMiB / 10)
    ->Arg(10 * kMiB)
    ->Unit(benchmark::kMillisecond);

void BM_WriteBase64Data(benchmark::State& state) {
    const std::string message = Base64Data(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        std::size_t written = 0;
        const bool ok = WriteBase64Data(message, 0, [&](std::string_view bytes) {
            written += bytes.size();
            return true;
        });
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(written);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(message.size()));
}
BENCHMARK(BM_WriteBase64Data)->Arg(50 * kMiB / 10)->Arg(50 * kMiB)->Unit(benchmark::kMillisecond);

// A small deterministic generator (the same numbers on every platform).
class Random {
public:
    std::uint32_t Next() {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(m_state >> 33);
    }
    std::uint32_t Below(std::uint32_t n) { return Next() % n; }
    template <std::size_t N>
    const char* Pick(const char* const (&items)[N]) {
        return items[Below(N)];
    }
    std::string Token(std::size_t length) {
        static constexpr char kAlphabet[] =
            "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        std::string token;
        for (std::size_t i = 0; i < length; ++i) {
            token += kAlphabet[Below(62)];
        }
        return token;
    }

private:
    std::uint64_t m_state = 20240101;
};

constexpr const char* kDomains[] = {"example.com",      "example.net",       "example.org",
                                    "mail.example.com", "lists.example.org", "corp.example.net",
                                    "news.example.com"};
constexpr const char* kNames[] = {"Alice Smith", "Bob Jones",   "Carol White", "Dave Brown",
                                  "Erin Black",  "Frank Green", "Grace Hall",  "Heidi Young"};
constexpr const char* kEncodedNames[] = {
    "=?ISO-8859-1?Q?J=FCrgen_M=FCller?=", "=?UTF-8?B?RnJhbsOnb2lzIETDqXNpcsOp?=",
    "=?ISO-8859-1?Q?Ren=E9e_Dupr=E9?="};
constexpr const char* kWords[] = {"report", "meeting", "budget", "quarter", "review", "release",
                                  "draft",  "invoice", "order",  "server",  "backup", "project"};

std::string Mailbox(Random& random) {
    std::string name = random.Pick(kNames);
    std::string local = name;
    for (char& c : local) {
        c = c == ' ' ? '.' : static_cast<char>(c | 0x20);
    }
    const std::string address = local + "@" + random.Pick(kDomains);
    if (random.Below(100) < 15) {
        name = random.Pick(kEncodedNames);
    } else {
        name = "\"" + name + "\"";
    }
    return name + " <" + address + ">";
}

std::string Recipients(Random& random, unsigned count) {
    std::string list;
    for (unsigned i = 0; i < count; ++i) {
        list += (i == 0 ? "" : ",\r\n\t") + Mailbox(random);
    }
    return list;
}

std::string Address(Random& random) {
    constexpr unsigned kFirst[] = {192, 198, 203, 10};
    return std::to_string(kFirst[random.Below(4)]) + "." + std::to_string(random.Below(256)) + "." +
           std::to_string(random.Below(256)) + "." + std::to_string(1 + random.Below(254));
}

std::string ReceivedLine(Random& random, const std::string& stamp) {
    const std::string host =
        "mx" + std::to_string(1 + random.Below(40)) + "." + random.Pick(kDomains);
    return "Received: from " + host + " (" + host + " [" + Address(random) + "])\r\n\tby relay" +
           std::to_string(1 + random.Below(9)) + ".example.net (Postfix) with ESMTPS id " +
           random.Token(12) + "\r\n\tfor <alice@example.test>; " + stamp + "\r\n";
}

std::string SignatureField(Random& random, const std::string& name, const std::string& tags) {
    std::string field = name + ": " + tags + ";\r\n\tb=";
    for (int line = 0; line < 5; ++line) {
        field += (line == 0 ? "" : "\r\n\t") + random.Token(70);
    }
    return field + "\r\n";
}

// The header block of a TOP n 0 reply as the inbox loader receives it: 1 to
// 4 KB of relay lines, signatures and filter fields, then the fields the list
// shows (some names and subjects in encoded words), the empty line and the
// end line.
std::string ListedHeaderBlock(Random& random, unsigned index) {
    const std::string stamp = "Mon, " + std::to_string(1 + index % 28) + " Jan 2024 " +
                              std::to_string(10 + index % 12) + ":" +
                              std::to_string(10 + index % 50) + ":00 +0000";
    std::string subject;
    for (unsigned i = 0, words = 3 + random.Below(6); i < words; ++i) {
        subject += (i == 0 ? "" : " ") + std::string(random.Pick(kWords));
    }
    if (random.Below(10) == 0) {
        for (char& c : subject) {
            c = c == ' ' ? '_' : c;
        }
        subject = "=?UTF-8?Q?" + subject + "_=E2=80=94_r=C3=A9sum=C3=A9?=";
    }
    std::string fields =
        "Return-Path: <bounce-" + std::to_string(index) + "@" + random.Pick(kDomains) +
        ">\r\nDelivered-To: alice@example.test\r\n" + ReceivedLine(random, stamp) +
        ReceivedLine(random, stamp) +
        "Authentication-Results: mx.example.test; dkim=pass header.d=example.com;\r\n"
        "\tspf=pass smtp.mailfrom=example.com; dmarc=pass header.from=example.com\r\n" +
        SignatureField(random, "DKIM-Signature",
                       "v=1; a=rsa-sha256; d=example.com; h=from:to:subject:date") +
        "From: " + Mailbox(random) + "\r\nTo: " + Recipients(random, 1 + random.Below(4)) +
        "\r\nSubject: " + subject + "\r\nDate: " + stamp + "\r\nMessage-ID: <" + random.Token(16) +
        "." + std::to_string(index) + "@" + random.Pick(kDomains) + ">\r\nMIME-Version: 1.0\r\n" +
        (random.Below(2) == 0
             ? std::string("Content-Type: text/plain; charset=us-ascii\r\n")
             : "Content-Type: multipart/mixed; boundary=\"=_part_" + random.Token(20) + "\"\r\n");
    if (random.Below(2) == 0) {
        fields += "Cc: " + Recipients(random, 1 + random.Below(6)) + "\r\n";
    }
    const std::size_t target = 1024 + random.Below(3 * 1024);
    std::string extra;
    for (unsigned hop = 1; extra.size() + fields.size() < target; ++hop) {
        if (hop % 4 == 0) {
            extra += SignatureField(random, "ARC-Message-Signature",
                                    "i=" + std::to_string(hop) + "; a=rsa-sha256; d=example.net");
        } else if (hop % 4 == 1) {
            extra += "X-Filter-" + std::to_string(hop) +
                     ": score=" + std::to_string(random.Below(10)) + "; rules=" + random.Token(40) +
                     "\r\n";
        } else {
            extra += ReceivedLine(random, "Mon, 1 Jan 2024 10:00:00 +0000");
        }
    }
    return extra + fields + "\r\n.\r\n";
}

// A profile with every junk rule on, term lists, header patterns and the
// provider's networks, as a user who filters junk has it.
JunkSettings ListingJunkSettings() {
    JunkSettings junk;
    junk.blacklist = "casino,lottery,winner,viagra";
    junk.whitepat = EncodeBase64("From:*example.com>") + "," + EncodeBase64("X-Whitelisted: *");
    junk.blackpat = EncodeBase64("X-Mailer: *bulk*") + "," + EncodeBase64("Subject: ??? *") + "," +
                    EncodeBase64("From: *@spam.example*");
    junk.filterbits = kAllJunkRules;
    return junk;
}

// The per-message work of LoadInbox after each header block arrives
// (InboxEntryMaker::Make: the scan with the junk verdict, the originating
// address, the stored flags by identity, the entry) and the entry's row, over
// a mailbox of 500 messages; per_message is the CPU time of one. The stored
// list holds flags for every third message of the mailbox and for 300
// messages no longer on the server.
void BM_ListMessages(benchmark::State& state) {
    constexpr unsigned kMessages = 500;
    Random random;
    std::vector<std::string> blocks;
    std::size_t bytes = 0;
    std::vector<FlaggedMessage> flagged;
    for (unsigned n = 1; n <= kMessages; ++n) {
        blocks.push_back(ListedHeaderBlock(random, n));
        bytes += blocks.back().size();
        if (n % 3 == 0) {
            flagged.push_back({ComputeMessageIdentity(ScanHeaders(blocks.back())), 1 + n % 3});
        }
    }
    for (unsigned n = 0; n < 300; ++n) {
        flagged.push_back({{random.Next(), random.Next()}, kFlagRead});
    }
    const InboxEntryMaker maker(ListingJunkSettings(), "10.,192.168.", BuildStoredFlags(flagged),
                                /*use_status=*/true);
    for (auto _ : state) {
        MessageList list;
        for (unsigned n = 1; n <= kMessages; ++n) {
            list.Add(maker.Make(blocks[n - 1], n, 50 * 1024));
        }
        benchmark::DoNotOptimize(list);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes));
    state.counters["per_message"] = benchmark::Counter(
        kMessages, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_ListMessages)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tarvox
