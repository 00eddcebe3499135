// How the Global tab's edits enter the program-wide settings: the number
// ranges, the Mailman switch and the new-mail sound.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "config/global_settings.h"

namespace tarvox {

// Which number of the tab is out of range, checked in the order the tab shows
// them: the time-out (1 to 300 seconds), then the frequency (1 to 720 minutes).
enum class GlobalRangeError { None, Timeout, Frequency };

GlobalRangeError CheckGlobalRanges(int timeout, int freq);

// The refusal box's text; empty for None.
std::string_view GlobalRangeErrorText(GlobalRangeError error);

// Stores the Mailman box. A running poller is stopped and started again when
// the box is checked, so that it takes the new period and time-out; one that
// was off is started. Unchecking clears the setting and stops a running poller.
// `control(run)` starts or stops it.
void ApplyMailmanSetting(GlobalSettings& settings, bool enabled, bool running,
                         const std::function<void(bool run)>& control);

// Stores the new-mail sound box. Turning the sound on asks `pick` for a wave
// file, starting at the stored one; an empty answer (cancel) leaves the sound
// off. A sound already on keeps its file; unchecking clears both. Returns
// whether the sound is on, which the box then shows.
bool ApplyNewMailSound(GlobalSettings& settings, bool checked,
                       const std::function<std::string(std::string_view start)>& pick);

}  // namespace tarvox
