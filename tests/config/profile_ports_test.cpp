#include "config/profile_ports.h"

#include <gtest/gtest.h>

#include <tuple>

namespace tarvox {
namespace {

TEST(FirstBadPort, ThePop3PortFirstThenTheSmtpPort) {
    using enum PortField;
    // {POP3 port, SMTP port, the first that is no port}
    const std::tuple<int, int, PortField> cases[] = {
        {110, 25, None},  {1, 65535, None}, {0, 25, Pop3},      {65536, 25, Pop3},
        {-110, 25, Pop3}, {110, 0, Smtp},   {995, 65536, Smtp}, {0, 70000, Pop3},
    };
    for (const auto& [pop3, smtp, expected] : cases) {
        Profile profile;
        profile.port = pop3;
        profile.SMTPport = smtp;
        EXPECT_EQ(FirstBadPort(profile), expected) << pop3 << " / " << smtp;
    }
}

}  // namespace
}  // namespace tarvox
