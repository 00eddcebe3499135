#include "codec/stored_text.h"

#include "codec/latin1.h"
#include "codec/utf8.h"

namespace tarvox {

std::string ToStoredText(std::string_view utf8) {
    if (!FitsLatin1(utf8)) {
        return std::string(utf8);
    }
    std::string latin1 = Utf8ToLatin1(utf8);
    // "Ã¤" in ISO-8859-1 is the UTF-8 of "ä": such text keeps its UTF-8 form.
    return IsMultiByteUtf8(latin1) ? std::string(utf8) : latin1;
}

std::string FromStoredText(std::string_view stored) {
    return IsMultiByteUtf8(stored) ? std::string(stored) : Latin1ToUtf8(stored);
}

}  // namespace tarvox
