// The settings reader over arbitrary bytes: it must never crash, and whatever
// it loads must write out and read back in without complaint.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/configuration_file.h"
#include "frontend/fixed_answer_services.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    tarvox::FixedAnswerServices services("fuzz passphrase");
    tarvox::Configuration config;
    if (!tarvox::LoadConfigurationText(input, config, services)) {
        return 0;
    }
    // With the passphrase known, what was loaded saves and loads again, and
    // keeps its profile count.
    std::string text = tarvox::FormatConfiguration(config);
    tarvox::Configuration again;
    if (!tarvox::LoadConfigurationText(text, again, services) ||
        again.profiles.size() != config.profiles.size()) {
        std::abort();
    }
    return 0;
}
