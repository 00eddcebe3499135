// Pieces the POP3 and SMTP tests share: joined scripts, a plain loopback connection, the boxes shown.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "net/net_connection.h"
#include "support/scripted_server.h"
#include "support/scripted_services.h"

namespace tarvox {

using Script = std::vector<ScriptStep>;
using Lines = std::vector<std::string>;

inline const Script kPopQuit = {script::Expect("QUIT\r\n"), script::Send("+OK bye\r\n"), script::ExpectClosed()};

// The reply of a server that knows no CAPA (RFC 1939 only): the session goes on without capabilities.
inline const Script kCapaRefused = {script::Expect("CAPA\r\n"), script::Send("-ERR unknown command\r\n")};

inline Script Join(std::initializer_list<Script> parts) {
    Script steps;
    for (const Script& part : parts) {
        steps.insert(steps.end(), part.begin(), part.end());
    }
    return steps;
}

inline NetResult ConnectTo(NetConnection& connection, const ScriptedServer& server) {
    NetAddress address;
    EXPECT_TRUE(ResolveHost("127.0.0.1", server.port(), address));
    return connection.Connect(false, address);
}

// "caption: text" of every box shown, the text alone without a caption; each box must bear `icon`.
inline Lines BoxTexts(const ScriptedServices& services, BoxIcon icon = BoxIcon::Error) {
    Lines texts;
    for (const MessageBoxRequest& box : services.Boxes()) {
        EXPECT_EQ(box.icon, icon) << box.text;
        texts.push_back(box.caption.empty() ? box.text : box.caption + ": " + box.text);
    }
    return texts;
}

}  // namespace tarvox
