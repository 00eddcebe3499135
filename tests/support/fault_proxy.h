// A loopback TCP proxy in front of a real server that breaks the conversation at one byte: it
// cuts it, stalls it or trickles it from there on, and records what went through each way.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <list>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tarvox {

enum class FaultDirection { ToServer, ToClient };
enum class FaultAction { None, Cut, Stall, Split };

// One fault. `offset` counts the bytes of its direction over every connection of the proxy.
struct FaultPlan {
    FaultAction action = FaultAction::None;
    FaultDirection direction = FaultDirection::ToServer;
    std::size_t offset = 0;
    std::chrono::milliseconds pause{0};  // Stall: how long; Split: between two pieces
    std::size_t piece = 1;               // Split: bytes in one write
};

// "Cut to-client at 312" and the like, for failure reports.
std::string Describe(const FaultPlan& plan);

// What went through, by direction (index: FaultDirection): the bytes forwarded, and the offset
// at the end of every read from the sender; replies end at such offsets.
struct FaultTraffic {
    std::array<std::string, 2> bytes;
    std::array<std::vector<std::size_t>, 2> boundaries;
};

// A plan drawn from `seed` for a conversation whose clean run went as `clean`: a Cut, a Stall
// (short, or `long_stall`) or a Split, at any offset of either direction.
FaultPlan DrawFaultPlan(std::uint32_t seed, const FaultTraffic& clean,
                        std::chrono::milliseconds long_stall);

// A Cut at every offset where a read ended, each way, and one inside every read from the server.
std::vector<FaultPlan> BoundaryCuts(const FaultTraffic& clean);

class FaultProxy {
public:
    // Listens on 127.0.0.1 at once; every connection is forwarded to 127.0.0.1:`target_port`.
    FaultProxy(std::uint16_t target_port, FaultPlan plan);
    // Closes every connection and joins every thread.
    ~FaultProxy();
    FaultProxy(const FaultProxy&) = delete;
    FaultProxy& operator=(const FaultProxy&) = delete;

    std::uint16_t port() const { return m_port; }
    FaultTraffic Traffic() const;

private:
    struct Link {
        int client = -1;
        int server = -1;
        std::array<std::thread, 2> relays;
    };

    void Accept();
    // Forwards one direction of the link until either side closes or the fault cuts it.
    void Relay(Link& link, FaultDirection direction);
    // Sends the bytes whole, in writes of `piece` bytes with the plan's pause between them
    // (SIZE_MAX: at once); false when the link broke or the proxy stopped.
    bool Forward(int to, FaultDirection direction, const char* data, std::size_t size,
                 std::size_t piece);
    // Waits `duration` unless the proxy stops first; false when it stopped.
    bool Pause(std::chrono::milliseconds duration);

    const std::uint16_t m_target_port;
    const FaultPlan m_plan;
    std::uint16_t m_port = 0;
    int m_listen_fd = -1;
    std::thread m_acceptor;

    mutable std::mutex m_mutex;
    std::condition_variable m_stopped;
    bool m_stopping = false;
    bool m_fault_begun = false;
    std::list<Link> m_links;
    FaultTraffic m_traffic;
};

}  // namespace tarvox
