// One message of the Save Mail dialog's run: downloaded whole and written
// into the profile's saving folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "config/profile.h"
#include "message/save_mail.h"

namespace tarvox {

class FrontendServices;
struct PopSession;

// Downloads message `number` whole, with "Downloading 1.5 K . . . " (the
// listed size) and the percentage in the inbox progress line, then saves it
// (SaveDownloadedMessage). Nothing when the download did not complete.
std::optional<SaveMailOutcome> DownloadAndSaveMessage(PopSession& session, std::uint32_t number,
                                                      const Profile& profile,
                                                      const std::filesystem::path& root,
                                                      FrontendServices& services);

}  // namespace tarvox
