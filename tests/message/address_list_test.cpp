#include "message/address_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvox {
namespace {

// One line per entry, so that a failure shows which part differs.
std::string Describe(const AddressList& list) {
    std::string text;
    for (const AddressEntry& entry : list) {
        text += "address[" + entry.address + "] name[" + entry.name + "] raw[" + entry.raw + "]\n";
    }
    return text;
}

TEST(ParseAddressList, SplitsTheFormsMailersWrite) {
    const std::pair<std::string, AddressList> cases[] = {  // {address, name, raw}
        {"a@b.example", {{"a@b.example", "", "a@b.example"}}},
        {"Jo Bloggs <jo@x.example>", {{"jo@x.example", "Jo Bloggs", "Jo Bloggs <jo@x.example>"}}},
        {" Jo \t <jo@x>", {{"jo@x", "Jo", "Jo \t <jo@x>"}}},  // blanks before "<" are not name
        {"<jo@x>", {{"jo@x", "", "<jo@x>"}}},
        // The comma inside quotes does not split the entry.
        {"\"Doe, Jane\" <jane@x>", {{"jane@x", "Doe, Jane", "\"Doe, Jane\" <jane@x>"}}},
        {"\"a \\\"b\\\" c\" <x@y>", {{"x@y", "a \\\"b\\\" c", "\"a \\\"b\\\" c\" <x@y>"}}},
        // An address followed by a name in parentheses, or the other way round.
        {"carol@x (Carol C)", {{"carol@x", "Carol C", "carol@x (Carol C)"}}},
        {"(Carol) carol@x", {{"carol@x", "Carol", "(Carol) carol@x"}}},
        {"\"Carol\" carol@x", {{"carol@x", "Carol", "\"Carol\" carol@x"}}},
        // "@" turns the word being read into the address; the name is lost.
        {"John Doe jd@x", {{"jd@x", "", "John Doe jd@x"}}},
        // A bare word made of address characters is copied into the address.
        {"postmaster", {{"postmaster", "postmaster", "postmaster"}}},
        {"Jo Bloggs", {{"", "Jo Bloggs", "Jo Bloggs"}}},
        // An encoded name is cleared; the raw text keeps it.
        {"=?iso-8859-1?Q?J=E9r=F4me?= <j@x>", {{"j@x", "", "=?iso-8859-1?Q?J=E9r=F4me?= <j@x>"}}},
        {"Jo <jo@x", {{"jo@x", "Jo", "Jo <jo@x"}}},  // open parts close at the entry's end
        // Commas and line feeds separate entries; empty entries give nothing.
        {"a@x, B <b@x>,,\n c@x ,",
         {{"a@x", "", "a@x"}, {"b@x", "B", "B <b@x>"}, {"c@x", "", "c@x"}}},
        {" , \"\" , <>", {}},
        {"", {}},
    };
    for (const auto& [text, expected] : cases) {
        AddressList list = {{"first@x", "", "first@x"}};  // entries are appended behind it
        EXPECT_EQ(ParseAddressList(text, list), expected.size()) << text;
        list.erase(list.begin());
        EXPECT_EQ(Describe(list), Describe(expected)) << text;
    }
}

TEST(BareAddresses, KeepsOnlyTheAddressesOfAField) {
    EXPECT_EQ(BareAddresses("\"Doe, Jane\" <jane@x>, carol@x (Carol), Jo Bloggs, <b@y>"),
              "jane@x, carol@x, b@y");
}

}  // namespace
}  // namespace tarvox
