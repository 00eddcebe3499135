// What the inbox lists of the mailbox, as a profile stores it (mode=).
#pragma once

namespace tarvox {

enum class MailboxMode : int {
    Full = 0,     // every message
    Partial = 1,  // only the newest `maximum` messages
    Purge = 2,    // offers to delete every message first
};

// The mode a settings file's integer names. Another value is kept as read, so
// that the file is written back unchanged; the inbox treats it as Full.
constexpr MailboxMode MailboxModeFromSetting(int value) {
    return static_cast<MailboxMode>(value);
}

}  // namespace tarvox
