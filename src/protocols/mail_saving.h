// The Save Mail dialog's run: the selected messages downloaded whole and
// each written into the profile's saving folder.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "config/profile.h"
#include "message/save_mail.h"

namespace tarvox {

class FrontendServices;
struct PopSession;

// The whole run of the Save Mail dialog on the session's worker: messages
// `numbers` in order, each downloaded whole, with "Downloading 1.5 K . . . "
// (the listed size) and the percentage in the inbox progress line, and saved
// (SaveDownloadedMessage). Before message `index` (from 1) `starting(index)`
// is asked whether the run goes on (false: stopped after the one before). The run ends at the
// first message that is not saved or skipped, and gives the last message's
// outcome (nothing when its download did not complete, or no message started).
//
// With PIPELINING the RETR commands go ahead of the replies, up to about
// kPipelineReplyBytes of listed size; a run that ends early first reads the
// replies still due, so the session stays in step.
std::optional<SaveMailOutcome> SaveMessages(PopSession& session,
                                            const std::vector<std::uint32_t>& numbers,
                                            const Profile& profile,
                                            const std::filesystem::path& root,
                                            FrontendServices& services,
                                            const std::function<bool(std::size_t index)>& starting);

}  // namespace tarvox
