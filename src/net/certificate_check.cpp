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
    }

    bool no_record = recorded == nullptr || recorded->empty();
    bool mismatch = !no_record && (!details.fingerprint || *details.fingerprint != *recorded);
    view.trust_evaluation = no_record ? kTrustUnknown : mismatch ? kTrustSuspicious : kTrustGood;

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
    return view;
}

}  // namespace tarvox
