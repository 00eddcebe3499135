// Trust on first use, as the user sees it: the "SSL Information" dialog's
// content for a server certificate, judged against the fingerprint the
// profile recorded, and the user's decision. The check that asks is
// AcceptServerCertificate (protocols/server_certificate.h).
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "net/tls_certificate.h"

namespace tarvox {

inline constexpr std::string_view kTrustUnknown = "Unknown. First certificate seen, none on record.";
inline constexpr std::string_view kTrustGood = "Good. Matches recorded fingerprint.";
inline constexpr std::string_view kTrustSuspicious =
    "SUSPICIOUS. DOES NOT MATCH RECORDED FINGERPRINT.";
inline constexpr std::string_view kTrustRenewed =
    "Changed, but valid: does not match the recorded fingerprint, yet the new certificate is "
    "valid for this host and issued by a trusted authority, as when it is renewed.";
inline constexpr std::string_view kWarningHostMismatch =
    "* The network host name does not match the host name in the certificate.";
inline constexpr std::string_view kWarningNoRecord =
    "* This host does not yet have an associated certificate on record. Tarvox can not verify "
    "the authenticity of certificate data; make sure you are connecting to the intended host.";
inline constexpr std::string_view kWarningMismatch =
    "** This certificate DOES NOT MATCH the one recorded in the profile. The host has changed, "
    "perhaps maliciously. It's possible the connection is being intercepted.";
inline constexpr std::string_view kUnknownField = "???";

// Everything the "SSL Information" dialog shows, decided before it opens.
struct CertificateView {
    std::string protocol{kUnknownField};
    std::string cipher_name{kUnknownField};
    std::string cipher_version{kUnknownField};
    std::string network_host_name;
    std::string certificate_host_name{kUnknownField};
    std::string fingerprint{kUnknownField};
    std::string valid_from{kUnknownField};
    std::string valid_to{kUnknownField};
    std::string subject{kUnknownField};  // one component a line, each ending in CR LF
    std::string issuer{kUnknownField};
    std::string trust_evaluation;
    // "Certificate chain: valid for HOST (issued by ...)" or why it is not.
    std::string chain{"Certificate chain: ???"};
    std::string warnings{"none"};  // each warning followed by CR LF CR LF

    // Fields drawn in black on yellow.
    bool mark_warnings = false;
    bool mark_network_host_name = false;
    bool mark_trust_evaluation = false;
    bool mark_fingerprint = false;
    bool mark_chain_failed = false;  // drawn in red

    bool accept_enabled = false;
    bool deny_enabled = false;
    bool cancel_enabled = true;
    // The button Enter presses: Accept only for the ordinary renewal (a new
    // certificate that verifies), else Deny; none when the dialog only shows.
    enum class Default { None, Accept, Deny };
    Default default_button = Default::None;
};

// `recorded` is the profile's recorded fingerprint, or null when no stored
// profile has this name. `may_decide` is set when the dialog is shown during
// a connection and must end in accept or deny.
CertificateView BuildCertificateView(const CertificateDetails& details,
                                     std::string_view network_host_name,
                                     const std::string* recorded, bool may_decide);

enum class CertificateDecision { Cancel = 0, Deny = 1, Accept = 2 };

// Called with the fingerprints when the user accepts a certificate: records
// them in the stored profile and writes the settings file. Empty when no
// stored profile has the connection's profile name.
using CertificateRecorder = std::function<void(const CertificateFingerprints& fingerprints)>;

}  // namespace tarvox
