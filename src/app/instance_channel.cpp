#include "app/instance_channel.h"

#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include "app/command_line.h"

namespace tarvox {

namespace {

constexpr int kConnectTimeoutMs = 1000;
// A handed-over address is short; anything longer than a buffer's worth is
// not an address.
constexpr qsizetype kLongestMessage = 4096;

}  // namespace

QString InstanceServerName() {
    return QStringLiteral("tarvox-%1").arg(::getuid());
}

bool IsAnotherInstanceRunning(const QString& name) {
    QLocalSocket socket;
    socket.connectToServer(name);
    const bool connected = socket.waitForConnected(kConnectTimeoutMs);
    socket.abort();
    return connected;
}

bool SendAddressToInstance(const QString& name, const std::string& address) {
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        return false;
    }
    QByteArray message(address.data(), static_cast<qsizetype>(address.size()));
    message.append('\0');
    socket.write(message);
    if (!socket.waitForBytesWritten(kConnectTimeoutMs)) {
        return false;
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(kConnectTimeoutMs);
    }
    return true;
}

InstanceServer::InstanceServer(std::function<void(const std::string&)> on_address, QObject* parent)
    : QObject(parent), m_server(new QLocalServer(this)), m_on_address(std::move(on_address)) {
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceServer::Accept);
}

bool InstanceServer::Listen(const QString& name) {
    if (m_server->listen(name)) {
        return true;
    }
    // A socket file with nobody behind it is left over from a crash.
    if (!IsAnotherInstanceRunning(name)) {
        QLocalServer::removeServer(name);
        return m_server->listen(name);
    }
    return false;
}

void InstanceServer::Accept() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf('\0');
            if (end < 0 && buffer->size() <= kLongestMessage) {
                return;
            }
            std::string address(buffer->constData(),
                                static_cast<std::size_t>(end >= 0 ? end : buffer->size()));
            if (address.size() > kToAddressLength) {
                address.resize(kToAddressLength);
            }
            buffer->clear();
            socket->disconnectFromServer();
            if (m_on_address) {
                m_on_address(address);
            }
        });
    }
}

}  // namespace tarvox
