#include "net/tls_library.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdlib>
#include <string>
#include <utility>

namespace tarvox {
namespace {

// Looks names up in the real libraries, except the one a test takes away.
TlsLibrary::SymbolLookup RealLookupWithout(std::string missing) {
    void* ssl = ::dlopen("libssl.so.3", RTLD_NOW | RTLD_LOCAL);
    void* crypto = ::dlopen("libcrypto.so.3", RTLD_NOW | RTLD_LOCAL);
    return [ssl, crypto, missing](TlsModule module, const char* name) -> void* {
        if (missing == name) {
            return nullptr;
        }
        return ::dlsym(module == TlsModule::Ssl ? ssl : crypto, name);
    };
}

TEST(TlsLibrary, LoadsOpenSslThreeUnlessAFunctionIsMissing) {
    TlsLibrary library;
    ASSERT_TRUE(library.Load());
    EXPECT_TRUE(library.Available());
    EXPECT_TRUE(library.VersionText().starts_with("OpenSSL 3")) << library.VersionText();
    library.Unload();
    EXPECT_FALSE(library.Available());
    EXPECT_TRUE(library.LoadWith(RealLookupWithout("")));
    for (const char* missing : {"EVP_md5", "SSL_connect", "X509_digest", "ERR_clear_error",
                                "SSL_get1_peer_certificate"}) {
        TlsLibrary incomplete;
        EXPECT_FALSE(incomplete.LoadWith(RealLookupWithout(missing))) << missing;
        EXPECT_FALSE(incomplete.Available()) << missing;
        EXPECT_EQ(incomplete.VersionText(), "OpenSSL not loaded");
    }
}

TEST(TlsLibrary, LibraryNamesComeFromTheEnvironment) {
    // A missing libssl; a libcrypto without the crypto functions. Each is unset again.
    for (const auto& [variable, library_name] :
         {std::pair{"TARVOX_LIBSSL", "libtarvox-no-such-ssl.so"},
          std::pair{"TARVOX_LIBCRYPTO", "libm.so.6"}}) {
        ASSERT_EQ(std::getenv(variable), nullptr);
        ::setenv(variable, library_name, 1);
        EXPECT_FALSE(TlsLibrary().Load()) << variable;
        ::unsetenv(variable);
    }
}

}  // namespace
}  // namespace tarvox
