// The Save Mail dialog's run, one message at a time: each is downloaded whole
// and written into the profile's saving folder.
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

// "Downloading message 2 of 5 . . . [ 40% ]"
std::string SaveMailProgressText(int index, int total);
// "Done saving 5 message(s)"
std::string SaveMailDoneText(int total);

// Downloads message `number` whole, with "Downloading 1.5 K . . . " (the
// listed size) and the percentage in the inbox progress line, then saves it
// (SaveDownloadedMessage). Nothing when the download did not complete.
std::optional<SaveMailOutcome> DownloadAndSaveMessage(PopSession& session, std::uint32_t number,
                                                      const Profile& profile,
                                                      const std::filesystem::path& root,
                                                      FrontendServices& services);

}  // namespace tarvox
