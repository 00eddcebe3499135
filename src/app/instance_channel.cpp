#include "app/instance_channel.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <cstdlib>

#include "codec/stored_text.h"
#include "codec/utf8.h"
#include "config/command_line.h"
#include "config/data_paths.h"

namespace tarvox {

namespace {

constexpr int kConnectTimeoutMs = 1000;
// A handed-over mailto link holds at most kToLinkLength bytes; anything longer
// is cut there.
constexpr qsizetype kLongestMessage = static_cast<qsizetype>(kToLinkLength) + 1;

constexpr const char* kSocketFileName = "tarvox.socket";

// A folder (not a link to one) of this user's that no other user may enter
// or change.
bool IsPrivateFolder(const std::filesystem::path& folder) {
    struct stat info {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

QString SocketIn(const std::filesystem::path& folder) {
    return QString::fromStdString((folder / kSocketFileName).string());
}

// The user id at the other end of a local connection, read from the kernel
// (SO_PEERCRED), so the peer cannot claim another.
bool IsFromThisUser(const QLocalSocket& socket) {
    struct ucred peer {};
    socklen_t size = sizeof peer;
    return ::getsockopt(static_cast<int>(socket.socketDescriptor()), SOL_SOCKET, SO_PEERCRED, &peer,
                        &size) == 0 &&
           peer.uid == ::geteuid();
}

}  // namespace

QString InstanceServerName(const std::optional<std::string>& runtime_folder,
                           const std::filesystem::path& cache_folder) {
    if (runtime_folder && !runtime_folder->empty() && IsPrivateFolder(*runtime_folder)) {
        return SocketIn(*runtime_folder);
    }
    if (cache_folder.empty()) {
        return {};
    }
    const std::filesystem::path folder = cache_folder / "tarvox";
    std::error_code ignored;
    std::filesystem::create_directories(cache_folder, ignored);
    ::mkdir(folder.c_str(), 0700);
    return IsPrivateFolder(folder) ? SocketIn(folder) : QString();
}

QString InstanceServerName() {
    const auto variable = [](const char* name) -> std::optional<std::string> {
        const char* value = std::getenv(name);
        return value != nullptr && *value != '\0' ? std::optional<std::string>(value)
                                                  : std::nullopt;
    };
    std::filesystem::path cache_folder;
    if (const auto cache_home = variable("XDG_CACHE_HOME")) {
        cache_folder = *cache_home;
    } else if (const auto home = DataPathInputsFromEnvironment().home) {
        cache_folder = std::filesystem::path(*home) / ".cache";
    }
    return InstanceServerName(variable("XDG_RUNTIME_DIR"), cache_folder);
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
    const std::string stored = ToStoredText(address);
    QByteArray message(stored.data(), static_cast<qsizetype>(stored.size()));
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
        if (!IsFromThisUser(*socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype end = buffer->indexOf('\0');
            if (end < 0 && buffer->size() <= kLongestMessage) {
                return;
            }
            const std::string_view bytes(buffer->constData(),
                                         static_cast<std::size_t>(end >= 0 ? end : buffer->size()));
            const std::string address = FromStoredText(Utf8Prefix(bytes, kToLinkLength));
            buffer->clear();
            socket->disconnectFromServer();
            if (m_on_address) {
                m_on_address(address);
            }
        });
    }
}

}  // namespace tarvox
