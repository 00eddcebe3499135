#include "support/test_certificate.h"

#include <openssl/bio.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>
#include <stdexcept>

namespace tarvox {
namespace {

struct OpenSslFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
    void operator()(X509* certificate) const { X509_free(certificate); }
    void operator()(BIO* bio) const { BIO_free(bio); }
    void operator()(BIGNUM* number) const { BN_free(number); }
};

template <class T>
using OpenSslPtr = std::unique_ptr<T, OpenSslFree>;

// Throws with OpenSSL's reason unless `ok`.
void Check(bool ok, std::string_view what) {
    if (!ok) {
        char reason[256] = "";
        ERR_error_string_n(ERR_get_error(), reason, sizeof reason);
        ERR_clear_error();
        throw std::runtime_error("MakeTestCertificate: " + std::string(what) + ": " + reason);
    }
}

// Writes `write(bio)` into a memory BIO and returns its text.
template <class Write>
std::string PemText(Write write, std::string_view what) {
    OpenSslPtr<BIO> bio(BIO_new(BIO_s_mem()));
    Check(bio != nullptr && write(bio.get()) == 1, what);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, static_cast<std::size_t>(length));
}

}  // namespace

TestCertificate MakeTestCertificate(std::string_view common_name) {
    ERR_clear_error();
    OpenSslPtr<EVP_PKEY> key(EVP_RSA_gen(2048));
    OpenSslPtr<X509> certificate(X509_new());
    OpenSslPtr<BIGNUM> serial(BN_new());
    X509* x509 = certificate.get();
    Check(key != nullptr && x509 != nullptr && serial != nullptr, "allocation");
    constexpr long kDay = 24L * 60 * 60;
    const std::string name_text(common_name);
    X509_NAME* name = X509_get_subject_name(x509);
    Check(X509_set_version(x509, 2) == 1 &&  // 2 is X.509 v3
              BN_rand(serial.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1 &&
              BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(x509)) != nullptr &&
              X509_gmtime_adj(X509_getm_notBefore(x509), -kDay) != nullptr &&
              X509_gmtime_adj(X509_getm_notAfter(x509), 10 * 365 * kDay) != nullptr &&
              X509_NAME_add_entry_by_txt(
                  name, "CN", MBSTRING_ASC,
                  reinterpret_cast<const unsigned char*>(name_text.c_str()), -1, -1, 0) == 1 &&
              X509_set_issuer_name(x509, name) == 1 && X509_set_pubkey(x509, key.get()) == 1 &&
              X509_sign(x509, key.get(), EVP_sha256()) > 0,
          "signing the certificate");

    TestCertificate result;
    result.common_name = name_text;
    result.certificate_pem =
        PemText([&](BIO* bio) { return PEM_write_bio_X509(bio, x509); }, "certificate PEM");
    result.private_key_pem = PemText(
        [&](BIO* bio) {
            return PEM_write_bio_PrivateKey(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
        },
        "key PEM");
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    Check(X509_digest(x509, EVP_sha1(), digest, &length) == 1, "SHA-1 digest");
    for (unsigned int i = 0; i < length; ++i) {
        result.fingerprint += (i > 0 ? ":" : "");
        result.fingerprint += "0123456789ABCDEF"[digest[i] >> 4];
        result.fingerprint += "0123456789ABCDEF"[digest[i] & 0x0F];
    }
    return result;
}

const TestCertificate& LocalhostTestCertificate() {
    static const TestCertificate certificate = MakeTestCertificate("localhost");
    return certificate;
}

}  // namespace tarvox
