#include "config/stored_password.h"

#include "codec/letter_hex.h"
#include "codec/stored_text.h"
#include "codec/utf8.h"
#include "config/global_settings.h"

namespace tarvox {

namespace {

// A password is a C string in a 512-byte buffer.
std::string_view AsCString(std::string_view bytes, std::size_t capacity) {
    std::size_t end = bytes.find('\0');
    if (end == std::string_view::npos) {
        end = bytes.size();
    }
    return bytes.substr(0, std::min(end, capacity - 1));
}

}  // namespace

// The stored form of the text, cut whole characters at a time to what the
// buffer holds.
std::string StoredBytes(std::string_view password) {
    return std::string(
        Utf8Prefix(ToStoredText(AsCString(password, kFieldCapacity)), kFieldCapacity - 1));
}

std::string EncodeStoredPassword(std::string_view password, const ProfileKey* key) {
    std::string bytes = StoredBytes(password);
    if (key != nullptr) {
        bytes = ApplyProfileKey(bytes, *key);
    }
    return EncodeLetterHex(bytes);
}

std::string DecodeStoredPassword(std::string_view letters, const ProfileKey* key) {
    std::string bytes = DecodeLetterHex(letters);
    if (key != nullptr) {
        bytes = ApplyProfileKey(bytes, *key);
    }
    return FromStoredText(AsCString(bytes, kFieldCapacity));
}

std::string SealStoredPassword(std::string_view password, const SealingKey& key,
                               std::string_view context) {
    return key.Seal(StoredBytes(password), context);
}

std::optional<std::string> OpenStoredPassword(std::string_view sealed, const SealingKey& key,
                                              std::string_view context) {
    std::optional<std::string> bytes = key.Open(sealed, context);
    if (!bytes) {
        return std::nullopt;
    }
    return FromStoredText(AsCString(*bytes, kFieldCapacity));
}

}  // namespace tarvox
