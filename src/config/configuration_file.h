// tarvox.ini: the global section and one section per profile, read once at
// start-up and written whole whenever settings must persist.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "config/global_settings.h"
#include "config/profile.h"
#include "frontend/services.h"

namespace tarvox {

// What the settings file holds, plus the master passphrase once entered.
struct Configuration {
    GlobalSettings global;
    ProfileList profiles;
    std::string master_passphrase;  // empty until entered or set
};

// Reads the file into `config`, whose global settings the caller has set to
// their defaults; every complete profile is appended to the list. A missing or
// unreadable file is not an error: true, with the defaults kept. False when
// the master passphrase check fails or is cancelled, or when profiles cannot
// be decoded for want of a passphrase; the program must then end without
// writing the file.
bool LoadConfiguration(const std::filesystem::path& path, Configuration& config,
                       FrontendServices& services);

// The same reading rules over file text already in memory.
bool LoadConfigurationText(std::string_view text, Configuration& config,
                           FrontendServices& services);

// The whole file text. Recomputes the verifier (`md5`) from the master
// passphrase when the lock is on, and empties it otherwise.
std::string FormatConfiguration(Configuration& config);

// Writes the file whole: into a temporary file beside it (mode 0600, since it
// holds passwords), flushed, then renamed over the old one, so that a failure
// leaves the old file as it was. Returns false on failure; the program stays
// silent about it.
bool SaveConfiguration(const std::filesystem::path& path, Configuration& config);

// Records the fingerprint of a certificate the user accepted: it goes into the
// stored profile's field (`pop_sslid` or `SMTPsslid`) and the settings file is
// written at once.
void RecordAcceptedFingerprint(const std::filesystem::path& path, Configuration& config,
                               Profile& stored, std::string Profile::*field,
                               const std::string& fingerprint);

}  // namespace tarvox
