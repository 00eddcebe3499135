// A self-signed "localhost" certificate with a 2048-bit RSA key, made once per process (slow
// under sanitizers); throws std::runtime_error when OpenSSL cannot make it.
#pragma once

#include <openssl/types.h>

#include <memory>
#include <string>
#include <vector>

namespace tarvox {

struct TestCertificate {
    X509* certificate = nullptr;
    EVP_PKEY* key = nullptr;
    // SHA-1 of the certificate as 20 upper-case hex pairs joined by ':', as the program shows it.
    std::string fingerprint;
    std::string fingerprint256;  // the same over SHA-256 (made certificates only)
};

const TestCertificate& LocalhostTestCertificate();

// A certificate made for one test (an EC P-256 key, fast to make): signed by
// `issuer`, or self-signed without one. Freed with the pointer.
struct CertificateRequest {
    std::string common_name = "localhost";
    std::vector<std::string> dns_names;  // subjectAltName, "DNS:" each
    const TestCertificate* issuer = nullptr;
    bool authority = false;  // basicConstraints CA:TRUE, to sign others
    long valid_from_days = -1;  // relative to now
    long valid_to_days = 365;
};
std::shared_ptr<TestCertificate> MakeTestCertificate(const CertificateRequest& request);

// The certificate in PEM, for a trust store file.
std::string CertificatePem(const TestCertificate& certificate);

}  // namespace tarvox
