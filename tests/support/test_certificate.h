// Self-signed TLS certificates made while the tests run, for the scripted server.
//
// A certificate has a fresh 2048-bit RSA key, subject and issuer "/CN=<common name>", a random
// serial number, and is valid from a day ago for ten years. Each call makes a new key and
// serial, so two certificates never share a fingerprint, even with the same common name.
//
// Both functions throw std::runtime_error, with OpenSSL's reason, when OpenSSL cannot make the
// certificate; that is a broken test machine, not a case to test.
#pragma once

#include <string>
#include <string_view>

namespace tarvox {

struct TestCertificate {
    std::string common_name;
    std::string certificate_pem;
    std::string private_key_pem;
    // The SHA-1 digest of the certificate (DER) in the program's text form: 20 upper-case
    // hexadecimal pairs separated by ':', 59 characters.
    std::string fingerprint;
};

TestCertificate MakeTestCertificate(std::string_view common_name);

// One certificate for "localhost", made on first use and shared by the whole test process
// (key generation is slow under the sanitizers). It never changes once made.
const TestCertificate& LocalhostTestCertificate();

}  // namespace tarvox
