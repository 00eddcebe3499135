// A self-signed "localhost" certificate with a 2048-bit RSA key, made once per process (slow
// under sanitizers); throws std::runtime_error when OpenSSL cannot make it.
#pragma once

#include <openssl/types.h>

#include <string>

namespace tarvox {

struct TestCertificate {
    X509* certificate = nullptr;
    EVP_PKEY* key = nullptr;
    // SHA-1 of the certificate as 20 upper-case hex pairs joined by ':', as the program shows it.
    std::string fingerprint;
};

const TestCertificate& LocalhostTestCertificate();

}  // namespace tarvox
