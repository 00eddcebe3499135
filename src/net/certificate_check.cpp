#include "net/certificate_check.h"

#include <vector>

namespace tarvox {

namespace {

std::vector<std::string_view> Components(std::string_view name) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t slash = name.find('/', start);
        if (slash == std::string_view::npos) {
            slash = name.size();
        }
        if (slash > start) {
            parts.push_back(name.substr(start, slash - start));
        }
        start = slash + 1;
    }
    return parts;
}

std::string OneComponentALine(std::string_view name) {
    std::string lines;
    for (std::string_view part : Components(name)) {
        lines += part;
        lines += "\r\n";
    }
    return lines;
}

void Fill(std::string& field, const std::optional<std::string>& value) {
    if (value) {
        field = *value;
    }
}

}  // namespace

CertificateView BuildCertificateView(const CertificateDetails& details,
                                     std::string_view network_host_name,
                                     const std::string* recorded, bool may_decide) {
    CertificateView view;
    Fill(view.protocol, details.protocol);
    Fill(view.cipher_name, details.cipher_name);
    Fill(view.cipher_version, details.cipher_version);
    view.network_host_name = network_host_name;
    Fill(view.fingerprint, details.fingerprint);
    Fill(view.valid_from, details.valid_from);
    Fill(view.valid_to, details.valid_to);

    bool host_matches = false;
    std::string issued_by;
    if (details.subject) {
        view.subject = OneComponentALine(*details.subject);
        for (std::string_view part : Components(*details.subject)) {
            if (part.starts_with("CN=")) {
                std::string_view common_name = part.substr(3);
                view.certificate_host_name = common_name;
                host_matches = host_matches || common_name == network_host_name;
            }
        }
    }
    if (details.issuer) {
        view.issuer = OneComponentALine(*details.issuer);
        issued_by = *details.issuer;
        for (std::string_view part : Components(*details.issuer)) {
            if (part.starts_with("O=") || part.starts_with("CN=")) {
                issued_by = part.substr(part.find('=') + 1);  // the last of them: CN
            }
        }
    }
    const bool chain_valid = details.chain_valid.value_or(false);
    if (details.chain_valid) {
        view.chain = chain_valid ? "Certificate chain: valid for " + std::string(network_host_name) +
                                       " (issued by " + issued_by + ")"
                                 : "Certificate chain: " + details.chain_problem;
        view.mark_chain_failed = !chain_valid;
    }

    bool no_record = recorded == nullptr || recorded->empty();
    bool mismatch = !no_record && !RecordedFingerprintMatches(details, *recorded);
    const bool renewal = mismatch && chain_valid;
    view.trust_evaluation = no_record  ? kTrustUnknown
                            : renewal  ? kTrustRenewed
                            : mismatch ? kTrustSuspicious
                                       : kTrustGood;

    std::string warnings;
    for (auto [applies, text] : {std::pair{!host_matches, kWarningHostMismatch},
                                 std::pair{no_record, kWarningNoRecord},
                                 std::pair{mismatch, kWarningMismatch}}) {
        if (applies) {
            warnings += text;
            warnings += "\r\n\r\n";
        }
    }
    if (!warnings.empty()) {
        view.warnings = warnings;
        view.mark_warnings = true;
        view.mark_network_host_name = !host_matches;
        view.mark_trust_evaluation = no_record || mismatch;
        view.mark_fingerprint = mismatch;
    }

    view.accept_enabled = may_decide;
    view.deny_enabled = may_decide;
    view.cancel_enabled = !may_decide;
    if (may_decide) {
        view.default_button = renewal ? CertificateView::Default::Accept : CertificateView::Default::Deny;
    }
    return view;
}

}  // namespace tarvox
