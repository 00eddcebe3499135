// A listener on 127.0.0.1, at a port the system picks, that accepts one
// client and hands its socket to `serve` on a thread of its own; `serve`
// closes it. The destructor stops a wait for the client and joins the thread.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <functional>
#include <thread>

namespace tarvox {

class OneClientServer {
public:
    explicit OneClientServer(std::function<void(int client)> serve) {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 1);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this, serve = std::move(serve)] {
            const int client = ::accept(m_listener, nullptr, nullptr);
            if (client >= 0) {
                serve(client);
            }
        });
    }
    ~OneClientServer() {
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
    }
    OneClientServer(const OneClientServer&) = delete;
    OneClientServer& operator=(const OneClientServer&) = delete;

    std::uint16_t port() const { return m_port; }

private:
    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::thread m_thread;
};

}  // namespace tarvox
