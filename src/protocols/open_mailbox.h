// Opening the mailbox of a profile: look up, connect (TLS as the profile
// says, with the certificate check), log in and ask STAT. Started by the
// account tab's Connect button, and by its Poll button in stat-only mode.
// Every step is reported in the account tab's status line.
#pragma once

#include <functional>
#include <string>

#include "config/profile.h"
#include "frontend/services.h"

namespace tarvox {

struct PopSession;

enum class OpenMode { Connect, StatOnly };

enum class OpenOutcome {
    Failed,      // an error was reported; the connection is closed
    Ended,       // finished without entering: no mail, stat only, or nothing new
    EnterInbox,  // the session is open and logged in, with mail: open the inbox on it
};

struct OpenMailboxRequest {
    OpenMode mode = OpenMode::Connect;
    // The profile as the window shows it, with prompted credentials filled in.
    Profile working;
    // The saved profiles: the one with the same name (ASCII case ignored)
    // holds the recorded fingerprint, mailbox statistics and entermod.
    ProfileList* stored = nullptr;
    // Enables the account tab's Abort button once a connection is under way.
    std::function<void()> enable_abort;
    // Records an accepted certificate's fingerprint in the stored profile and
    // writes the settings file.
    std::function<void(Profile& stored, const CertificateFingerprints& fingerprints)> record_fingerprint;
    // Clears the poller's new-mail mark for this profile (empty mailbox).
    std::function<void(const std::string& profile_name)> clear_new_mail_mark;
};

OpenOutcome OpenMailbox(PopSession& session, const OpenMailboxRequest& request,
                        FrontendServices& services);

}  // namespace tarvox
