// What a POP3 server says it can do, from its reply to CAPA (RFC 2449
// section 5): the capabilities the session acts on, and the exchange that
// asks for them. A server that refuses CAPA, or answers with something that
// does not parse, is treated as offering none of them: the session then
// works exactly as with a plain RFC 1939 server.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/net_connection.h"

namespace tarvox {

struct PopCapabilities {
    bool pipelining = false;  // RFC 2449 section 6.6: commands may be sent ahead of replies
    bool top = false;
    bool uidl = false;
    bool stls = false;
    // The mechanisms listed after SASL, as the server spelled them.
    std::vector<std::string> sasl;

    bool operator==(const PopCapabilities&) const = default;
};

// The CAPA reply as read from the server is bounded by this size: a reply
// that fills size - 1 bytes without its end fails the read as a reply line
// without a CR LF does.
inline constexpr std::size_t kCapabilityReplySize = 16384;

// Parses one whole CAPA reply: the "+OK" status line, one capability a line
// (names in any letter case, arguments after single spaces, dot-stuffing
// undone) and the "." end line. Nothing when the status is not positive, a
// line is empty or the reply does not end exactly with its end line.
// Capabilities the session does not use are skipped.
std::optional<PopCapabilities> ParsePopCapabilities(std::string_view reply);

// Sends CAPA and reads its reply whole into `capabilities`, which is left
// empty when the server refuses CAPA or the reply does not parse. Returns
// the network result: on failure the caller gives up on the connection.
NetResult AskPopCapabilities(NetConnection& connection, PopCapabilities& capabilities);

}  // namespace tarvox
