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

bool BindAll(const TlsLibrary::SymbolLookup& lookup, TlsFunctions& f) {
    constexpr TlsModule S = TlsModule::Ssl;
    constexpr TlsModule C = TlsModule::Crypto;
    // Every name must be found. EVP_md5 is used by nothing, but a library
    // without it is not one we know how to drive.
    return Bind(lookup, S, "OPENSSL_init_ssl", f.OPENSSL_init_ssl) &
           Bind(lookup, S, "TLS_client_method", f.TLS_client_method) &
           Bind(lookup, S, "SSL_CTX_new", f.SSL_CTX_new) & Bind(lookup, S, "SSL_new", f.SSL_new) &
           Bind(lookup, S, "SSL_set_fd", f.SSL_set_fd) &
           Bind(lookup, S, "SSL_connect", f.SSL_connect) &
           Bind(lookup, S, "SSL_get_error", f.SSL_get_error) &
           Bind(lookup, S, "SSL_get_version", f.SSL_get_version) &
           Bind(lookup, S, "SSL_get_current_cipher", f.SSL_get_current_cipher) &
           Bind(lookup, S, "SSL_CIPHER_get_name", f.SSL_CIPHER_get_name) &
           Bind(lookup, S, "SSL_CIPHER_get_version", f.SSL_CIPHER_get_version) &
           Bind(lookup, S, "SSL_get1_peer_certificate", f.SSL_get1_peer_certificate) &
           Bind(lookup, S, "SSL_read", f.SSL_read) & Bind(lookup, S, "SSL_write", f.SSL_write) &
           Bind(lookup, S, "SSL_shutdown", f.SSL_shutdown) &
           Bind(lookup, S, "SSL_free", f.SSL_free) &
           Bind(lookup, S, "SSL_CTX_free", f.SSL_CTX_free) &
           Bind(lookup, S, "SSL_ctrl", f.SSL_ctrl) &
           Bind(lookup, C, "OpenSSL_version", f.OpenSSL_version) &
           Bind(lookup, C, "X509_get_subject_name", f.X509_get_subject_name) &
           Bind(lookup, C, "X509_get_issuer_name", f.X509_get_issuer_name) &
           Bind(lookup, C, "X509_NAME_oneline", f.X509_NAME_oneline) &
           Bind(lookup, C, "CRYPTO_free", f.CRYPTO_free) & Bind(lookup, C, "EVP_md5", f.EVP_md5) &
           Bind(lookup, C, "EVP_sha1", f.EVP_sha1) &
           Bind(lookup, C, "X509_digest", f.X509_digest) &
           Bind(lookup, C, "BIO_s_mem", f.BIO_s_mem) & Bind(lookup, C, "BIO_new", f.BIO_new) &
           Bind(lookup, C, "BIO_ctrl", f.BIO_ctrl) &
           Bind(lookup, C, "ASN1_TIME_print", f.ASN1_TIME_print) &
           Bind(lookup, C, "BIO_free", f.BIO_free) & Bind(lookup, C, "X509_free", f.X509_free) &
           Bind(lookup, C, "X509_get0_notBefore", f.X509_get0_notBefore) &
           Bind(lookup, C, "X509_get0_notAfter", f.X509_get0_notAfter) &
           Bind(lookup, C, "ERR_clear_error", f.ERR_clear_error) &
           Bind(lookup, C, "ERR_peek_last_error", f.ERR_peek_last_error);
}

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
