#include "support/test_certificate.h"

#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

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

namespace {

std::string DigestText(X509* x509, const EVP_MD* method) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    std::string text;
    X509_digest(x509, method, digest, &length);
    for (unsigned int i = 0; i < length; ++i) {
        text += i > 0 ? ":" : "";
        text += "0123456789ABCDEF"[digest[i] >> 4];
        text += "0123456789ABCDEF"[digest[i] & 0x0F];
    }
    return text;
}

bool AddExtension(X509* x509, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX context;
    X509V3_set_ctx(&context, issuer, x509, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str());
    const bool added = extension != nullptr && X509_add_ext(x509, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

}  // namespace

std::shared_ptr<TestCertificate> MakeTestCertificate(const CertificateRequest& request) {
    auto made = std::shared_ptr<TestCertificate>(
        new TestCertificate{X509_new(), EVP_EC_gen("P-256"), ""}, [](TestCertificate* c) {
            X509_free(c->certificate);
            EVP_PKEY_free(c->key);
            delete c;
        });
    static long serial = 100;
    X509* x509 = made->certificate;
    X509* issuer = request.issuer != nullptr ? request.issuer->certificate : x509;
    EVP_PKEY* signer = request.issuer != nullptr ? request.issuer->key : made->key;
    constexpr long kDay = 24L * 60 * 60;
    std::string names;
    for (const std::string& name : request.dns_names) {
        names += (names.empty() ? "DNS:" : ",DNS:") + name;
    }
    const bool ok =
        x509 != nullptr && made->key != nullptr && X509_set_version(x509, 2) == 1 &&
        ASN1_INTEGER_set(X509_get_serialNumber(x509), ++serial) == 1 &&
        X509_gmtime_adj(X509_getm_notBefore(x509), request.valid_from_days * kDay) != nullptr &&
        X509_gmtime_adj(X509_getm_notAfter(x509), request.valid_to_days * kDay) != nullptr &&
        X509_NAME_add_entry_by_txt(X509_get_subject_name(x509), "CN", MBSTRING_ASC,
                                   reinterpret_cast<const unsigned char*>(request.common_name.c_str()),
                                   -1, -1, 0) == 1 &&
        X509_set_issuer_name(x509, X509_get_subject_name(issuer)) == 1 &&
        X509_set_pubkey(x509, made->key) == 1 &&
        (!request.authority || AddExtension(x509, issuer, NID_basic_constraints, "critical,CA:TRUE")) &&
        (names.empty() || AddExtension(x509, issuer, NID_subject_alt_name, names)) &&
        X509_sign(x509, signer, EVP_sha256()) > 0;
    if (!ok) {
        throw std::runtime_error("cannot make a test certificate for " + request.common_name);
    }
    made->fingerprint = DigestText(x509, EVP_sha1());
    made->fingerprint256 = DigestText(x509, EVP_sha256());
    return made;
}

std::string CertificatePem(const TestCertificate& certificate) {
    BIO* bio = BIO_new(BIO_s_mem());
    PEM_write_bio_X509(bio, certificate.certificate);
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    std::string pem(data, static_cast<std::size_t>(length));
    BIO_free(bio);
    return pem;
}

}  // namespace tarvox
