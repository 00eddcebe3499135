#include "protocols/server_certificate.h"

#include "frontend/services.h"
#include "net/net_connection.h"
#include "net/tls_certificate.h"

namespace tarvox {

bool AcceptServerCertificate(NetConnection& connection, std::string_view host_name,
                             const std::string* recorded, FrontendServices& services,
                             const CertificateRecorder& recorder) {
    if (TlsFingerprintMatches(connection, recorded)) {
        return true;
    }
    CertificateDetails details = QueryCertificate(connection);
    CertificateView view = BuildCertificateView(details, host_name, recorded, true);
    if (services.ShowCertificate(view) != CertificateDecision::Accept) {
        return false;
    }
    if (recorder && details.fingerprint) {
        recorder({*details.fingerprint, details.fingerprint256.value_or("")});
    }
    return true;
}

}  // namespace tarvox
