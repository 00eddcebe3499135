// A loopback server run by a scripts/test-servers script (`start` prints key=value lines, `stop`
// ends it); only the process that started it stops it.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace tarvox {

class ServerScript {
public:
    explicit ServerScript(std::string script_name) : m_script_name(std::move(script_name)) {}
    // Stops the server and removes its folder.
    ~ServerScript();
    ServerScript(const ServerScript&) = delete;
    ServerScript& operator=(const ServerScript&) = delete;

    // Restarts the server in a fresh folder; false with error() when it could not.
    bool StartScript(const std::vector<std::string>& arguments);
    // Stops the server (the destructor does this too); the folder stays until the next start.
    void Stop();

    bool running() const { return m_running; }
    // Why the last start or command failed, with the script's error output.
    const std::string& error() const { return m_error; }
    std::uint16_t plain_port() const { return std::atoi(Value("plain_port").c_str()); }
    std::uint16_t tls_port() const { return std::atoi(Value("tls_port").c_str()); }
    // SHA-1 of the DER certificate as upper-case hex pairs joined by colons.
    const std::string& fingerprint() const { return Value("fingerprint_sha1"); }

protected:
    // Runs `command --dir <folder> arguments...`; a description it prints replaces the server's.
    bool RunCommand(const std::string& command, const std::vector<std::string>& arguments);
    // One value of the description, empty when it has none.
    const std::string& Value(std::string_view key) const;
    void Fail(std::string text) { m_error = std::move(text); }
    // Whether the server runs; when not, error() says so unless it already tells why.
    bool CheckRunning() {
        if (!m_running && m_error.empty()) {
            m_error = m_script_name + " is not running";
        }
        return m_running;
    }
    const std::filesystem::path& dir() const { return m_dir; }
    int pid() const { return std::atoi(Value("pid").c_str()); }

private:
    std::string m_script_name;
    bool m_running = false;
    std::string m_error;
    std::filesystem::path m_dir;
    std::map<std::string, std::string, std::less<>> m_description;
    int m_owner = 0;  // the process that started the server
};

// Waits up to `seconds` for the process to end, reaping it when it is a child.
bool WaitUntilEnded(int pid, int seconds);

}  // namespace tarvox
