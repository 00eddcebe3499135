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

[[noreturn]] void Fail(std::string_view what) {
    std::string message = "MakeTestCertificate: " + std::string(what);
    if (const unsigned long error = ERR_get_error(); error != 0) {
        char reason[256];
        ERR_error_string_n(error, reason, sizeof reason);
        message += ": ";
        message += reason;
    }
    ERR_clear_error();
    throw std::runtime_error(message);
}

void Check(bool ok, std::string_view what) {
    if (!ok) {
        Fail(what);
    }
}

std::string BioText(BIO* bio) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<std::size_t>(length));
}

std::string Sha1Fingerprint(const X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    Check(X509_digest(certificate, EVP_sha1(), digest, &length) == 1 && length == 20,
          "SHA-1 digest");
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        if (i > 0) {
            text += ':';
        }
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0x0F];
    }
    return text;
}

}  // namespace

TestCertificate MakeTestCertificate(std::string_view common_name) {
    ERR_clear_error();
    OpenSslPtr<EVP_PKEY> key(EVP_RSA_gen(2048));
    Check(key != nullptr, "RSA key generation");

    OpenSslPtr<X509> certificate(X509_new());
    Check(certificate != nullptr, "X509_new");
    Check(X509_set_version(certificate.get(), 2) == 1, "version");  // 2 is X.509 v3

    OpenSslPtr<BIGNUM> serial(BN_new());
    Check(serial != nullptr && BN_rand(serial.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) == 1,
          "serial number");
    Check(BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(certificate.get())) != nullptr,
          "serial number");

    constexpr long kDay = 24L * 60 * 60;
    Check(X509_gmtime_adj(X509_getm_notBefore(certificate.get()), -kDay) != nullptr, "notBefore");
    Check(X509_gmtime_adj(X509_getm_notAfter(certificate.get()), 10 * 365 * kDay) != nullptr,
          "notAfter");

    const std::string name_text(common_name);
    X509_NAME* name = X509_get_subject_name(certificate.get());
    Check(X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                     reinterpret_cast<const unsigned char*>(name_text.c_str()), -1,
                                     -1, 0) == 1,
          "common name");
    Check(X509_set_issuer_name(certificate.get(), name) == 1, "issuer");
    Check(X509_set_pubkey(certificate.get(), key.get()) == 1, "public key");
    Check(X509_sign(certificate.get(), key.get(), EVP_sha256()) > 0, "signature");

    TestCertificate result;
    result.common_name = name_text;
    OpenSslPtr<BIO> certificate_bio(BIO_new(BIO_s_mem()));
    Check(certificate_bio != nullptr &&
              PEM_write_bio_X509(certificate_bio.get(), certificate.get()) == 1,
          "certificate PEM");
    result.certificate_pem = BioText(certificate_bio.get());
    OpenSslPtr<BIO> key_bio(BIO_new(BIO_s_mem()));
    Check(key_bio != nullptr && PEM_write_bio_PrivateKey(key_bio.get(), key.get(), nullptr, nullptr,
                                                         0, nullptr, nullptr) == 1,
          "key PEM");
    result.private_key_pem = BioText(key_bio.get());
    result.fingerprint = Sha1Fingerprint(certificate.get());
    return result;
}

const TestCertificate& LocalhostTestCertificate() {
    static const TestCertificate certificate = MakeTestCertificate("localhost");
    return certificate;
}

}  // namespace tarvox
