#include "addressbook/book_export.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

const AddressBook kBook{"Friends",
                        {{"Ann", "ann@a.example"}, {"Bartholomew", "bart@b.example"}, {"Jörg", "j@c.example"}}};

// Text: the name between rules, then rows padded to the longest name; the
// files hold ISO-8859-1 when the book fits it.
TEST(BookExport, TextAndTabDelimitedForms) {
    EXPECT_EQ(FormatBookText(kBook),
              "-------\r\n"
              "Friends\r\n"
              "-------\r\n"
              "\r\n"
              "Ann        \tann@a.example\r\n"
              "Bartholomew\tbart@b.example\r\n"
              "J\xF6rg       \tj@c.example\r\n");
    EXPECT_EQ(FormatBookText(AddressBook{"X", {}}), "-\r\nX\r\n-\r\n\r\n");
    EXPECT_EQ(FormatBookText(AddressBook{"Y", {{"", "a@b"}}}), "-\r\nY\r\n-\r\n\r\n\ta@b\r\n");
    // Tab delimited: one line per entry, nothing else.
    EXPECT_EQ(FormatBookTabDelimited(kBook),
              "Ann\tann@a.example\r\nBartholomew\tbart@b.example\r\nJ\xF6rg\tj@c.example\r\n");
    EXPECT_EQ(FormatBookTabDelimited(AddressBook{"Empty", {}}), "");
}

}  // namespace
}  // namespace tarvox
