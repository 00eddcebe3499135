// RFC 2047 encoded words: ISO-8859-1 or UTF-8 words out, words in any charset in.
#include "message/header_words.h"

#include <algorithm>
#include <optional>

#include "codec/ascii.h"
#include "codec/base64.h"
#include "codec/charset.h"
#include "codec/latin1.h"
#include "codec/utf8.h"

namespace tarvox {

namespace {

// An encoded result needs at least this capacity before encoding is tried.
constexpr std::size_t kMinimumEncodeCapacity = 25;
// More than this share of 8-bit or control characters selects the B form.
constexpr double kBase64Ratio = 0.25;

constexpr std::string_view kEncodedPrefix = "=?iso-8859-1?";

// Characters that stand for themselves in the Q form (a strict subset of what
// RFC 2047 section 5 (3) allows in a phrase).
bool IsPlainQCharacter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '!' || c == ':' || c == '\'';
}

// The Q form of RFC 2047 section 4.2, as the words we read are written: "_"
// is a blank, "=XX" a byte; an "=" with something other than two hex digits
// after it is dropped with the character after it, and an "=" too near the end
// for two digits is kept.
void AppendQDecoded(std::string_view encoded, std::string& out) {
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const char c = encoded[i];
        if (c == '_') {
            out.push_back(' ');
        } else if (c == '=' && i + 2 < encoded.size()) {
            const int high = HexDigitValue(encoded[i + 1]);
            const int low = HexDigitValue(encoded[i + 2]);
            if (high >= 0 && low >= 0) {
                out.push_back(static_cast<char>(high * 16 + low));
                i += 2;
            } else {
                i += 1;
            }
        } else {
            out.push_back(c);
        }
    }
}

bool IsAsciiAlphanumeric(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

constexpr bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The first position from `from` on where `is_wanted` holds, or the size.
// A loop rather than find_first_of, which calls memchr once per character.
template <typename Predicate>
std::size_t FindFirst(std::string_view text, std::size_t from, Predicate is_wanted) {
    while (from < text.size() && !is_wanted(text[from])) {
        ++from;
    }
    return from;
}

bool IsNotWhiteSpace(char c) { return !IsWhiteSpace(c); }

// "=?" and a first charset character: where an encoded word may start.
bool StartsEncodedWord(std::string_view rest) {
    return rest.size() > 2 && rest[0] == '=' && rest[1] == '?' && IsAsciiAlphanumeric(rest[2]);
}

struct EncodedWord {
    std::string_view charset;  // without an RFC 2231 section 5 language tag
    char letter = 'Q';         // 'Q' or 'B'
    std::string_view encoded;
    std::size_t length = 0;  // up to and with the closing "?="
};

// The encoded word "=?charset?Q|B?text?=" at the start of `rest` (RFC 2047
// section 2); nothing when it is malformed: white space or the end inside it,
// an unknown encoding letter.
std::optional<EncodedWord> ReadEncodedWord(std::string_view rest) {
    const std::size_t charset_end =
        FindFirst(rest, 2, [](char c) { return c == '?' || IsWhiteSpace(c); });
    if (charset_end == rest.size() || rest[charset_end] != '?') {
        return std::nullopt;
    }
    EncodedWord word;
    word.charset = rest.substr(2, charset_end - 2);
    word.charset = word.charset.substr(0, word.charset.find('*'));
    const std::size_t at = charset_end + 1;
    if (at + 1 >= rest.size() || rest[at + 1] != '?') {
        return std::nullopt;
    }
    word.letter = AsciiUpper(rest[at]);
    if (word.letter != 'Q' && word.letter != 'B') {
        return std::nullopt;
    }
    const std::size_t encoded_start = at + 2;
    const std::size_t encoded_end = rest.find("?=", encoded_start);
    if (encoded_end == std::string_view::npos) {
        return std::nullopt;
    }
    word.encoded = rest.substr(encoded_start, encoded_end - encoded_start);
    if (FindFirst(word.encoded, 0, IsWhiteSpace) != word.encoded.size()) {
        return std::nullopt;
    }
    word.length = encoded_end + 2;
    return word;
}

}  // namespace

std::size_t CountNonAscii(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        const auto value = static_cast<signed char>(c);
        if (value < 32 || value == 127) {
            ++count;
        }
    }
    return count;
}

namespace {

// RFC 2047 section 2: an encoded word is at most 75 characters long, and a line
// holding encoded words at most 76. Words are kept to 66 characters, so that
// the first line of a field ("Reply-To: " and a word) stays within 76 as well.
constexpr std::size_t kLongestEncodedWord = 66;
constexpr std::string_view kUtf8Prefix = "=?UTF-8?";
// What the longest word leaves for the encoded text after "=?UTF-8?Q?" and "?=".
constexpr std::size_t kUtf8WordRoom = kLongestEncodedWord - kUtf8Prefix.size() - 4;
// RFC 2047 section 2: encoded words that continue one text are folded apart.
constexpr std::string_view kWordSeparator = "\r\n ";

// More than a quarter of the bytes 8-bit or control: the B form.
bool PreferBase64(std::string_view bytes) {
    return !bytes.empty() &&
           static_cast<double>(CountNonAscii(bytes)) / static_cast<double>(bytes.size()) >
               kBase64Ratio;
}

// The Q form of RFC 2047 section 4.2 as a phrase allows it (section 5 (3)).
void AppendQEncoded(std::string_view bytes, std::string& out) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (const char c : bytes) {
        if (IsPlainQCharacter(c)) {
            out.push_back(c);
        } else if (c == ' ') {
            out.push_back('_');
        } else {
            const auto byte = static_cast<unsigned char>(c);
            out.push_back('=');
            out.push_back(kHex[byte >> 4]);
            out.push_back(kHex[byte & 15]);
        }
    }
}

// One word of `bytes` in the charset that `prefix` names, Q or B as asked.
std::string MakeEncodedWord(std::string_view prefix, std::string_view bytes, bool base64) {
    std::string word(prefix);
    if (base64) {
        word += "B?";
        word += EncodeBase64(bytes);
    } else {
        word += "Q?";
        AppendQEncoded(bytes, word);
    }
    word += "?=";
    return word;
}

// How many bytes the Q or B form of `bytes` takes.
std::size_t EncodedLength(std::string_view bytes, bool base64) {
    if (base64) {
        return (bytes.size() + 2) / 3 * 4;
    }
    std::string encoded;
    AppendQEncoded(bytes, encoded);
    return encoded.size();
}

// Well-formed UTF-8 as "=?UTF-8?Q?...?=" (or B) words of at most 66
// characters, each holding whole characters only (RFC 2047 section 5), folded
// apart.
std::string EncodedUtf8Words(std::string_view utf8) {
    const bool base64 = PreferBase64(utf8);
    std::string words;
    std::size_t start = 0;
    do {
        std::size_t end = start;
        std::size_t room = 0;
        while (end < utf8.size()) {
            const std::size_t next = end + CharacterLength(utf8, end);
            room = base64 ? EncodedLength(utf8.substr(start, next - start), true)
                          : room + EncodedLength(utf8.substr(end, next - end), false);
            if (room > kUtf8WordRoom && end > start) {
                break;
            }
            end = next;
        }
        if (!words.empty()) {
            words += kWordSeparator;
        }
        words += MakeEncodedWord(kUtf8Prefix, utf8.substr(start, end - start), base64);
        start = end;
    } while (start < utf8.size());
    return words;
}

}  // namespace

bool EncodeHeaderWord(std::string& text, std::size_t capacity) {
    if (capacity < kMinimumEncodeCapacity) {
        return false;
    }
    std::string encoded;
    if (FitsLatin1(text)) {
        const std::string latin1 = Utf8ToLatin1(text);
        encoded = MakeEncodedWord(kEncodedPrefix, latin1, PreferBase64(latin1));
    } else {
        encoded = EncodedUtf8Words(ValidUtf8(text));
    }
    // The words are stored with a terminating NUL in a field of `capacity` bytes.
    if (encoded.size() + 1 > capacity) {
        return false;
    }
    text = std::move(encoded);
    return true;
}

std::string RawHeaderText(std::string_view bytes) {
    return IsUtf8(bytes) ? std::string(bytes) : Windows1252ToUtf8(bytes);
}

namespace {

// Whether `value` holds an 8-bit byte, a NUL or the "=?" of an encoded word:
// one pass over the plain ASCII of most fields.
bool MayNeedDecoding(std::string_view value) {
    for (std::size_t i = 0; i < value.size(); ++i) {
        const auto byte = static_cast<unsigned char>(value[i]);
        if (byte >= 0x80 || byte == 0 || (byte == '=' && i + 1 < value.size() && value[i + 1] == '?')) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool DecodeHeaderWords(std::string& text) {
    const std::string_view value = text;
    if (!MayNeedDecoding(value)) {
        return true;
    }
    // Raw header bytes are UTF-8 when they are well formed (RFC 6532 section
    // 3.2), else Windows-1252; the encoded words themselves are ASCII.
    const bool raw_utf8 = IsUtf8(value);
    if (raw_utf8 && value.find("=?") == std::string_view::npos &&
        value.find('\0') == std::string_view::npos) {
        return true;  // nothing to decode
    }
    std::string out;
    out.reserve(text.size());
    // The bytes of consecutive words in one charset are converted together:
    // senders split a character across two words although RFC 2047 section 5
    // forbids it.
    std::string word_bytes;
    std::string_view word_charset;
    const auto flush_words = [&] {
        if (!word_bytes.empty()) {
            AppendDecodedCharset(word_bytes, word_charset, out);
            word_bytes.clear();
        }
    };
    std::size_t raw_start = 0;
    std::size_t i = 0;
    const auto flush_raw = [&](std::size_t end) {
        if (end > raw_start) {
            flush_words();
            const std::string_view raw = value.substr(raw_start, end - raw_start);
            if (raw_utf8) {
                out += raw;
            } else {
                out += Windows1252ToUtf8(raw);
            }
        }
    };
    while (i < value.size()) {
        if (!StartsEncodedWord(value.substr(i))) {
            ++i;
            continue;
        }
        const std::optional<EncodedWord> word = ReadEncodedWord(value.substr(i));
        if (!word) {
            // One malformed word leaves every word of the value as it stands.
            text = RawHeaderText(value);
            return false;
        }
        flush_raw(i);
        if (!EqualsIgnoreAsciiCase(word->charset, word_charset)) {
            flush_words();
            word_charset = word->charset;
        }
        if (word->letter == 'B') {
            // An undecodable B text contributes nothing; the word itself is
            // well formed.
            word_bytes += DecodeBase64Text(word->encoded);
        } else {
            AppendQDecoded(word->encoded, word_bytes);
        }
        // Whatever sticks to the "?=" up to the next blank is dropped.
        i += word->length;
        i = FindFirst(value, i, IsWhiteSpace);
        // White space between two encoded words is not shown (RFC 2047
        // section 6.2); before other text it stays.
        const std::size_t next = FindFirst(value, i, IsNotWhiteSpace);
        if (next < value.size() && StartsEncodedWord(value.substr(next))) {
            i = next;
        }
        raw_start = i;
    }
    flush_raw(value.size());
    flush_words();
    // The value is a C string in every field it is shown or stored in: a
    // decoded NUL ends it.
    const std::size_t nul = out.find('\0');
    if (nul != std::string::npos) {
        out.resize(nul);
    }
    text = std::move(out);
    return true;
}

}  // namespace tarvox
