// The settings reader over arbitrary bytes: it must never crash, and whatever
// it loads must write out and read back in without complaint.
//
// Every passphrase prompt is cancelled. Answering it would run the key
// derivation (Argon2id over as much memory as the file asks for, 128 MiB in a
// file Tarvox wrote) for every input that turns the lock on, which made this
// fuzzer run at a few inputs a second on them; a cancelled prompt ends the
// load at the same place a refused passphrase does. The passphrase checks
// themselves are tested in tests/config.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/configuration_file.h"
#include "frontend/fixed_answer_services.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    tarvox::FixedAnswerServices cancelling;
    tarvox::Configuration config;
    if (!tarvox::LoadConfigurationText(input, config, cancelling)) {
        return 0;
    }
    // Every prompt was cancelled, so a file that loads cannot have its lock
    // on: that would mean the passphrase was never asked for
    // (fuzz/regressions/settings_file_fuzzer/lock_without_empty_line).
    if (config.global.master == 1) {
        std::abort();
    }
    // What was loaded saves and loads again, and keeps its profile count.
    std::string text = tarvox::FormatConfiguration(config);
    tarvox::Configuration again;
    if (!tarvox::LoadConfigurationText(text, again, cancelling) ||
        again.profiles.size() != config.profiles.size()) {
        std::abort();
    }
    return 0;
}
