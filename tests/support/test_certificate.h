// A self-signed TLS certificate for "localhost" with a fresh 2048-bit RSA key, made once per
// test process on first use (key generation is slow under the sanitizers) and kept to its
// end. Throws std::runtime_error when OpenSSL cannot make it: a broken test machine.
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
