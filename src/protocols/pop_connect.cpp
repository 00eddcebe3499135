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
    if (request.capabilities != nullptr) {
        *request.capabilities = {};
    }
    NetAddress address;
    if (!ResolveHost(request.host, request.port, address)) {
        return {PopConnectResult::HostNotFound};
    }
    Report(request, PopConnectStep::Connecting);
    NetResult result = connection.Connect(request.protopop == TransportSecurity::SslDirect, address);
    if (result != NetResult::Success) {
        return {PopConnectResult::ConnectFailed, result};
    }
    Report(request, PopConnectStep::Connected);

    std::string greeting;
    std::string& text = *request.text;
    if (request.protopop == TransportSecurity::StartTls) {
        result = ReadReply(connection, greeting, request.text_capacity);
        if (result == NetResult::Success && request.capabilities != nullptr) {
            result = AskPopCapabilities(connection, *request.capabilities);
        }
        if (result == NetResult::Success) {
            result = connection.Send("STLS\r\n");
        }
        if (result == NetResult::Success) {
            result = ReadReply(connection, text, request.text_capacity);
        }
        if (result != NetResult::Success || !text.starts_with('+')) {
            return {PopConnectResult::StlsFailed, result};
        }
        result = connection.StartTls();
        if (result != NetResult::Success) {
            return Failure(connection, PopConnectResult::TlsFailed, result);
        }
    }
    const bool tls = UsesTls(request.protopop);
    if (tls && !request.accept_certificate(connection)) {
        return Failure(connection, PopConnectResult::CertificateRefused, NetResult::Success);
    }
    if (request.protopop == TransportSecurity::StartTls) {
        Report(request, PopConnectStep::TlsActive);
    }

    LoginRequest login;
    login.user = request.user;
    login.password = request.password;
    login.apop = request.apop;
    login.skip_greeting = request.protopop == TransportSecurity::StartTls;
    login.greeting = greeting;
    login.capabilities = request.capabilities;
    PopConnectOutcome outcome;
    outcome.login = PopLogin(connection, login, request.text, request.text_capacity, outcome.net);
    if (outcome.login != LoginResult::LoggedIn) {
        connection.Close();
        outcome.result = PopConnectResult::LoginFailed;
    }
    return outcome;
}

}  // namespace tarvox
