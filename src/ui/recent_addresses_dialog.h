// "Recently used addresses": the addresses recently sent to, most recent
// first, to pick one for an address field of the composer. OK or a double
// click picks the chosen row; Cancel picks nothing; Help opens "#adbooks".
#pragma once

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace tarvox {

struct AppContext;

// Runs the picker modally over `recent`, held oldest first as the address
// books keep it (AddressBooks::recently_used); the address picked, if any.
std::optional<std::string> PickRecentAddress(const std::vector<std::string>& recent,
                                             AppContext& context, QWidget* parent = nullptr);

}  // namespace tarvox
