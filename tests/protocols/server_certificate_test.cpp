#include "protocols/server_certificate.h"

#include <gtest/gtest.h>

#include "net/net_connection.h"
#include "net/tls_library.h"
#include "support/scripted_server.h"
#include "support/scripted_services.h"

namespace tarvox {
namespace {

using namespace script;

TEST(AcceptServerCertificate, AsksOnlyWhenTheFingerprintIsNotOnRecord) {
    TlsLibrary tls;
    ASSERT_TRUE(tls.Load());
    ServerOptions options;
    options.tls = TlsMode::Direct;
    ScriptedServer server(kScriptPerConnection,
                          {{ExpectClosed()}, {ExpectClosed()}, {ExpectClosed()}}, options);
    NetAddress address;
    ASSERT_TRUE(ResolveHost("localhost", server.port(), address));
    const std::string actual = server.certificate().fingerprint;
    const std::string other_print = "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33";

    struct Case {
        const char* what;
        std::string recorded;
        std::optional<CertificateDecision> decision;  // none: no dialog expected
        bool accepted;
        std::string recorded_after;
    };
    const Case cases[] = {
        {"first seen, accepted", "", CertificateDecision::Accept, true, actual},
        {"matching", actual, std::nullopt, true, actual},
        {"changed, denied", other_print, CertificateDecision::Deny, false, other_print},
    };
    for (const Case& c : cases) {
        ScriptedServices services;
        if (c.decision) {
            services.QueueCertificateDecision(*c.decision);
        }
        NetConnection connection(&tls);
        ASSERT_EQ(connection.Connect(true, address), NetResult::Success);
        std::string recorded = c.recorded;
        int recorded_calls = 0;
        bool accepted = AcceptServerCertificate(connection, "localhost", &recorded, services,
                                                [&](const std::string& fingerprint) {
                                                    recorded = fingerprint;
                                                    ++recorded_calls;
                                                });
        EXPECT_EQ(accepted, c.accepted) << c.what;
        EXPECT_EQ(recorded, c.recorded_after) << c.what;
        EXPECT_EQ(recorded_calls, c.decision == CertificateDecision::Accept ? 1 : 0) << c.what;
        EXPECT_EQ(services.Certificates().size(), c.decision ? 1u : 0u) << c.what;
        if (c.decision == CertificateDecision::Deny) {
            CertificateView view = services.Certificates().at(0);
            EXPECT_EQ(view.trust_evaluation, kTrustSuspicious);
            EXPECT_EQ(view.fingerprint, actual);
            EXPECT_TRUE(view.mark_fingerprint && view.mark_trust_evaluation);
        }
        connection.Close();
    }
    EXPECT_SCRIPT_DONE(server);
}

}  // namespace
}  // namespace tarvox
