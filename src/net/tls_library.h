// OpenSSL 3, bound at run time. The program runs without it: when libssl or
// libcrypto cannot be loaded, or any one of the functions below is missing,
// TLS stays unavailable and every TLS attempt fails with "need SSL support".
// Trust rests on the fingerprint that the profile recorded and on the user's
// decision; every handshake also verifies the chain against the system's
// trust store and the host name (RFC 6125), for the user to see.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tarvox {

// OpenSSL's types, used only through pointers.
struct TlsSsl;
struct TlsContext;
struct TlsMethod;
struct TlsCipher;
struct TlsCertificate;
struct TlsName;
struct TlsDigestMethod;
struct TlsBio;
struct TlsBioMethod;
struct TlsTime;
struct TlsVerifyParam;

// OpenSSL constants the program needs (from ssl.h, tls1.h, bio.h, crypto.h).
namespace tls {
inline constexpr int kErrorSsl = 1;
inline constexpr int kErrorWantRead = 2;
inline constexpr int kErrorWantWrite = 3;
inline constexpr int kErrorSyscall = 5;
inline constexpr int kErrorZeroReturn = 6;
inline constexpr int kCtrlSetTlsextHostname = 55;
inline constexpr long kNameTypeHostName = 0;
inline constexpr int kBioCtrlInfo = 3;
inline constexpr int kVersionText = 0;
inline constexpr int kCtrlSetMinProtoVersion = 123;
inline constexpr long kTls12Version = 0x0303;
inline constexpr long kVerifyOk = 0;
// An error queue entry's reason (ERR_GET_REASON); reasons from 1000 up are
// TLS alerts that the peer sent (SSL_AD_REASON_OFFSET); system errors carry
// the top flag instead.
inline constexpr unsigned long kReasonMask = 0x7FFFFF;
inline constexpr unsigned long kSystemErrorFlag = 0x80000000UL;
inline constexpr unsigned long kPeerAlertReasonFirst = 1000;
inline constexpr unsigned long kPeerAlertReasonLast = 1255;
}  // namespace tls

// The bound functions, named as in OpenSSL 3.
struct TlsFunctions {
    int (*OPENSSL_init_ssl)(std::uint64_t, const void*) = nullptr;
    const TlsMethod* (*TLS_client_method)() = nullptr;
    TlsContext* (*SSL_CTX_new)(const TlsMethod*) = nullptr;
    TlsSsl* (*SSL_new)(TlsContext*) = nullptr;
    int (*SSL_set_fd)(TlsSsl*, int) = nullptr;
    int (*SSL_connect)(TlsSsl*) = nullptr;
    int (*SSL_get_error)(const TlsSsl*, int) = nullptr;
    const char* (*SSL_get_version)(const TlsSsl*) = nullptr;
    const TlsCipher* (*SSL_get_current_cipher)(const TlsSsl*) = nullptr;
    const char* (*SSL_CIPHER_get_name)(const TlsCipher*) = nullptr;
    const char* (*SSL_CIPHER_get_version)(const TlsCipher*) = nullptr;
    TlsCertificate* (*SSL_get1_peer_certificate)(const TlsSsl*) = nullptr;
    int (*SSL_read)(TlsSsl*, void*, int) = nullptr;
    int (*SSL_write)(TlsSsl*, const void*, int) = nullptr;
    int (*SSL_shutdown)(TlsSsl*) = nullptr;
    void (*SSL_free)(TlsSsl*) = nullptr;
    void (*SSL_CTX_free)(TlsContext*) = nullptr;
    long (*SSL_ctrl)(TlsSsl*, int, long, void*) = nullptr;
    long (*SSL_CTX_ctrl)(TlsContext*, int, long, void*) = nullptr;
    int (*SSL_CTX_set_default_verify_paths)(TlsContext*) = nullptr;
    int (*SSL_set1_host)(TlsSsl*, const char*) = nullptr;
    TlsVerifyParam* (*SSL_get0_param)(TlsSsl*) = nullptr;
    long (*SSL_get_verify_result)(const TlsSsl*) = nullptr;

    const char* (*OpenSSL_version)(int) = nullptr;
    TlsName* (*X509_get_subject_name)(const TlsCertificate*) = nullptr;
    TlsName* (*X509_get_issuer_name)(const TlsCertificate*) = nullptr;
    char* (*X509_NAME_oneline)(const TlsName*, char*, int) = nullptr;
    void (*CRYPTO_free)(void*, const char*, int) = nullptr;
    const TlsDigestMethod* (*EVP_md5)() = nullptr;
    const TlsDigestMethod* (*EVP_sha1)() = nullptr;
    const TlsDigestMethod* (*EVP_sha256)() = nullptr;
    int (*X509_digest)(const TlsCertificate*, const TlsDigestMethod*, unsigned char*,
                       unsigned int*) = nullptr;
    const TlsBioMethod* (*BIO_s_mem)() = nullptr;
    TlsBio* (*BIO_new)(const TlsBioMethod*) = nullptr;
    long (*BIO_ctrl)(TlsBio*, int, long, void*) = nullptr;
    int (*ASN1_TIME_print)(TlsBio*, const TlsTime*) = nullptr;
    int (*BIO_free)(TlsBio*) = nullptr;
    void (*X509_free)(TlsCertificate*) = nullptr;
    const TlsTime* (*X509_get0_notBefore)(const TlsCertificate*) = nullptr;
    const TlsTime* (*X509_get0_notAfter)(const TlsCertificate*) = nullptr;
    void (*ERR_clear_error)() = nullptr;
    unsigned long (*ERR_peek_last_error)() = nullptr;
    int (*X509_VERIFY_PARAM_set1_ip_asc)(TlsVerifyParam*, const char*) = nullptr;
    const char* (*X509_verify_cert_error_string)(long) = nullptr;
};

enum class TlsModule { Ssl, Crypto };

class TlsLibrary {
public:
    // Finds one function by name in one of the two libraries.
    using SymbolLookup = std::function<void*(TlsModule module, const char* name)>;

    TlsLibrary() = default;
    ~TlsLibrary();
    TlsLibrary(const TlsLibrary&) = delete;
    TlsLibrary& operator=(const TlsLibrary&) = delete;

    // Loads libssl.so.3 and libcrypto.so.3, or the files named by
    // $TARVOX_LIBSSL and $TARVOX_LIBCRYPTO, and binds every function. Does
    // nothing when already loaded. Returns whether TLS is available.
    bool Load();
    // The same with the functions found by `lookup` (the libraries are not
    // opened); lets a test take one function away.
    bool LoadWith(const SymbolLookup& lookup);
    // Frees the shared context and closes the libraries.
    void Unload();

    bool Available() const { return m_context != nullptr; }
    // The library's version line, or "OpenSSL not loaded".
    std::string VersionText() const;

    const TlsFunctions& functions() const { return m_functions; }
    TlsContext* context() const { return m_context; }

private:
    TlsFunctions m_functions;
    TlsContext* m_context = nullptr;
    void* m_ssl_handle = nullptr;
    void* m_crypto_handle = nullptr;
};

}  // namespace tarvox
