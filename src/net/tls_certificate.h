// What the server's certificate says, read from an established TLS
// connection. A query that cannot be answered gives nothing.
#pragma once

#include <optional>
#include <string>

namespace tarvox {

class NetConnection;

struct CertificateDetails {
    std::optional<std::string> protocol;        // "TLSv1.3"
    std::optional<std::string> cipher_name;
    std::optional<std::string> cipher_version;
    std::optional<std::string> subject;         // "/CN=mail.example.org/O=..."
    std::optional<std::string> issuer;
    std::optional<std::string> valid_from;      // "Jan  1 00:00:00 2026 GMT"
    std::optional<std::string> valid_to;
    std::optional<std::string> fingerprint;     // see TlsFingerprint
    std::optional<std::string> fingerprint256;  // the same over SHA-256 (32 pairs)
    // Whether the chain verified against the trust store for the host name
    // the connection was made to; when not, OpenSSL's reason
    // ("self-signed certificate", "hostname mismatch", ...).
    std::optional<bool> chain_valid;
    std::string chain_problem;
};

CertificateDetails QueryCertificate(NetConnection& connection);

// The SHA-1 digest of the peer certificate as 20 upper-case hexadecimal pairs
// separated by colons (59 characters): the text a profile records.
std::optional<std::string> TlsFingerprint(NetConnection& connection);

// What a profile records of a certificate the user accepted. Older records
// hold the SHA-1 fingerprint only.
struct CertificateFingerprints {
    std::string sha1;
    std::string sha256;
};

// The recorded fingerprint a certificate is judged by: the SHA-256 one when
// there is one, else the SHA-1 one.
const std::string& TrustedFingerprint(const std::string& sha1, const std::string& sha256);

// True only when a fingerprint was recorded, one can be computed, and the two
// texts are equal byte for byte. A recorded text longer than a SHA-1 one is
// compared with the SHA-256 fingerprint.
bool TlsFingerprintMatches(NetConnection& connection, const std::string* recorded);

// Whether `recorded` names the certificate of these details (as above).
bool RecordedFingerprintMatches(const CertificateDetails& details, const std::string& recorded);

}  // namespace tarvox
