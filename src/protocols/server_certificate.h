// Trust on first use: a server certificate is accepted silently when its
// fingerprint equals the one the profile recorded; otherwise the user sees it
// in the "SSL Information" dialog and accepts or denies it.
#pragma once

#include <string>
#include <string_view>

#include "net/certificate_check.h"

namespace tarvox {

class FrontendServices;
class NetConnection;

// The check made after every TLS handshake of a connection: true when the
// certificate is accepted. The caller closes the connection otherwise and
// shows "Error: SSL certificate unrecognized".
bool AcceptServerCertificate(NetConnection& connection, std::string_view host_name,
                             const std::string* recorded, FrontendServices& services,
                             const CertificateRecorder& recorder);

}  // namespace tarvox
