// The Date header (RFC 5322 section 3.3 and the looser forms seen in mail)
// read with a handful of scanf-like forms and shown as local time.
#include "message/mail_date.h"

#include <array>
#include <cstdint>

#include "codec/ascii.h"

namespace tarvox {

namespace {

// The C library's white space, as scanf skips it.
bool IsScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a date value the way sscanf reads it with one fixed format, for the
// conversions the date forms use: "%*s" (skip a word), "%s" (a word), "%u",
// "%d", blanks (any run of white space, none included) and literal ':'.
class ScanCursor {
public:
    explicit ScanCursor(std::string_view text) : m_text(text) {}

    void SkipSpace() {
        while (m_at < m_text.size() && IsScanSpace(m_text[m_at])) {
            ++m_at;
        }
    }

    bool Literal(char c) {
        if (m_at < m_text.size() && m_text[m_at] == c) {
            ++m_at;
            return true;
        }
        return false;
    }

    bool Word(std::string_view* word) {
        SkipSpace();
        const std::size_t start = m_at;
        while (m_at < m_text.size() && !IsScanSpace(m_text[m_at])) {
            ++m_at;
        }
        if (m_at == start) {
            return false;
        }
        if (word != nullptr) {
            *word = m_text.substr(start, m_at - start);
        }
        return true;
    }

    // "%u": like strtoul, an optional sign and decimal digits; a negative
    // number wraps, an out-of-range one gives ULONG_MAX, and the result is
    // cut to the 32 bits of an unsigned int.
    bool Unsigned(std::uint32_t& value) {
        Number number;
        if (!ReadNumber(number)) {
            return false;
        }
        std::uint64_t as_unsigned_long = UINT64_MAX;
        if (!number.overflow) {
            as_unsigned_long = number.negative ? 0 - number.magnitude : number.magnitude;
        }
        value = static_cast<std::uint32_t>(as_unsigned_long);
        return true;
    }

    // "%d": like strtol, saturating at the range of long, then cut to the
    // 32 bits of an int.
    bool Signed(std::int32_t& value) {
        Number number;
        if (!ReadNumber(number)) {
            return false;
        }
        std::int64_t as_long = 0;
        if (number.overflow || number.magnitude > static_cast<std::uint64_t>(INT64_MAX)) {
            as_long = number.negative ? INT64_MIN : INT64_MAX;
        } else {
            as_long = static_cast<std::int64_t>(number.magnitude);
            if (number.negative) {
                as_long = -as_long;
            }
        }
        value = static_cast<std::int32_t>(static_cast<std::uint32_t>(as_long));
        return true;
    }

private:
    struct Number {
        bool negative = false;
        bool overflow = false;  // more than 64 bits
        std::uint64_t magnitude = 0;
    };

    bool ReadNumber(Number& number) {
        SkipSpace();
        std::size_t at = m_at;
        if (at < m_text.size() && (m_text[at] == '+' || m_text[at] == '-')) {
            number.negative = m_text[at] == '-';
            ++at;
        }
        const std::size_t digits = at;
        for (; at < m_text.size() && m_text[at] >= '0' && m_text[at] <= '9'; ++at) {
            const auto digit = static_cast<std::uint64_t>(m_text[at] - '0');
            if (number.magnitude > (UINT64_MAX - digit) / 10) {
                number.overflow = true;
            } else if (!number.overflow) {
                number.magnitude = number.magnitude * 10 + digit;
            }
        }
        if (at == digits) {
            return false;
        }
        m_at = at;
        return true;
    }

    std::string_view m_text;
    std::size_t m_at = 0;
};

struct DateFields {
    std::uint32_t day = 0;
    std::string_view month;
    std::uint32_t year = 0;
    std::uint32_t hour = 0;
    std::uint32_t minute = 0;
    std::uint32_t second = 0;
    std::int32_t zone = 0;
};

// The forms, tried in order; each must fill all of its fields:
//   "%*s %u %s %u %u:%u:%u %d"   weekday, day, month, year, time, zone
//   "%*s %u %s %u %u:%u:%u"      no zone
//   "%*s %u %s %u %u:%u %d"      no seconds
//   "%u %s %u %u:%u:%u %d"       no weekday
//   "%u %s %u %u:%u:%u"          no weekday, no zone
struct DateForm {
    bool weekday;
    bool seconds;
    bool zone;
};

constexpr std::array<DateForm, 5> kDateForms = {{
    {true, true, true},
    {true, true, false},
    {true, false, true},
    {false, true, true},
    {false, true, false},
}};

bool ScanDate(std::string_view text, const DateForm& form, DateFields& fields) {
    ScanCursor scan(text);
    fields = DateFields{};
    if (form.weekday && !scan.Word(nullptr)) {
        return false;
    }
    if (!scan.Unsigned(fields.day) || !scan.Word(&fields.month) || !scan.Unsigned(fields.year) ||
        !scan.Unsigned(fields.hour) || !scan.Literal(':') || !scan.Unsigned(fields.minute)) {
        return false;
    }
    if (form.seconds && (!scan.Literal(':') || !scan.Unsigned(fields.second))) {
        return false;
    }
    return !form.zone || scan.Signed(fields.zone);
}

// 0 for "Jan" ... 11 for "Dec", compared whole and without regard to case;
// 12 for anything else, which mktime carries into January of the next year.
int MonthIndex(std::string_view word) {
    static constexpr std::array<std::string_view, 12> kMonths = {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (std::size_t i = 0; i < kMonths.size(); ++i) {
        if (EqualsIgnoreAsciiCase(word, kMonths[i])) {
            return static_cast<int>(i);
        }
    }
    return 12;
}

// Two-digit and three-digit years, and years before the epoch, are read as
// years of this century: 03 is 2003, 1969 is 2069.
std::uint32_t FullYear(std::uint32_t year) {
    if (year >= 1970) {
        return year;
    }
    if (year >= 1900) {
        return year + 100;
    }
    if (year >= 100) {
        return year + 1900;
    }
    return year + 2000;
}

}  // namespace

long LocalUtcOffset() {
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    if (gmtime_r(&now, &utc) == nullptr) {
        return 0;
    }
    // gmtime_r leaves tm_isdst 0: the UTC clock is read as local standard time.
    return static_cast<long>(now - std::mktime(&utc));
}

std::optional<std::string> ParseMailDate(std::string_view date) {
    DateFields fields;
    bool found = false;
    for (const DateForm& form : kDateForms) {
        if (ScanDate(date, form, fields)) {
            found = true;
            break;
        }
    }
    if (!found) {
        return std::nullopt;
    }

    // The fields are unsigned and stored in the int fields of struct tm; a
    // value beyond INT_MAX wraps, as it does in C, and mktime normalises.
    std::tm calendar{};
    calendar.tm_mday = static_cast<int>(fields.day);
    calendar.tm_mon = MonthIndex(fields.month);
    calendar.tm_year = static_cast<int>(FullYear(fields.year) - 1900u);
    calendar.tm_hour = static_cast<int>(fields.hour);
    calendar.tm_min = static_cast<int>(fields.minute);
    calendar.tm_sec = static_cast<int>(fields.second);
    calendar.tm_isdst = 0;
    // mktime sets tm_wday on success only; -1 is also a valid time.
    calendar.tm_wday = -1;
    const std::time_t local = std::mktime(&calendar);
    if (local == static_cast<std::time_t>(-1) && calendar.tm_wday == -1) {
        return std::nullopt;
    }

    // "+hhmm" / "-hhmm" (RFC 5322 section 3.3): integer division keeps the
    // sign in both hours and minutes.
    const std::int64_t zone_hours = fields.zone / 100;
    const std::int64_t zone_minutes = fields.zone % 100;
    const std::int64_t zone_seconds = (zone_minutes + zone_hours * 60) * 60;
    const std::time_t shown = static_cast<std::time_t>(static_cast<std::int64_t>(local) +
                                                       LocalUtcOffset() - zone_seconds);

    std::tm shown_tm{};
    if (localtime_r(&shown, &shown_tm) == nullptr) {
        return std::nullopt;
    }
    char text[512];
    const std::size_t length = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &shown_tm);
    if (length == 0) {
        return std::nullopt;
    }
    return std::string(text, length);
}

std::string FormatMailDate(std::string_view date) {
    return ParseMailDate(date).value_or(std::string(kFallbackMailDate));
}

}  // namespace tarvox
