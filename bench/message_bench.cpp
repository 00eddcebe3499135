// Throughput of the header scan, the body walk over quoted-printable text and
// the base64 attachment writer. Each runs at two sizes, the second ten times
// the first, so the output shows whether the time grows linearly.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "message/attachments.h"
#include "message/header_scan.h"
#include "message/mime_body.h"

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

}  // namespace
}  // namespace tarvox
