// A time limit on a whole conversation: when it passes before the owner is
// done, the connection is aborted from a watch thread of its own, which makes
// the blocked step fail within a second (as the user's Abort does). Unlike an
// idle limit it also ends a server that trickles a byte now and then.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tarvox {

class NetConnection;

class ConnectionDeadline {
public:
    ConnectionDeadline(NetConnection& connection, std::chrono::milliseconds limit);
    // Disarms the watch and joins it.
    ~ConnectionDeadline();
    ConnectionDeadline(const ConnectionDeadline&) = delete;
    ConnectionDeadline& operator=(const ConnectionDeadline&) = delete;

    // Whether the limit passed and the connection was aborted.
    bool Expired() const { return m_expired.load(); }

private:
    std::mutex m_mutex;
    std::condition_variable m_disarm;
    bool m_disarmed = false;
    std::atomic<bool> m_expired{false};
    std::thread m_watch;
};

}  // namespace tarvox
