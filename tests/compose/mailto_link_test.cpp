#include "compose/mailto_link.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace tarvox {
namespace {

TEST(MailtoLink, FieldsFromAddressAndHfields) {
    const std::pair<std::string, MailtoFields> cases[] = {
        {"", {}},
        {"a@x,b%40y?to=c@z&CC=d%40w&Bcc=e@v&cc=f@u", {"a@x,b@y, c@z", "d@w, f@u", "e@v"}},
        // The first subject and body count; unknown hfields and ones without "=" are ignored.
        {"?subject=Hi%20there&SUBJECT=2nd&x-other=1&to&body=1%0A2%0D%0A3%0D4&body=no",
         {"", "", "", "Hi there", "1\r\n2\r\n3\r\n4"}},
        // "+" is no blank; empty values add nothing.
        {"a+tag@example.org?subject=1+1%3D2&cc=&to=", {"a+tag@example.org", "", "", "1+1=2"}},
        // ISO-8859-1 octets of old links; line breaks in a header field are blanks; a NUL ends
        // the field.
        {"?subject=caf%E9%0D%0Ax%00rest&body=caf%C3%A9", {"", "", "", "café  x", "café"}},
        {"?to=" + std::string(600, 'a') + "&subject=" + std::string(510, 's') + "%C3%A9",
         {std::string(511, 'a'), "", "", std::string(510, 's')}},
        {"?body=" + std::string(70000, 'b'), {"", "", "", "", std::string(kMailtoBodyLength, 'b')}},
    };
    for (const auto& [link, e] : cases) {
        const MailtoFields f = ParseMailtoLink(link);
        EXPECT_EQ(std::tie(f.to, f.cc, f.bcc, f.subject, f.body),
                  std::tie(e.to, e.cc, e.bcc, e.subject, e.body))
            << link.substr(0, 80);
    }
}

}  // namespace
}  // namespace tarvox
