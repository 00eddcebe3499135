// tarvox.ini: the global section and one section per profile, read once at
// start-up and written whole whenever settings must persist.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "config/global_settings.h"
#include "config/profile.h"
#include "config/sealed_secrets.h"
#include "frontend/services.h"
#include "net/tls_certificate.h"

namespace tarvox {

// What the settings file holds, plus the master passphrase once entered.
struct Configuration {
    GlobalSettings global;
    ProfileList profiles;
    std::string master_passphrase;  // empty until entered or set
    // The key of the strong form and the passphrase it was made from, kept
    // so that a save does not run the key derivation again.
    std::optional<SealingKey> sealing_key;
    std::string sealing_passphrase;
    // Set when the file exists but could not be opened or read whole. It is
    // then never written during the run, for that would replace settings the
    // program never saw.
    bool file_unreadable = false;
};

// Said once, when the file exists but cannot be read: the file name and the
// reason (caption "Warning").
inline constexpr const char* kUnreadableSettingsFormat =
    "Unable to read settings file %s: %s. Changes will not be saved.";

// Reads the file into `config`, whose global settings the caller has set to
// their defaults; every profile is appended to the list, the last one also
// when the file ends before its empty line. A missing file is not an error:
// true, with the defaults kept. A file that exists but cannot be opened or
// read (no permission, not a regular file, a read error part-way) gives true
// with what was read before the failure, says so once and marks `config` so
// that it is never saved. False when
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
// leaves the old file as it was. Returns false on failure, and without
// touching the file when it could not be read at start-up; the program stays
// silent about it.
bool SaveConfiguration(const std::filesystem::path& path, Configuration& config);

enum class CertificateField { Pop3, Smtp };

// Records the fingerprints of a certificate the user accepted in the stored
// profile's fields (`pop_sslid` and `pop_sslid256`, or the SMTP pair); the
// caller writes the settings file at once.
void RecordAcceptedFingerprint(Profile& stored, CertificateField field,
                               const CertificateFingerprints& fingerprints);

}  // namespace tarvox
