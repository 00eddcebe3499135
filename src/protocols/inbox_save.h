// Save & Exit of the open inbox: the flags of the listed messages and the
// mailbox statistics go into the stored profile, the settings file is
// written, then QUIT makes the deletions of this session permanent.
#pragma once

#include <functional>

#include "protocols/message_list.h"
#include "protocols/pop_session.h"

namespace tarvox {

class FrontendServices;
struct Profile;

// The flags of the listed messages into `stored.msgid`. A full listing with
// headers read holds every message of the mailbox, so it replaces the stored
// items; any other listing is merged in, keeping the flags of messages it
// does not show.
void StoreInboxFlags(Profile& stored, const MessageList& list);

// Runs on the session's worker. Without a stored profile (`stored` null)
// only QUIT goes out. Otherwise the flags are stored, STAT's count and size
// are recorded in `stored.maildrop` when the server answers it,
// `save_settings` writes the settings file, and QUIT follows.
InboxExit SaveInboxAndExit(PopSession& session, const MessageList& list, Profile* stored,
                           const std::function<void()>& save_settings, FrontendServices& services);

}  // namespace tarvox
