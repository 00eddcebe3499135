// Chains verified over real handshakes, against a trust store made for the test.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "net/net_connection.h"
#include "net/tls_certificate.h"
#include "net/tls_library.h"
#include "support/loopback.h"
#include "support/scripted_server.h"
#include "support/temp_dir.h"
#include "support/test_certificate.h"

namespace tarvox {
namespace {

TEST(CertificateChain, VerifiedAgainstTheTrustStoreForTheHostName) {
    const auto ca = MakeTestCertificate({.common_name = "Tarvox Test CA", .authority = true});
    TempDir dir;
    WriteWholeFile(dir / "ca.pem", CertificatePem(*ca));
    // OpenSSL reads the trust store this names when the library makes its context.
    ::setenv("SSL_CERT_FILE", (dir / "ca.pem").c_str(), 1);
    TlsLibrary tls;
    const bool loaded = tls.Load();
    ::unsetenv("SSL_CERT_FILE");
    ASSERT_TRUE(loaded);

    const auto signed_for = [&](std::string common_name, std::vector<std::string> dns_names) {
        return MakeTestCertificate(
            {.common_name = std::move(common_name), .dns_names = std::move(dns_names), .issuer = ca.get()});
    };
    struct Case {
        const char* what;
        std::shared_ptr<TestCertificate> certificate;  // null: the self-signed one
        std::string problem;                           // empty: valid
    } const cases[] = {
        {"signed for the host", signed_for("localhost", {"localhost"}), ""},
        {"renewed with a new key", signed_for("localhost", {"mail.test", "localhost"}), ""},
        {"the name only as CN, without subjectAltName", signed_for("localhost", {}), ""},
        {"subjectAltName names another host", signed_for("localhost", {"mail.example.org"}),
         "hostname mismatch"},
        {"expired",
         MakeTestCertificate({.dns_names = {"localhost"}, .issuer = ca.get(), .valid_from_days = -30,
                              .valid_to_days = -1}),
         "certificate has expired"},
        {"self-signed", nullptr, "self-signed certificate"},
    };
    for (const Case& c : cases) {
        ScriptedServer server({script::ExpectClosed()},
                              {.tls = TlsMode::Direct, .certificate = c.certificate.get()});
        NetConnection connection(&tls);
        NetAddress address;
        ASSERT_TRUE(ResolveHost("localhost", server.port(), address));
        ASSERT_EQ(connection.Connect(true, address), NetResult::Success) << c.what;
        const CertificateDetails details = QueryCertificate(connection);
        EXPECT_EQ(details.chain_valid, c.problem.empty()) << c.what;
        EXPECT_EQ(details.chain_problem, c.problem) << c.what;
        connection.Close();
        EXPECT_SCRIPT_DONE(server);
    }
}

TEST(CertificateFingerprint, ARecordOfEitherKindMatches) {
    const auto certificate = MakeTestCertificate({.dns_names = {"localhost"}});
    ScriptedServer server({script::ExpectClosed()}, {.tls = TlsMode::Direct, .certificate = certificate.get()});
    NetConnection connection(&LoadedTls());
    NetAddress address;
    ASSERT_TRUE(ResolveHost("127.0.0.1", server.port(), address));
    ASSERT_EQ(connection.Connect(true, address), NetResult::Success);
    const std::string sha1 = certificate->fingerprint, sha256 = certificate->fingerprint256;
    for (const auto& [recorded, matches] :
         {std::pair{sha1, true}, {sha256, true}, {sha256.substr(0, sha1.size()), false},
          {sha1 + ":00", false}, {std::string(), false}}) {
        EXPECT_EQ(TlsFingerprintMatches(connection, &recorded), matches) << recorded;
    }
    EXPECT_EQ(QueryCertificate(connection).fingerprint256, sha256);
    EXPECT_EQ(&TrustedFingerprint(sha1, sha256), &sha256);
    EXPECT_EQ(&TrustedFingerprint(sha1, std::string()), &sha1);
    connection.Close();
    EXPECT_SCRIPT_DONE(server);
}

}  // namespace
}  // namespace tarvox
