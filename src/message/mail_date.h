// The Date header as a sortable local time text.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

inline constexpr std::string_view kFallbackMailDate = "2000-01-01 00:00:00";

// "%Y-%m-%d %H:%M:%S" in local time, or nothing when no date form fits (or
// the time cannot be converted).
std::optional<std::string> ParseMailDate(std::string_view date);

// ParseMailDate, or "2000-01-01 00:00:00" when it gives nothing.
std::string FormatMailDate(std::string_view date);

// Seconds to add to a UTC time to get local time, now.
long LocalUtcOffset();

}  // namespace tarvox
