#include "net/tls_certificate.h"

#include <cstdio>

#include "net/net_connection.h"
#include "net/tls_library.h"

namespace tarvox {

namespace {

std::optional<std::string> TakeLibraryText(const TlsFunctions& f, char* text) {
    if (text == nullptr) {
        return std::nullopt;
    }
    std::string copy(text);
    f.CRYPTO_free(text, "", 0);
    return copy;
}

std::optional<std::string> PrintTime(const TlsFunctions& f, const TlsTime* time) {
    if (time == nullptr) {
        return std::nullopt;
    }
    TlsBio* bio = f.BIO_new(f.BIO_s_mem());
    if (bio == nullptr) {
        return std::nullopt;
    }
    std::optional<std::string> text;
    if (f.ASN1_TIME_print(bio, time) > 0) {
        char* data = nullptr;
        long length = f.BIO_ctrl(bio, tls::kBioCtrlInfo, 0, &data);
        if (data != nullptr && length >= 0) {
            text.emplace(data, static_cast<std::size_t>(length));
        }
    }
    f.BIO_free(bio);
    return text;
}

// The length of a SHA-1 fingerprint's text: 20 pairs and 19 colons.
constexpr std::size_t kSha1TextLength = 59;

std::optional<std::string> Fingerprint(const TlsFunctions& f, const TlsCertificate* certificate,
                                       bool sha256 = false) {
    unsigned char digest[64];
    unsigned int length = 0;
    if (f.X509_digest(certificate, sha256 ? f.EVP_sha256() : f.EVP_sha1(), digest, &length) != 1 ||
        length == 0 ||
        length > sizeof(digest)) {
        return std::nullopt;
    }
    std::string text;
    for (unsigned int i = 0; i < length; ++i) {
        char pair[4];
        std::snprintf(pair, sizeof(pair), "%02X%s", digest[i], i + 1 < length ? ":" : "");
        text += pair;
    }
    return text;
}

// Runs `query` with the library's functions, the session and its peer
// certificate (which may be null); nothing when the connection is not in TLS.
template <class Query>
void WithPeer(NetConnection& connection, Query&& query) {
    const TlsLibrary* library = connection.tls_library();
    if (library == nullptr || !library->Available() || !connection.Connected()) {
        return;
    }
    const TlsFunctions& f = library->functions();
    connection.UseTlsSession([&](TlsSsl* ssl) {
        if (ssl == nullptr) {
            return;
        }
        TlsCertificate* certificate = f.SSL_get1_peer_certificate(ssl);
        query(f, ssl, certificate);
        if (certificate != nullptr) {
            f.X509_free(certificate);
        }
    });
}

std::optional<std::string> Copy(const char* text) {
    return text != nullptr ? std::optional<std::string>(text) : std::nullopt;
}

}  // namespace

CertificateDetails QueryCertificate(NetConnection& connection) {
    CertificateDetails details;
    WithPeer(connection, [&](const TlsFunctions& f, TlsSsl* ssl, TlsCertificate* certificate) {
        details.protocol = Copy(f.SSL_get_version(ssl));
        if (const TlsCipher* cipher = f.SSL_get_current_cipher(ssl); cipher != nullptr) {
            details.cipher_name = Copy(f.SSL_CIPHER_get_name(cipher));
            details.cipher_version = Copy(f.SSL_CIPHER_get_version(cipher));
        }
        if (certificate == nullptr) {
            return;
        }
        if (TlsName* name = f.X509_get_subject_name(certificate); name != nullptr) {
            details.subject = TakeLibraryText(f, f.X509_NAME_oneline(name, nullptr, 0));
        }
        if (TlsName* name = f.X509_get_issuer_name(certificate); name != nullptr) {
            details.issuer = TakeLibraryText(f, f.X509_NAME_oneline(name, nullptr, 0));
        }
        details.valid_from = PrintTime(f, f.X509_get0_notBefore(certificate));
        details.valid_to = PrintTime(f, f.X509_get0_notAfter(certificate));
        details.fingerprint = Fingerprint(f, certificate);
        details.fingerprint256 = Fingerprint(f, certificate, true);
        const long verified = f.SSL_get_verify_result(ssl);
        details.chain_valid = verified == tls::kVerifyOk;
        if (verified != tls::kVerifyOk) {
            details.chain_problem = Copy(f.X509_verify_cert_error_string(verified)).value_or("");
        }
    });
    return details;
}

std::optional<std::string> TlsFingerprint(NetConnection& connection) {
    std::optional<std::string> fingerprint;
    WithPeer(connection, [&](const TlsFunctions& f, TlsSsl*, TlsCertificate* certificate) {
        if (certificate != nullptr) {
            fingerprint = Fingerprint(f, certificate);
        }
    });
    return fingerprint;
}

const std::string& TrustedFingerprint(const std::string& sha1, const std::string& sha256) {
    return sha256.empty() ? sha1 : sha256;
}

bool TlsFingerprintMatches(NetConnection& connection, const std::string* recorded) {
    if (recorded == nullptr) {
        return false;
    }
    const bool sha256 = recorded->size() > kSha1TextLength;
    std::optional<std::string> fingerprint;
    WithPeer(connection, [&](const TlsFunctions& f, TlsSsl*, TlsCertificate* certificate) {
        if (certificate != nullptr) {
            fingerprint = Fingerprint(f, certificate, sha256);
        }
    });
    return fingerprint && *fingerprint == *recorded;
}

bool RecordedFingerprintMatches(const CertificateDetails& details, const std::string& recorded) {
    const std::optional<std::string>& fingerprint =
        recorded.size() > kSha1TextLength ? details.fingerprint256 : details.fingerprint;
    return fingerprint && *fingerprint == recorded;
}

}  // namespace tarvox
