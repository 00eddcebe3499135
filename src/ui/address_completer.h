// Completes the recipient typed into an address field (To, Cc or Bcc) of the
// composer. After each change of the text the field's AddressCompletion says
// what to look up; the lookup runs on a short-lived thread of the completer's
// own, and a match goes into the field on the GUI thread, unless the field
// was completed meanwhile: the whole text replaced as one undoable step, the
// field read-only for 750 ms so that typing on does not spoil it.
#pragma once

#include <QObject>

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "compose/address_completion.h"

class QLineEdit;

namespace tarvox {

// The address a partly typed recipient stands for, if any. Runs on the
// completer's thread.
using AddressLookup = std::function<std::optional<std::string>(const std::string& typed)>;

inline constexpr int kCompletedFieldHoldMs = 750;

class AddressCompleter : public QObject {
    Q_OBJECT

public:
    // Watches `field` from now on and goes with it; what `lookup` reads must
    // outlive the field.
    AddressCompleter(QLineEdit* field, AddressLookup lookup);
    // Waits for a lookup still under way; its match is then dropped.
    ~AddressCompleter() override;

    // The `autoaddress` setting: while off, changes start no lookup.
    void SetActive(bool active) { m_active = active; }

private:
    void TextChanged(const QString& text);
    void Complete(const std::string& address);

    QLineEdit* m_field;
    AddressLookup m_lookup;
    bool m_active = true;
    std::mutex m_lock;  // guards m_state between the GUI thread and the lookup
    AddressCompletion m_state;
    std::thread m_worker;
};

}  // namespace tarvox
