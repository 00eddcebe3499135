#include "config/global_settings_edits.h"

namespace tarvox {

GlobalRangeError CheckGlobalRanges(int timeout, int freq) {
    if (timeout < 1 || timeout > 300) {
        return GlobalRangeError::Timeout;
    }
    if (freq < 1 || freq > 720) {
        return GlobalRangeError::Frequency;
    }
    return GlobalRangeError::None;
}

std::string_view GlobalRangeErrorText(GlobalRangeError error) {
    switch (error) {
        case GlobalRangeError::Timeout:
            return "Timeout must be between 1 and 300 seconds";
        case GlobalRangeError::Frequency:
            return "Mailman's mail check frequency must be between 1 and 720 minutes";
        case GlobalRangeError::None:
            break;
    }
    return {};
}

void ApplyMailmanSetting(GlobalSettings& settings, bool enabled, bool running,
                         const std::function<void(bool run)>& control) {
    if (enabled) {
        if (running) {
            control(false);
        }
        settings.mailman = 1;
        control(true);
    } else {
        settings.mailman = 0;
        if (running) {
            control(false);
        }
    }
}

bool ApplyNewMailSound(GlobalSettings& settings, bool checked,
                       const std::function<std::string(std::string_view start)>& pick) {
    if (!checked) {
        settings.newsound = 0;
        settings.newwav.clear();
        return false;
    }
    if (settings.newsound == 1) {
        return true;
    }
    std::string chosen = pick(settings.newwav);
    if (chosen.empty()) {
        return false;
    }
    settings.newsound = 1;
    settings.newwav = std::move(chosen);
    return true;
}

}  // namespace tarvox
