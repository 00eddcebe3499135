#include "config/global_settings_edits.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace tarvox {
namespace {

TEST(CheckGlobalRanges, TimeOutFirstThenFrequency) {
    using enum GlobalRangeError;
    const std::tuple<int, int, GlobalRangeError> cases[] = {
        {0, 15, Timeout},    {1, 1, None},          {300, 720, None}, {301, 30, Timeout},
        {120, 0, Frequency}, {120, 721, Frequency}, {-5, 721, Timeout},
    };
    for (const auto& [timeout, freq, expected] : cases) {
        EXPECT_EQ(CheckGlobalRanges(timeout, freq), expected) << timeout << " / " << freq;
    }
}

TEST(ApplyMailmanSetting, RestartsARunningPollerAndStopsItWhenTurnedOff) {
    using Calls = std::vector<std::pair<bool, int>>;  // run, the setting at the call
    const std::tuple<bool, bool, Calls> cases[] = {
        {true, true, {{false, 0}, {true, 1}}}, {true, false, {{true, 1}}},
        {false, true, {{false, 0}}},           {false, false, {}},
    };
    for (const auto& [enabled, running, expected] : cases) {
        GlobalSettings settings;
        settings.mailman = enabled ? 0 : 1;
        Calls calls;
        ApplyMailmanSetting(settings, enabled, running,
                            [&](bool run) { calls.emplace_back(run, settings.mailman); });
        EXPECT_EQ(calls, expected) << enabled << running;
        EXPECT_EQ(settings.mailman, enabled ? 1 : 0);
    }
}

TEST(ApplyNewMailSound, AsksForAFileOnlyWhenTurnedOn) {
    const struct {
        bool checked;
        const char* newwav;  // empty: the sound was off
        const char* answer;  // the picker's; empty is Cancel; nullptr: must not be asked
        const char* newwav_after;  // nullptr: the sound ends off, with no file
    } cases[] = {
        {true, "", "", nullptr}, {true, "", "/new.wav", "/new.wav"},
        {true, "/old.wav", nullptr, "/old.wav"}, {false, "/old.wav", nullptr, nullptr},
    };
    for (const auto& test : cases) {
        GlobalSettings settings;
        settings.newsound = *test.newwav == '\0' ? 0 : 1;
        settings.newwav = test.newwav;
        const bool on = ApplyNewMailSound(settings, test.checked, [&](std::string_view start) {
            EXPECT_NE(test.answer, nullptr);
            EXPECT_EQ(start, test.newwav);
            return std::string(test.answer == nullptr ? "" : test.answer);
        });
        EXPECT_EQ(on, test.newwav_after != nullptr) << test.newwav << test.checked;
        EXPECT_EQ(settings.newsound, on ? 1 : 0);
        EXPECT_EQ(settings.newwav, test.newwav_after == nullptr ? "" : test.newwav_after);
    }
}

}  // namespace
}  // namespace tarvox
