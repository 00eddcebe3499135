#include "protocols/pop_login.h"

#include "codec/charset.h"
#include "codec/line_ends.h"
#include "codec/md5.h"
#include "codec/stored_text.h"
#include "protocols/pop_session.h"

namespace tarvox {

namespace {

constexpr std::size_t kLoginReplySize = 1024;

}  // namespace

std::string ApopDigest(std::string_view greeting, std::string_view password) {
    std::size_t open = greeting.find('<');
    std::size_t close = greeting.find('>');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open) {
        return {};
    }
    std::string text(greeting.substr(open, close - open + 1));
    text += ToStoredText(password);
    return Md5Hex(text);
}

LoginResult PopLogin(NetConnection& connection, const LoginRequest& request, std::string* rejection,
                     std::size_t rejection_capacity, NetResult& result) {
    std::string reply;
    std::string greeting(request.greeting);
    if (!request.skip_greeting) {
        result = ReadReply(connection, reply, kLoginReplySize);
        if (result != NetResult::Success) {
            return LoginResult::NetworkFailure;
        }
        if (!reply.starts_with("+OK")) {
            PopQuit(connection);
            return LoginResult::NotPop3;
        }
        greeting = reply;
    }

    if (request.capabilities != nullptr) {
        result = AskPopCapabilities(connection, *request.capabilities);
        if (result != NetResult::Success) {
            return LoginResult::NetworkFailure;
        }
    }

    // A line break would end the command early and let the rest pass as a
    // command of its own.
    if (HasLineBreak(request.user) || HasLineBreak(request.password)) {
        PopQuit(connection);
        return LoginResult::UnsafeCredentials;
    }

    // Sends one command and reads its reply; false on a network failure.
    auto exchange = [&](const std::string& command) {
        result = connection.Send(command);
        if (result == NetResult::Success) {
            result = ReadReply(connection, reply, kLoginReplySize);
        }
        return result == NetResult::Success;
    };

    // The user name and password go out in their stored form, the bytes they
    // always had while they fit ISO-8859-1.
    const std::string user = ToStoredText(request.user);
    bool accepted = false;
    if (request.apop) {
        std::string digest = ApopDigest(greeting, request.password);
        if (digest.empty()) {
            PopQuit(connection);
            return LoginResult::NoApopTimestamp;
        }
        if (!exchange("APOP " + user + " " + digest + "\r\n")) {
            return LoginResult::NetworkFailure;
        }
        accepted = reply.starts_with('+');
    } else {
        if (!exchange("USER " + user + "\r\n")) {
            return LoginResult::NetworkFailure;
        }
        if (reply.starts_with('+')) {
            if (!exchange("PASS " + ToStoredText(request.password) + "\r\n")) {
                return LoginResult::NetworkFailure;
            }
            accepted = reply.starts_with('+');
        }
    }
    if (accepted) {
        return LoginResult::LoggedIn;
    }
    if (rejection != nullptr && rejection_capacity > 0) {
        // The server's words, undeclared 8-bit text read as Windows-1252.
        *rejection = Windows1252ToUtf8(std::string_view(reply).substr(0, rejection_capacity - 1));
    }
    PopQuit(connection);
    return LoginResult::Rejected;
}

}  // namespace tarvox
