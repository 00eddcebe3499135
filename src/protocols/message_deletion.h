// Deleting the selected messages of the open inbox on the server.
#pragma once

#include "protocols/message_list.h"
#include "protocols/pop_session.h"

namespace tarvox {

class FrontendServices;
struct GlobalSettings;

// Whether a delete command goes ahead: with "Confirm Delete" on, only after
// Yes to "Are you sure you want to delete the message(s)?".
bool UserConfirmsDeletion(const GlobalSettings& global, FrontendServices& services);
// Whether closing the inbox without saving (which restores every message
// deleted in the session) goes ahead: with "Confirm Cancel/Undo" on, only after Yes
// to the "Undelete all?" question.
bool UserConfirmsUndeleteAll(const GlobalSettings& global, FrontendServices& services);

// The inbox's delete command: DELE for every selected row, in row order. The
// rows go first, then each entry as its DELE is answered. False when the
// connection was lost (the lost-connection notice has been given).
bool DeleteSelected(PopSession& session, MessageList& list, FrontendServices& services);

}  // namespace tarvox
