// The floor of the inbox loading benchmark: the least a client can do to get
// the same replies as the inbox loader. It logs in with USER and PASS (one
// command at a time, as every client does), then writes LIST, "TOP n 0" for
// n = 1 to COUNT and QUIT in one go and reads until the server closes the
// connection, counting the bytes of the replies without looking at them.
//
//     tarvox_inbox_load_floor HOST PORT USER COUNT   (password on standard input)
//
// Prints "bytes B" (the bytes received after the login) on standard output and
// exits 0; a failure is described on standard error and exits 1. Commands are
// written while the socket accepts them and replies read whenever they arrive
// (poll on a non-blocking socket), so neither side waits on a full buffer.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace {

int Fail(const std::string& why) {
    std::fprintf(stderr, "tarvox_inbox_load_floor: %s\n", why.c_str());
    return 1;
}

// Reads one reply line (through LF) of the login dialogue; empty on failure.
std::string ReadLine(int fd) {
    std::string line;
    char c = 0;
    while (line.empty() || line.back() != '\n') {
        const ssize_t got = ::recv(fd, &c, 1, 0);
        if (got <= 0) {
            return {};
        }
        line.push_back(c);
    }
    return line;
}

bool SendAll(int fd, const std::string& text) {
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = ::send(fd, text.data() + sent, text.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

// Sends a login command and checks that the answer begins with "+".
bool Command(int fd, const std::string& command) {
    if (!SendAll(fd, command)) {
        return false;
    }
    const std::string reply = ReadLine(fd);
    return !reply.empty() && reply[0] == '+';
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fputs("usage: tarvox_inbox_load_floor HOST PORT USER COUNT (password on stdin)\n",
                   stderr);
        return 2;
    }
    const std::string host = argv[1];
    const int port = std::atoi(argv[2]);
    const std::string user = argv[3];
    const long count = std::atol(argv[4]);
    std::string password;
    std::getline(std::cin, password);

    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd < 0 || ::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1 ||
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return Fail("cannot connect to " + host + ":" + std::to_string(port) + ": " +
                    std::strerror(errno));
    }
    const int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    const std::string greeting = ReadLine(fd);
    if (greeting.empty() || greeting[0] != '+') {
        return Fail("no greeting");
    }
    if (!Command(fd, "USER " + user + "\r\n") || !Command(fd, "PASS " + password + "\r\n")) {
        return Fail("login refused");
    }

    std::string commands = "LIST\r\n";
    for (long n = 1; n <= count; ++n) {
        commands += "TOP " + std::to_string(n) + " 0\r\n";
    }
    commands += "QUIT\r\n";

    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    std::size_t written = 0;
    unsigned long long received = 0;
    static char buffer[64 * 1024];
    for (;;) {
        pollfd wanted{fd, POLLIN, 0};
        if (written < commands.size()) {
            wanted.events |= POLLOUT;
        }
        if (::poll(&wanted, 1, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Fail(std::string("poll: ") + std::strerror(errno));
        }
        if ((wanted.revents & POLLOUT) != 0) {
            const ssize_t n =
                ::send(fd, commands.data() + written, commands.size() - written, MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                return Fail(std::string("send: ") + std::strerror(errno));
            }
            if (n > 0) {
                written += static_cast<std::size_t>(n);
            }
        }
        if ((wanted.revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n == 0) {
                break;  // the server closes after answering QUIT
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                return Fail(std::string("recv: ") + std::strerror(errno));
            }
            if (n > 0) {
                received += static_cast<unsigned long long>(n);
            }
        }
    }
    ::close(fd);
    if (written < commands.size()) {
        return Fail("the server closed before all commands were sent");
    }
    std::printf("bytes %llu\n", received);
    return 0;
}
