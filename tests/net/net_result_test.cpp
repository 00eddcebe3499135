#include "net/net_result.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace tarvox {
namespace {

TEST(NetResult, EveryCodeHasItsText) {
    const std::pair<NetResult, std::string_view> cases[] = {
        {0, "unknown error"},
        {1, "success"},
        {2, "need SSL support (not loaded)"},
        {5, "unable to connect to host"},
        {7, "SSL handshake failed"},
        {8, "unable to connect using SSL; wrong protocol?"},
        {11, "socket gracefully closed"},
        {16, "receive buffer overflow"},
        {17, "connection broken; failure or timeout"},
        {22, "no winsock buffer available"},
        {24, "aborted socket call"},
        {25, "blocking operation in progress"},
        {26, "unknown error"},
        {-1, "unknown error"},
        {1000, "unknown error"},
    };
    for (const auto& [code, text] : cases) {
        EXPECT_EQ(NetResultText(code), text) << code;
    }
}

TEST(NetResult, SocketErrorsMapAsTheirWindowsCounterparts) {
    const std::pair<int, NetResult> cases[] = {
        {EINTR, 24},      {EINPROGRESS, 25}, {ENOTSOCK, 14},     {EBADF, 14},
        {EMSGSIZE, 16},   {ENETRESET, 17},   {ECONNABORTED, 17}, {ETIMEDOUT, 17},
        {ECONNRESET, 13}, {ENOBUFS, 22},     {ENOTCONN, 12},     {ESHUTDOWN, 15},
        {EPIPE, 15},      {EHOSTUNREACH, 23}, {ENETUNREACH, 23}, {ENOENT, 0},
        {0, 0},
    };
    for (const auto& [error, code] : cases) {
        EXPECT_EQ(MapSocketError(error), code) << error;
    }
}

TEST(NetResult, TlsErrorsMap) {
    const std::pair<int, NetResult> cases[] = {{1, 21}, {2, 19}, {3, 19}, {5, 20},
                                               {6, 18}, {0, 0},  {4, 0},  {99, 0}};
    for (const auto& [error, code] : cases) {
        EXPECT_EQ(MapTlsError(error), code) << error;
    }
}

}  // namespace
}  // namespace tarvox
