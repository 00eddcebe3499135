#include "ui/address_completer.h"

#include <QLineEdit>
#include <QTimer>

#include <utility>

#include "ui/qt_text.h"

namespace tarvox {

AddressCompleter::AddressCompleter(QLineEdit* field, AddressLookup lookup)
    : QObject(field), m_field(field), m_lookup(std::move(lookup)) {
    connect(field, &QLineEdit::textChanged, this, &AddressCompleter::TextChanged);
}

AddressCompleter::~AddressCompleter() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void AddressCompleter::TextChanged(const QString& text) {
    if (!m_active) {
        return;
    }
    std::optional<std::string> typed;
    {
        const std::lock_guard lock(m_lock);
        typed = m_state.Changed(FromQString(text));
    }
    if (!typed) {
        return;
    }
    // Lookups are short: the one before has ended or is about to.
    if (m_worker.joinable()) {
        m_worker.join();
    }
    // The match is queued to the completer, which joins the thread before it
    // goes; a match still queued then is dropped with it.
    m_worker = std::thread([this, typed = std::move(*typed)] {
        std::optional<std::string> match;
        try {
            const std::lock_guard lock(m_lock);
            if (!m_state.completed()) {
                match = m_lookup(typed);
            }
        } catch (...) {
            // No exception leaves the thread: a failed lookup completes nothing.
        }
        if (match) {
            QMetaObject::invokeMethod(
                this, [this, address = std::move(*match)] { Complete(address); },
                Qt::QueuedConnection);
        }
    });
}

void AddressCompleter::Complete(const std::string& address) {
    {
        const std::lock_guard lock(m_lock);
        if (m_state.completed()) {
            return;
        }
        m_state.MarkCompleted();
    }
    const QString completed = ToQString(CompleteRecipient(FromQString(m_field->text()), address));
    // Replacing the selected whole text is one step for Undo.
    m_field->selectAll();
    m_field->insert(completed);
    m_field->setReadOnly(true);
    QTimer::singleShot(kCompletedFieldHoldMs, this, [this] { m_field->setReadOnly(false); });
}

}  // namespace tarvox
