#include "support/test_certificate.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <stdexcept>

namespace tarvox {

const TestCertificate& LocalhostTestCertificate() {
    static const TestCertificate made = [] {
        TestCertificate result{X509_new(), EVP_RSA_gen(2048), ""};
        X509* x509 = result.certificate;
        X509_NAME* name = X509_get_subject_name(x509);
        constexpr long kDay = 24L * 60 * 60;
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        if (x509 == nullptr || result.key == nullptr || X509_set_version(x509, 2) != 1 ||
            ASN1_INTEGER_set(X509_get_serialNumber(x509), 1) != 1 ||
            X509_gmtime_adj(X509_getm_notBefore(x509), -kDay) == nullptr ||
            X509_gmtime_adj(X509_getm_notAfter(x509), 10 * 365 * kDay) == nullptr ||
            X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                       reinterpret_cast<const unsigned char*>("localhost"), -1,
                                       -1, 0) != 1 ||
            X509_set_issuer_name(x509, name) != 1 || X509_set_pubkey(x509, result.key) != 1 ||
            X509_sign(x509, result.key, EVP_sha256()) <= 0 ||
            X509_digest(x509, EVP_sha1(), digest, &length) != 1) {
            throw std::runtime_error("cannot make the localhost test certificate");
        }
        for (unsigned int i = 0; i < length; ++i) {
            result.fingerprint += i > 0 ? ":" : "";
            result.fingerprint += "0123456789ABCDEF"[digest[i] >> 4];
            result.fingerprint += "0123456789ABCDEF"[digest[i] & 0x0F];
        }
        return result;
    }();
    return made;
}

}  // namespace tarvox
