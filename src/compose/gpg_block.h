// GnuPG on a message as the viewer shows it: the text from the first PGP
// marker on is piped through the user's GnuPG program, which decrypts or
// verifies it, and its output takes the place of that text.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

class FrontendServices;

inline constexpr std::string_view kPgpMarker = "-----BEGIN PGP";
inline constexpr std::string_view kNoPgpMarkerText =
    "No PGP/GPG or OpenPGP marker found in this message";

// `shown` is the text as the viewer shows it, lines ending in LF. Runs the
// program at `gpg_path` (with no options, as for Decrypt) on the text from
// the first "-----BEGIN PGP" on, its lines ended in CR LF, and returns the
// text before the marker (lines ended in CR LF) followed by the program's
// output. Nothing when the text holds no marker (the "No PGP/GPG or OpenPGP
// marker" box) or the program gave no output; ApplyGpgFunction tells the
// user of the program's failures and messages.
std::optional<std::string> ApplyGpgToPgpBlock(std::string_view shown, const std::string& gpg_path,
                                              FrontendServices& services);

}  // namespace tarvox
