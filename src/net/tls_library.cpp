#include "net/tls_library.h"

#include <cstdlib>
#include <dlfcn.h>

namespace tarvox {

namespace {

template <class Function>
bool Bind(const TlsLibrary::SymbolLookup& lookup, TlsModule module, const char* name,
          Function& function) {
    function = reinterpret_cast<Function>(lookup(module, name));
    return function != nullptr;
}

// Binds member `name` of the TlsFunctions `f` to the symbol of that name.
#define TARVOX_TLS_BIND(module, name) Bind(lookup, module, #name, f.name)

bool BindAll(const TlsLibrary::SymbolLookup& lookup, TlsFunctions& f) {
    constexpr TlsModule S = TlsModule::Ssl;
    constexpr TlsModule C = TlsModule::Crypto;
    // Every name must be found. EVP_md5 is used by nothing, but a library
    // without it is not one we know how to drive.
    // clang-format off
    return TARVOX_TLS_BIND(S, OPENSSL_init_ssl) &
           TARVOX_TLS_BIND(S, TLS_client_method) &
           TARVOX_TLS_BIND(S, SSL_CTX_new) &
           TARVOX_TLS_BIND(S, SSL_new) &
           TARVOX_TLS_BIND(S, SSL_set_fd) &
           TARVOX_TLS_BIND(S, SSL_connect) &
           TARVOX_TLS_BIND(S, SSL_get_error) &
           TARVOX_TLS_BIND(S, SSL_get_version) &
           TARVOX_TLS_BIND(S, SSL_get_current_cipher) &
           TARVOX_TLS_BIND(S, SSL_CIPHER_get_name) &
           TARVOX_TLS_BIND(S, SSL_CIPHER_get_version) &
           TARVOX_TLS_BIND(S, SSL_get1_peer_certificate) &
           TARVOX_TLS_BIND(S, SSL_read) &
           TARVOX_TLS_BIND(S, SSL_write) &
           TARVOX_TLS_BIND(S, SSL_shutdown) &
           TARVOX_TLS_BIND(S, SSL_free) &
           TARVOX_TLS_BIND(S, SSL_CTX_free) &
           TARVOX_TLS_BIND(S, SSL_ctrl) &
           TARVOX_TLS_BIND(S, SSL_CTX_ctrl) &
           TARVOX_TLS_BIND(S, SSL_CTX_set_default_verify_paths) &
           TARVOX_TLS_BIND(S, SSL_set1_host) &
           TARVOX_TLS_BIND(S, SSL_get0_param) &
           TARVOX_TLS_BIND(S, SSL_get_verify_result) &
           TARVOX_TLS_BIND(C, OpenSSL_version) &
           TARVOX_TLS_BIND(C, X509_get_subject_name) &
           TARVOX_TLS_BIND(C, X509_get_issuer_name) &
           TARVOX_TLS_BIND(C, X509_NAME_oneline) &
           TARVOX_TLS_BIND(C, CRYPTO_free) &
           TARVOX_TLS_BIND(C, EVP_md5) &
           TARVOX_TLS_BIND(C, EVP_sha1) &
           TARVOX_TLS_BIND(C, EVP_sha256) &
           TARVOX_TLS_BIND(C, X509_digest) &
           TARVOX_TLS_BIND(C, BIO_s_mem) &
           TARVOX_TLS_BIND(C, BIO_new) &
           TARVOX_TLS_BIND(C, BIO_ctrl) &
           TARVOX_TLS_BIND(C, ASN1_TIME_print) &
           TARVOX_TLS_BIND(C, BIO_free) &
           TARVOX_TLS_BIND(C, X509_free) &
           TARVOX_TLS_BIND(C, X509_get0_notBefore) &
           TARVOX_TLS_BIND(C, X509_get0_notAfter) &
           TARVOX_TLS_BIND(C, ERR_clear_error) &
           TARVOX_TLS_BIND(C, ERR_peek_last_error) &
           TARVOX_TLS_BIND(C, X509_VERIFY_PARAM_set1_ip_asc) &
           TARVOX_TLS_BIND(C, X509_verify_cert_error_string);
    // clang-format on
}

#undef TARVOX_TLS_BIND

const char* LibraryName(const char* variable, const char* fallback) {
    const char* name = std::getenv(variable);
    return (name != nullptr && *name != '\0') ? name : fallback;
}

}  // namespace

TlsLibrary::~TlsLibrary() { Unload(); }

bool TlsLibrary::Load() {
    if (Available()) {
        return true;
    }
    m_ssl_handle = ::dlopen(LibraryName("TARVOX_LIBSSL", "libssl.so.3"), RTLD_NOW | RTLD_LOCAL);
    m_crypto_handle =
        ::dlopen(LibraryName("TARVOX_LIBCRYPTO", "libcrypto.so.3"), RTLD_NOW | RTLD_LOCAL);
    if (m_ssl_handle == nullptr || m_crypto_handle == nullptr) {
        Unload();
        return false;
    }
    void* ssl = m_ssl_handle;
    void* crypto = m_crypto_handle;
    bool loaded = LoadWith([ssl, crypto](TlsModule module, const char* name) {
        return ::dlsym(module == TlsModule::Ssl ? ssl : crypto, name);
    });
    if (!loaded) {
        Unload();
    }
    return loaded;
}

bool TlsLibrary::LoadWith(const SymbolLookup& lookup) {
    if (Available()) {
        return true;
    }
    TlsFunctions functions;
    if (!BindAll(lookup, functions)) {
        return false;
    }
    functions.OPENSSL_init_ssl(0, nullptr);
    TlsContext* context = functions.SSL_CTX_new(functions.TLS_client_method());
    if (context == nullptr) {
        return false;
    }
    // Nothing older than TLS 1.2 (RFC 8996). The system's trust store (or the
    // one $SSL_CERT_FILE / $SSL_CERT_DIR name) verifies each chain; a chain
    // that does not verify still completes the handshake, and the user is
    // shown why.
    functions.SSL_CTX_ctrl(context, tls::kCtrlSetMinProtoVersion, tls::kTls12Version, nullptr);
    functions.SSL_CTX_set_default_verify_paths(context);
    m_functions = functions;
    m_context = context;
    return true;
}

void TlsLibrary::Unload() {
    if (m_context != nullptr) {
        m_functions.SSL_CTX_free(m_context);
        m_context = nullptr;
    }
    m_functions = TlsFunctions{};
    if (m_ssl_handle != nullptr) {
        ::dlclose(m_ssl_handle);
        m_ssl_handle = nullptr;
    }
    if (m_crypto_handle != nullptr) {
        ::dlclose(m_crypto_handle);
        m_crypto_handle = nullptr;
    }
}

std::string TlsLibrary::VersionText() const {
    if (!Available()) {
        return "OpenSSL not loaded";
    }
    const char* text = m_functions.OpenSSL_version(tls::kVersionText);
    return text != nullptr ? text : "";
}

}  // namespace tarvox
