// "Foreign IP address": the first foreign relay of one message, its host
// name looked up in the background, and the list of the user's own provider
// networks (the profile's ispnetworks), which Add and Del edit. OK stores the
// list in the profile; Cancel leaves it. The inbox uses a changed list from
// its next connection on.
#pragma once

#include <QDialog>

#include <functional>
#include <string>
#include <string_view>
#include <thread>

#include "net/reverse_lookup.h"

class QLabel;
class QLineEdit;
class QListWidget;

namespace tarvox {

struct AppContext;
struct InboxEntry;
struct Profile;

// The host name of a dotted address, empty when there is none. Called on a
// thread of its own.
using ReverseLookup = std::function<std::string(const std::string& address)>;

inline constexpr std::string_view kLookingUp = "looking up...";
inline constexpr std::string_view kNoHostName = "NXDOMAIN";

class ForeignIpDialog : public QDialog {
    Q_OBJECT

public:
    // Starts the lookup of the entry's address at once, unless it has none.
    // `context` (for its prompts and boxes) and `edited` must outlive the
    // dialog.
    ForeignIpDialog(AppContext& context, const InboxEntry& entry, Profile& edited,
                    QWidget* parent = nullptr, ReverseLookup lookup = LookupHostName);
    // Waits for a lookup still under way (the resolver gives up by itself);
    // its answer is then dropped.
    ~ForeignIpDialog() override;

    // The networks as the list shows them.
    QStringList networks() const;

    void accept() override;

private:
    void StartLookup(const std::string& address, ReverseLookup lookup);
    void ShowHostName(const QString& name);
    void AddNetwork();
    void DeleteNetwork();

    AppContext& m_context;
    Profile& m_edited;
    QLineEdit* m_address = nullptr;
    QLabel* m_host_name = nullptr;
    QListWidget* m_networks = nullptr;
    std::thread m_lookup;
};

}  // namespace tarvox
