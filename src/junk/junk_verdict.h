// Why a listed message counts as junk: the list or rule that caught it, or
// NotJunk. The values are those the message flags dialog names by number.
#pragma once

#include <cstdint>

namespace tarvox {

enum class JunkVerdict : std::uint32_t {
    NotJunk = 0,
    Blacklist = 1,
    NotOnWhitelist = 2,
    EmptyFrom = 3,
    SubjectSpaces = 4,
    SimilarUsernames = 5,
    FromMissingAt = 6,
    ToMissingAddress = 7,
    SimilarDomains = 8,
    Html = 9,
    NotOnWhitelistPattern = 10,
    BlacklistPattern = 11,
};

}  // namespace tarvox
