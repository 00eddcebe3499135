// Autocompletion of the recipient being typed into one address field (To, Cc
// or Bcc): which text to look up after a change, and the field once a match
// is found. The state belongs to one field; its owner guards it when a lookup
// runs on another thread.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tarvox {

// A field of this many characters or more is not completed (the field holds
// at most 511).
inline constexpr std::size_t kCompletedFieldLimit = 511;
// A recipient is looked up from this many characters on.
inline constexpr std::size_t kCompletionStart = 4;

// The recipient being typed: the text after the last comma, or the whole
// field when that text already holds "@".
std::string_view TypedRecipient(std::string_view field);

// The field with its typed recipient replaced by `address`: the text before
// it keeps its comma and gets one blank.
std::string CompleteRecipient(std::string_view field, std::string_view address);

class AddressCompletion {
public:
    // Takes the field's text after a change and gives the text to look up:
    // the typed recipient without its leading and trailing blanks. Nothing
    // while the field is too long, the recipient has fewer than 4 characters
    // (or 4 with "@" as the fourth: both clear the completed mark), the field
    // is completed, the recipient is the one seen last, or it is all blanks.
    std::optional<std::string> Changed(std::string_view field);

    // Set when a match went into the field: no further lookup until the
    // recipient is shortened below 4 characters.
    bool completed() const { return m_completed; }
    void MarkCompleted() { m_completed = true; }

private:
    std::string m_last_recipient;
    bool m_completed = false;
};

}  // namespace tarvox
