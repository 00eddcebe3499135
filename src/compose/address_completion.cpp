#include "compose/address_completion.h"

#include "codec/utf8.h"

namespace tarvox {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// Where the typed recipient starts in the field.
std::size_t RecipientStart(std::string_view field) {
    const std::size_t comma = field.rfind(',');
    if (comma == std::string_view::npos) {
        return 0;
    }
    const bool has_at = field.find('@', comma + 1) != std::string_view::npos;
    return has_at ? 0 : comma + 1;
}

}  // namespace

std::string_view TypedRecipient(std::string_view field) {
    return field.substr(RecipientStart(field));
}

std::string CompleteRecipient(std::string_view field, std::string_view address) {
    const std::size_t start = RecipientStart(field);
    std::string completed(field.substr(0, start));
    if (start > 0) {
        completed += ' ';
    }
    completed += address;
    return completed;
}

std::optional<std::string> AddressCompletion::Changed(std::string_view field) {
    if (CharacterCount(field) >= kCompletedFieldLimit) {
        return std::nullopt;
    }
    const std::string_view recipient = TypedRecipient(field);
    const std::size_t length = CharacterCount(recipient);
    if (length < kCompletionStart || (length == kCompletionStart && recipient.back() == '@')) {
        m_completed = false;
        m_last_recipient.clear();
        return std::nullopt;
    }
    if (m_completed || recipient == m_last_recipient) {
        return std::nullopt;
    }
    m_last_recipient = recipient;
    const std::string_view typed = TrimBlanks(recipient);
    if (typed.empty()) {
        return std::nullopt;
    }
    return std::string(typed);
}

}  // namespace tarvox
