// Address lists as people and mailers write them: "Name <a@b>", "\"Last,
// First\" <a@b>", "a@b (Name)", "<a@b>", "a@b". One pass, no RFC 5322
// grammar: every character either starts, ends or extends the display name
// or the address of the current entry.
#include "message/address_list.h"

#include <algorithm>
#include <optional>

namespace tarvox {

namespace {

constexpr std::size_t kUnset = std::string_view::npos;

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// One part of an entry (the display name or the address): where its text
// lies, and where its raw text (opening and closing delimiters included)
// lies.
struct Part {
    std::size_t start = kUnset;  // first character of the value
    std::size_t end = kUnset;    // one past its last character, once closed
    bool open() const { return start != kUnset && end == kUnset; }
    bool started() const { return start != kUnset; }
    bool closed() const { return end != kUnset; }
};

bool IsNameCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '_' || c == '-' || c == '@';
}

// The entry text of one entry, [begin, end) of the whole text, which holds
// no entry separator outside quotes.
class EntryParser {
public:
    EntryParser(std::string_view text, std::size_t begin, std::size_t end)
        : m_text(text), m_begin(begin), m_end(end) {}

    std::optional<AddressEntry> Parse() {
        for (std::size_t i = m_begin; i < m_end; ++i) {
            Step(i);
        }
        // Open parts close where the entry ends.
        if (m_name.open()) {
            CloseName(m_end, m_end);
        }
        if (m_address.open()) {
            CloseAddress(m_end, m_end);
        }
        return MakeEntry();
    }

private:
    void Step(std::size_t i) {
        const char c = m_text[i];
        if (c == '"' && !(i > 0 && m_text[i - 1] == '\\')) {
            m_quoted = !m_quoted;
        }
        if (c == '"' || c == '(' || c == ')') {
            if (!m_name.started()) {
                StartName(i + 1, i);
            } else if (!m_quoted && m_name.open()) {
                // A closing quote or parenthesis belongs to the raw text.
                CloseName(i, c == '(' ? i : i + 1);
            }
            return;
        }
        if (c == '<') {
            if (!m_quoted && !m_address.started()) {
                if (m_name.open()) {
                    std::size_t name_end = i;
                    while (name_end > m_name.start && IsBlank(m_text[name_end - 1])) {
                        --name_end;
                    }
                    CloseName(name_end, name_end);
                }
                StartAddress(i + 1, i, /*angle=*/true);
            }
            return;
        }
        if (c == '>') {
            if (!m_quoted && m_address.open()) {
                CloseAddress(i, i + 1);
            }
            return;
        }
        if (c == '@' && !m_quoted && m_name.open() && !m_address.started()) {
            // The word being read is an address, not a name.
            std::size_t word = i;
            while (word > m_name.start && !IsBlank(m_text[word - 1])) {
                --word;
            }
            m_name = Part{};
            StartAddress(word, word, /*angle=*/false);
            return;
        }
        if (IsBlank(c)) {
            if (m_address.open() && !m_address_in_angles) {
                CloseAddress(i, i);
            }
            return;
        }
        if (!m_name.started() && !m_address.started() && !m_any_started) {
            if (NextWordOpensName(i)) {
                StartAddress(i, i, /*angle=*/false);
            } else {
                StartName(i, i);
            }
        } else if (m_name.closed() && !m_address.started()) {
            StartAddress(i, i, /*angle=*/false);
        }
    }

    // True when the word after the one starting at `i` begins with "(" or a
    // double quote, as in "a@b (Name)".
    bool NextWordOpensName(std::size_t i) const {
        while (i < m_end && !IsBlank(m_text[i])) {
            ++i;
        }
        while (i < m_end && IsBlank(m_text[i])) {
            ++i;
        }
        return i < m_end && (m_text[i] == '(' || m_text[i] == '"');
    }

    void StartName(std::size_t start, std::size_t raw_start) {
        m_name.start = start;
        NoteRawStart(raw_start);
    }

    void StartAddress(std::size_t start, std::size_t raw_start, bool angle) {
        m_address.start = start;
        m_address_in_angles = angle;
        NoteRawStart(raw_start);
    }

    void CloseName(std::size_t end, std::size_t raw_end) {
        m_name.end = end;
        m_raw_end = std::max(m_raw_end == kUnset ? 0 : m_raw_end, raw_end);
    }

    void CloseAddress(std::size_t end, std::size_t raw_end) {
        m_address.end = end;
        m_raw_end = std::max(m_raw_end == kUnset ? 0 : m_raw_end, raw_end);
    }

    void NoteRawStart(std::size_t raw_start) {
        if (!m_any_started) {
            m_raw_start = raw_start;
            m_any_started = true;
        }
    }

    std::string_view Value(const Part& part) const {
        if (!part.closed()) {
            return {};
        }
        return m_text.substr(part.start, part.end - part.start);
    }

    std::optional<AddressEntry> MakeEntry() const {
        AddressEntry entry;
        entry.name = Value(m_name);
        entry.address = Value(m_address);
        if (entry.name.empty() && entry.address.empty()) {
            return std::nullopt;
        }
        const std::size_t raw_start = m_any_started ? m_raw_start : m_begin;
        if (m_raw_end != kUnset && m_raw_end > raw_start) {
            entry.raw = m_text.substr(raw_start, m_raw_end - raw_start);
        }
        // An encoded name is shown from the raw text once that is decoded.
        if (entry.name.find("=?") != std::string::npos) {
            entry.name.clear();
        }
        // A bare word ("postmaster", "jo.bloggs") stands for its address.
        if (entry.address.empty() &&
            std::all_of(entry.name.begin(), entry.name.end(), IsNameCharacter)) {
            entry.address = entry.name;
        }
        return entry;
    }

    std::string_view m_text;
    std::size_t m_begin;
    std::size_t m_end;
    bool m_quoted = false;
    Part m_name;
    Part m_address;
    bool m_address_in_angles = false;
    bool m_any_started = false;
    std::size_t m_raw_start = kUnset;
    std::size_t m_raw_end = kUnset;
};

}  // namespace

std::size_t ParseAddressList(std::string_view text, AddressList& list) {
    std::size_t appended = 0;
    std::size_t begin = 0;
    while (begin <= text.size()) {
        // The entry ends at a line feed, or at a comma outside double quotes.
        bool quoted = false;
        std::size_t end = begin;
        for (; end < text.size(); ++end) {
            const char c = text[end];
            if (c == '"' && !(end > 0 && text[end - 1] == '\\')) {
                quoted = !quoted;
            } else if (c == '\n' || (c == ',' && !quoted)) {
                break;
            }
        }
        if (std::optional<AddressEntry> entry = EntryParser(text, begin, end).Parse()) {
            list.push_back(std::move(*entry));
            ++appended;
        }
        begin = end + 1;
    }
    return appended;
}

std::string BareAddresses(std::string_view text) {
    AddressList entries;
    ParseAddressList(text, entries);
    std::string joined;
    for (const AddressEntry& entry : entries) {
        if (entry.address.empty()) {
            continue;
        }
        if (!joined.empty()) {
            joined += ", ";
        }
        joined += entry.address;
    }
    return joined;
}

}  // namespace tarvox
