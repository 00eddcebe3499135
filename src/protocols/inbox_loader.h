// Loading the inbox of a freshly opened session: LIST for the sizes, then the
// header block of every message to be shown (TOP n 0), each made into one
// entry. Also purge mode, partial mode, the keep-alive timer and the final
// status and title.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string_view>

#include "config/profile.h"
#include "protocols/message_list.h"

namespace tarvox {

class FrontendServices;
struct PopSession;

// The LIST reply is read through a line buffer of this size (its last byte
// holds the terminator): a line of 127 bytes with its CR LF fits, a longer
// one fills the buffer without a line end and ends the reading as a closed
// connection does.
inline constexpr std::size_t kListLineBufferSize = 128;

struct InboxLoadRequest {
    const Profile* working = nullptr;       // the current profile settings
    const ProfileList* stored = nullptr;    // the stored profiles, or none
    std::function<void(std::string_view)> set_title;  // the inbox window's title
    // Starts the keep-alive timer with this period; its ticks start
    // PopKeepAlive when the session is open and idle.
    std::function<void(std::chrono::milliseconds)> start_keep_alive;
};

enum class LoadOutcome {
    Loaded,  // the list is filled
    Purged,  // purge mode ended the session (QUIT or RSET)
    Failed,  // the inbox closes with result 0
    Lost,    // the lost-connection notice was given
};

LoadOutcome LoadInbox(PopSession& session, const InboxLoadRequest& request, MessageList& list,
                      FrontendServices& services);

}  // namespace tarvox
