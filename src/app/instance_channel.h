// The running program listens on a per-user local socket; a second start
// that carries a mailto address hands it over there and exits. The address
// goes in its stored form (ISO-8859-1 bytes when it fits, else UTF-8) ending
// in one NUL.
#pragma once

#include <QObject>
#include <QString>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

class QLocalServer;

namespace tarvox {

// The socket of this user's running program: "tarvox.socket" in
// `runtime_folder` ($XDG_RUNTIME_DIR) when that is a folder of this user's
// that nobody else may enter, else in the folder "tarvox" under
// `cache_folder`, made with mode 0700 when missing and refused when it is not
// such a private folder. Empty when there is none: the program then runs
// without the hand-over.
QString InstanceServerName(const std::optional<std::string>& runtime_folder,
                           const std::filesystem::path& cache_folder);

// The same for this process: $XDG_RUNTIME_DIR, and $XDG_CACHE_HOME or
// ~/.cache.
QString InstanceServerName();

// True when a program listens on `name`.
bool IsAnotherInstanceRunning(const QString& name);

// Hands `address` to the program listening on `name`; false when none took it.
bool SendAddressToInstance(const QString& name, const std::string& address);

// The listening side, living on the GUI thread.
class InstanceServer : public QObject {
    Q_OBJECT

public:
    // `on_address` gets every address handed over (a mailto link of at most 64 KiB).
    // Connections from another user id are closed unread.
    InstanceServer(std::function<void(const std::string&)> on_address, QObject* parent = nullptr);

    // Listens on `name`, taking over a socket file a crashed program left.
    bool Listen(const QString& name);

private:
    void Accept();

    QLocalServer* m_server;
    std::function<void(const std::string&)> m_on_address;
};

}  // namespace tarvox
