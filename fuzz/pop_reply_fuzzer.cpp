// The POP3 and SMTP reply readers over a real loopback connection: a server
// thread sends the input (after its first byte, which picks the reader) and
// hangs up. Every reader must end, without a crash, on whatever arrives: the
// POP3 login and STAT status lines, the RETR and LIST multi-line replies with
// their end line, the SMTP greeting and continuation lines, and the plain
// reply-line reader.
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>

#include "codec/utf8.h"
#include "frontend/services.h"
#include "net/net_connection.h"
#include "protocols/inbox_loader.h"
#include "protocols/pop_download.h"
#include "protocols/pop_login.h"
#include "protocols/pop_session.h"
#include "protocols/smtp_session.h"

namespace tarvox {
namespace {

enum class Reader : std::uint8_t { Login, Apop, Stat, Retr, List, Smtp, ReplyLine, Count };

// Answers every question with No or Cancel and shows nothing.
class SilentServices : public FrontendServices {
public:
    BoxAnswer ShowMessageBox(const MessageBoxRequest&) override { return BoxAnswer::No; }
    TextPromptResult TextPrompt(const TextPromptRequest&) override { return {}; }
    void ShowStatus(StatusLine, std::string_view) override {}
    CertificateDecision ShowCertificate(const CertificateView&) override {
        return CertificateDecision::Deny;
    }
    void NotifyLostConnection(NetResult) override {}
};

// A loopback listener for the whole run.
int Listener(std::uint16_t& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0) {
        std::abort();
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

// Accepts one client, sends `bytes`, hangs up its sending side and reads what
// the client sends until the client closes.
void Serve(int listener, std::string_view bytes) {
    const int fd = ::accept(listener, nullptr, nullptr);
    if (fd < 0) {
        return;
    }
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            break;
        }
        sent += static_cast<std::size_t>(n);
    }
    ::shutdown(fd, SHUT_WR);
    char drain[4096];
    while (::recv(fd, drain, sizeof drain, 0) > 0) {
    }
    ::close(fd);
}

void Check(bool holds) {
    if (!holds) {
        std::abort();
    }
}

void ReadWith(Reader reader, std::uint16_t port) {
    SilentServices services;
    NetAddress address;
    Check(ResolveHost("127.0.0.1", port, address));
    if (reader == Reader::Smtp) {
        SmtpSession smtp(nullptr, services, "fuzz.example.org");
        if (smtp.Connect("127.0.0.1", port, TransportSecurity::Cleartext, nullptr, {})) {
            while (smtp.ReadReply(250) != SmtpReply::Lost && !smtp.closed()) {
            }
        }
        return;
    }
    PopSession session(nullptr);
    if (session.connection.Connect(false, address) != NetResult::Success) {
        return;
    }
    switch (reader) {
        case Reader::Login:
        case Reader::Apop: {
            LoginRequest request;
            request.user = "alice";
            request.password = "secret";
            request.apop = reader == Reader::Apop;
            std::string rejection;
            NetResult result = NetResult::Unknown;
            PopLogin(session.connection, request, &rejection, 64, result);
            // The first 63 bytes of the refusal, read as Windows-1252: at
            // most three bytes of UTF-8 each.
            Check(IsUtf8(rejection) && rejection.size() <= 3 * 63);
            break;
        }
        case Reader::Stat: {
            std::uint32_t count = 0;
            std::uint32_t size = 0;
            NetResult result = NetResult::Unknown;
            PopStat(session.connection, count, size, result);
            break;
        }
        case Reader::Retr: {
            session.sizes = {16};
            DownloadRequest request;
            request.message_number = 1;
            DownloadedMessage message;
            if (PopDownload(session, request, message, services) == DownloadResult::Complete) {
                Check(message.start <= message.buffer.size());
                Check(message.buffer.find("\r\n.\r\n") != std::string::npos);
            }
            Check(message.buffer.size() <= kDownloadSizeCap);
            break;
        }
        case Reader::List: {
            Profile profile;
            profile.parse = 0;
            profile.alive = 0;
            session.message_count = 6;
            InboxLoadRequest request;
            request.working = &profile;
            MessageList list;
            LoadInbox(session, request, list, services);
            Check(session.sizes.size() <= session.message_count);
            break;
        }
        case Reader::ReplyLine: {
            std::string reply;
            if (ReadReply(session.connection, reply, 256) == NetResult::Success) {
                Check(reply.find("\r\n") != std::string::npos);
            }
            break;
        }
        default:
            break;
    }
}

}  // namespace
}  // namespace tarvox

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvox;
    static std::uint16_t port = 0;
    static const int listener = Listener(port);
    if (size == 0) {
        return 0;
    }
    const auto reader = static_cast<Reader>(data[0] % static_cast<std::uint8_t>(Reader::Count));
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::thread server(Serve, listener, bytes);
    ReadWith(reader, port);
    server.join();
    return 0;
}
