#include "net/connection_deadline.h"

#include "net/net_connection.h"

namespace tarvox {

ConnectionDeadline::ConnectionDeadline(NetConnection& connection, std::chrono::milliseconds limit) {
    m_watch = std::thread([this, &connection, limit] {
        std::unique_lock lock(m_mutex);
        if (!m_disarm.wait_for(lock, limit, [this] { return m_disarmed; })) {
            m_expired = true;
            connection.Abort();
        }
    });
}

ConnectionDeadline::~ConnectionDeadline() {
    {
        std::lock_guard lock(m_mutex);
        m_disarmed = true;
    }
    m_disarm.notify_one();
    m_watch.join();
}

}  // namespace tarvox
