#include "protocols/pop_connect.h"

namespace tarvox {

namespace {

void Report(const PopConnectRequest& request, PopConnectStep step) {
    if (request.progress) {
        request.progress(step);
    }
}

PopConnectOutcome Failure(NetConnection& connection, PopConnectResult result, NetResult net) {
    connection.Close();
    return {result, net, LoginResult::LoggedIn};
}

}  // namespace

PopConnectOutcome PopConnect(NetConnection& connection, const PopConnectRequest& request) {
    NetAddress address;
    if (ResolveHost(request.host, request.port, address) != 0) {
        return {PopConnectResult::HostNotFound};
    }
    Report(request, PopConnectStep::Connecting);
    NetResult result = connection.Connect(request.protopop == kPopSslDirect, address);
    if (result != net::kSuccess) {
        return {PopConnectResult::ConnectFailed, result};
    }
    Report(request, PopConnectStep::Connected);

    std::string greeting;
    std::string& text = *request.text;
    if (request.protopop == kPopSslViaStls) {
        result = ReadReply(connection, greeting, request.text_capacity);
        if (result == net::kSuccess) {
            result = connection.Send("STLS\r\n");
        }
        if (result == net::kSuccess) {
            result = ReadReply(connection, text, request.text_capacity);
        }
        if (result != net::kSuccess || !text.starts_with('+')) {
            return {PopConnectResult::StlsFailed, result};
        }
        result = connection.StartTls();
        if (result != net::kSuccess) {
            return Failure(connection, PopConnectResult::TlsFailed, result);
        }
    }
    const bool tls = request.protopop == kPopSslDirect || request.protopop == kPopSslViaStls;
    if (tls && !request.accept_certificate(connection)) {
        return Failure(connection, PopConnectResult::CertificateRefused, net::kSuccess);
    }
    if (request.protopop == kPopSslViaStls) {
        Report(request, PopConnectStep::TlsActive);
    }

    LoginRequest login;
    login.user = request.user;
    login.password = request.password;
    login.apop = request.apop;
    login.skip_greeting = request.protopop == kPopSslViaStls;
    login.greeting = greeting;
    PopConnectOutcome outcome;
    outcome.login = PopLogin(connection, login, request.text, request.text_capacity, outcome.net);
    if (outcome.login != LoginResult::LoggedIn) {
        connection.Close();
        outcome.result = PopConnectResult::LoginFailed;
    }
    return outcome;
}

}  // namespace tarvox
