#include "support/fault_proxy.h"

#include <netinet/tcp.h>

#include <algorithm>
#include <cerrno>
#include <random>

#include "support/loopback.h"

namespace tarvox {
namespace {

constexpr FaultDirection kDirections[] = {FaultDirection::ToServer, FaultDirection::ToClient};

std::size_t Index(FaultDirection direction) {
    return static_cast<std::size_t>(direction);
}

}  // namespace

std::string Describe(const FaultPlan& plan) {
    const char* const names[] = {"None", "Cut", "Stall", "Split"};
    std::string text = names[static_cast<int>(plan.action)];
    text += plan.direction == FaultDirection::ToServer ? " to-server" : " to-client";
    text += " at " + std::to_string(plan.offset);
    if (plan.action == FaultAction::Stall) {
        text += " for " + std::to_string(plan.pause.count()) + " ms";
    } else if (plan.action == FaultAction::Split) {
        text += " in " + std::to_string(plan.piece) + "-byte pieces " +
                std::to_string(plan.pause.count()) + " ms apart";
    }
    return text;
}

FaultPlan DrawFaultPlan(std::uint32_t seed, const FaultTraffic& clean,
                        std::chrono::milliseconds long_stall) {
    using std::chrono::milliseconds;
    std::mt19937 draw(seed);
    FaultPlan plan;
    plan.direction = kDirections[draw() % 2];
    const std::size_t total = clean.bytes[Index(plan.direction)].size();
    plan.offset = std::uniform_int_distribution<std::size_t>(0, total)(draw);
    switch (draw() % 8) {
        case 0:
        case 1:
        case 2:
        case 3:
            plan.action = FaultAction::Cut;
            break;
        case 4:
        case 5:
            plan.action = FaultAction::Stall;
            plan.pause = draw() % 4 == 0 ? long_stall : milliseconds(draw() % 30);
            break;
        default:
            // At most about a hundred pieces, so that a trickle ends in a fraction of a second.
            plan.action = FaultAction::Split;
            plan.pause = milliseconds(1);
            plan.piece = std::max<std::size_t>(std::size_t{1} << draw() % 8,
                                               (total - plan.offset) / 100 + 1);
    }
    return plan;
}

std::vector<FaultPlan> BoundaryCuts(const FaultTraffic& clean) {
    std::vector<FaultPlan> plans;
    for (const FaultDirection direction : kDirections) {
        std::size_t start = 0;
        for (const std::size_t end : clean.boundaries[Index(direction)]) {
            std::vector<std::size_t> offsets = {start};
            if (direction == FaultDirection::ToClient && end - start > 1) {
                // After the status character that decides a reply, and inside its text.
                offsets.push_back(start + 1);
                offsets.push_back(start + (end - start) / 2 + 1);
            }
            for (const std::size_t offset : offsets) {
                plans.push_back(
                    {.action = FaultAction::Cut, .direction = direction, .offset = offset});
            }
            start = end;
        }
    }
    return plans;
}

FaultProxy::FaultProxy(std::uint16_t target_port, FaultPlan plan)
    : m_target_port(target_port), m_plan(plan) {
    m_listen_fd = LoopbackSocket(8, m_port);
    m_acceptor = std::thread([this] { Accept(); });
}

FaultProxy::~FaultProxy() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        ::shutdown(m_listen_fd, SHUT_RDWR);
        for (Link& link : m_links) {
            ::shutdown(link.client, SHUT_RDWR);
            ::shutdown(link.server, SHUT_RDWR);
        }
    }
    m_stopped.notify_all();
    m_acceptor.join();
    // No link is added once the acceptor has seen m_stopping.
    for (Link& link : m_links) {
        for (std::thread& relay : link.relays) {
            relay.join();
        }
        ::close(link.client);
        ::close(link.server);
    }
    ::close(m_listen_fd);
}

FaultTraffic FaultProxy::Traffic() const {
    std::lock_guard lock(m_mutex);
    return m_traffic;
}

void FaultProxy::Accept() {
    for (;;) {
        const int client = ::accept4(m_listen_fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0 && (errno == EINTR || errno == ECONNABORTED)) {
            continue;
        }
        if (client < 0) {
            return;  // the listener was shut down
        }
        std::uint16_t local_port = 0;
        const int server = LoopbackSocket(-1, local_port);
        sockaddr_in target{};
        target.sin_family = AF_INET;
        target.sin_port = htons(m_target_port);
        target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const bool connected =
            ::connect(server, reinterpret_cast<const sockaddr*>(&target), sizeof target) == 0;
        std::lock_guard lock(m_mutex);
        if (!connected || m_stopping) {
            ::close(client);
            ::close(server);
            if (m_stopping) {
                return;
            }
            continue;
        }
        Link& link = m_links.emplace_back();
        link.client = client;
        link.server = server;
        const int one = 1;
        for (const FaultDirection direction : kDirections) {
            ::setsockopt(direction == FaultDirection::ToServer ? server : client, IPPROTO_TCP,
                         TCP_NODELAY, &one, sizeof one);
            link.relays[Index(direction)] =
                std::thread([this, &link, direction] { Relay(link, direction); });
        }
    }
}

void FaultProxy::Relay(Link& link, FaultDirection direction) {
    const bool to_server = direction == FaultDirection::ToServer;
    const int from = to_server ? link.client : link.server;
    const int to = to_server ? link.server : link.client;
    std::size_t piece = SIZE_MAX;  // no Split yet
    char buffer[16384];
    for (;;) {
        const ssize_t received = ::recv(from, buffer, sizeof buffer, 0);
        if (received < 0 && errno == EINTR) {
            continue;
        }
        if (received <= 0) {
            break;
        }
        const auto size = static_cast<std::size_t>(received);
        std::size_t head = size;  // the bytes before the fault
        bool fault = false;
        {
            std::lock_guard lock(m_mutex);
            std::vector<std::size_t>& boundaries = m_traffic.boundaries[Index(direction)];
            const std::size_t start = boundaries.empty() ? 0 : boundaries.back();
            boundaries.push_back(start + size);
            // The first read that goes past the offset meets the fault: start <= offset.
            fault = !m_fault_begun && m_plan.action != FaultAction::None &&
                    m_plan.direction == direction && start + size > m_plan.offset;
            if (fault) {
                m_fault_begun = true;
                head = m_plan.offset - start;
            }
        }
        if (!Forward(to, direction, buffer, head, piece)) {
            break;
        }
        if (fault && (m_plan.action == FaultAction::Cut ||
                      (m_plan.action == FaultAction::Stall && !Pause(m_plan.pause)))) {
            break;
        }
        if (fault && m_plan.action == FaultAction::Split) {
            piece = m_plan.piece;
        }
        if (!Forward(to, direction, buffer + head, size - head, piece)) {
            break;
        }
    }
    // Either side closing, or the Cut, closes both sides.
    ::shutdown(link.client, SHUT_RDWR);
    ::shutdown(link.server, SHUT_RDWR);
}

bool FaultProxy::Forward(int to, FaultDirection direction, const char* data, std::size_t size,
                         std::size_t piece) {
    for (std::size_t done = 0; done < size;) {
        const std::size_t end = std::min(size, done + std::min(piece, size - done));
        for (std::size_t sent = done; sent < end;) {
            const ssize_t written = ::send(to, data + sent, end - sent, MSG_NOSIGNAL);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written <= 0) {
                return false;
            }
            sent += static_cast<std::size_t>(written);
        }
        {
            std::lock_guard lock(m_mutex);
            m_traffic.bytes[Index(direction)].append(data + done, end - done);
        }
        done = end;
        if (piece != SIZE_MAX && !Pause(m_plan.pause)) {
            return false;
        }
    }
    return true;
}

bool FaultProxy::Pause(std::chrono::milliseconds duration) {
    std::unique_lock lock(m_mutex);
    return !m_stopped.wait_for(lock, duration, [this] { return m_stopping; });
}

}  // namespace tarvox
