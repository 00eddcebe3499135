#include "net/certificate_check.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

constexpr std::string_view kPrint = "AB:CD:EF:01:23:45:67:89:AB:CD:EF:01:23:45:67:89:AB:CD:EF:01";

CertificateDetails Details(std::string subject) {
    return {.protocol = "TLSv1.3", .cipher_name = "TLS_AES_256_GCM_SHA384",
            .cipher_version = "TLSv1.3", .subject = std::move(subject),
            .issuer = "/C=DE/O=Example CA/CN=Example Root",
            .valid_from = "Jan  1 00:00:00 2026 GMT", .valid_to = "Jan  1 00:00:00 2036 GMT",
            .fingerprint = std::string(kPrint)};
}

TEST(CertificateView, TrustWarningsAndMarksFollowTheRecord) {
    struct Case {
        const char* what;
        std::string subject;
        std::optional<std::string> recorded;  // nullopt: no stored profile
        std::string_view trust;
        std::string warnings;
        bool mark_host, mark_trust, mark_fingerprint;
    };
    const std::string mail = "/CN=mail.example.org", other_host = "/CN=other.example.org";
    const std::string print(kPrint), lower = "ab:cd:ef:01:23:45:67:89:ab:cd:ef:01:23:45:67:89:ab:cd:ef:01";
    const std::string other = "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33";
    const std::string host = std::string(kWarningHostMismatch) + "\r\n\r\n";
    const std::string no_record = std::string(kWarningNoRecord) + "\r\n\r\n";
    const std::string mismatch = std::string(kWarningMismatch) + "\r\n\r\n";
    const Case cases[] = {
        {"known and matching", "/O=Example/CN=mail.example.org", print, kTrustGood, "none", false, false, false},
        {"no stored profile", mail, std::nullopt, kTrustUnknown, no_record, false, true, false},
        {"empty record", mail, "", kTrustUnknown, no_record, false, true, false},
        {"changed", mail, other, kTrustSuspicious, mismatch, false, true, true},
        {"lower-case record never matches", mail, lower, kTrustSuspicious, mismatch, false, true, true},
        {"other host, first seen", other_host, std::nullopt, kTrustUnknown, host + no_record, true, true, false},
        {"host differs in case", "/CN=MAIL.example.org", print, kTrustGood, host, true, false, false},
        {"all three", other_host, other, kTrustSuspicious, host + mismatch, true, true, true},
        {"one of several names matches", "/CN=a.example.org/CN=mail.example.org/CN=b", print, kTrustGood, "none",
         false, false, false},
    };
    for (const Case& c : cases) {
        const std::string* recorded = c.recorded ? &*c.recorded : nullptr;
        CertificateView view = BuildCertificateView(Details(c.subject), "mail.example.org", recorded, true);
        EXPECT_EQ(view.trust_evaluation, c.trust) << c.what;
        EXPECT_EQ(view.warnings, c.warnings) << c.what;
        EXPECT_EQ(view.mark_warnings, c.warnings != "none") << c.what;
        EXPECT_EQ(view.mark_network_host_name, c.mark_host) << c.what;
        EXPECT_EQ(view.mark_trust_evaluation, c.mark_trust) << c.what;
        EXPECT_EQ(view.mark_fingerprint, c.mark_fingerprint) << c.what;
    }
}

TEST(CertificateView, TheChainTellsARenewalFromAnInterception) {
    using Default = CertificateView::Default;
    struct Case {
        const char* what;
        std::optional<std::string> recorded;
        std::optional<bool> chain_valid;
        std::string_view trust;
        std::string chain;
        bool failed;
        Default default_button;
    };
    const std::string other = "00:11:22:33:44:55:66:77:88:99:AA:BB:CC:DD:EE:FF:00:11:22:33";
    const std::string valid = "Certificate chain: valid for mail.example.org (issued by Example Root)";
    const Case cases[] = {
        {"renewed: new and valid", other, true, kTrustRenewed, valid, false, Default::Accept},
        {"changed and not valid", other, false, kTrustSuspicious, "Certificate chain: self-signed certificate",
         true, Default::Deny},
        {"first contact, valid", std::nullopt, true, kTrustUnknown, valid, false, Default::Deny},
        {"first contact, not valid", std::nullopt, false, kTrustUnknown,
         "Certificate chain: self-signed certificate", true, Default::Deny},
        {"not asked", other, std::nullopt, kTrustSuspicious, "Certificate chain: ???", false, Default::Deny},
    };
    for (const Case& c : cases) {
        CertificateDetails details = Details("/CN=mail.example.org");
        details.chain_valid = c.chain_valid;
        details.chain_problem = c.chain_valid == false ? "self-signed certificate" : "";
        const std::string* recorded = c.recorded ? &*c.recorded : nullptr;
        const CertificateView view = BuildCertificateView(details, "mail.example.org", recorded, true);
        EXPECT_EQ(view.trust_evaluation, c.trust) << c.what;
        EXPECT_EQ(view.chain, c.chain) << c.what;
        EXPECT_EQ(view.mark_chain_failed, c.failed) << c.what;
        EXPECT_EQ(view.default_button, c.default_button) << c.what;
        EXPECT_EQ(BuildCertificateView(details, "mail.example.org", recorded, false).default_button,
                  Default::None);
    }
}

TEST(CertificateView, FieldsAndButtons) {
    CertificateView view = BuildCertificateView(
        Details("/C=US/O=Example Mail/CN=mail.example.org"), "mail.example.org", nullptr, true);
    EXPECT_EQ(view.subject, "C=US\r\nO=Example Mail\r\nCN=mail.example.org\r\n");
    EXPECT_EQ(view.issuer, "C=DE\r\nO=Example CA\r\nCN=Example Root\r\n");
    EXPECT_EQ(view.certificate_host_name, "mail.example.org");
    EXPECT_EQ(view.fingerprint, kPrint);
    EXPECT_EQ(view.valid_to, "Jan  1 00:00:00 2036 GMT");
    EXPECT_TRUE(view.accept_enabled && view.deny_enabled && !view.cancel_enabled);

    CertificateView information =
        BuildCertificateView(CertificateDetails{}, "mail.example.org", nullptr, false);
    EXPECT_FALSE(information.accept_enabled || information.deny_enabled);
    EXPECT_TRUE(information.cancel_enabled);
    for (const std::string& field :
         {information.protocol, information.cipher_name, information.fingerprint,
          information.subject, information.issuer, information.valid_from}) {
        EXPECT_EQ(field, kUnknownField);
    }
}

}  // namespace
}  // namespace tarvox
