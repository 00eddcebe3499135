#include "addressbook/address_book.h"

#include <gtest/gtest.h>

namespace tarvox {
namespace {

AddressBooks Books() {
    AddressBooks books;
    books.books = {
        {"Friends", {{"Ann Smith", "ann@a.example"}, {"Bob Jones", "bob@b.example"}, {"Jörg", "joerg@c.example"}}},
        {"Work", {{"Carol", "carol@work.example"}, {"Dave Smithers", "dave@work.example"}}},
        {"friends", {{"Eve", "eve@e.example"}}},
    };
    books.recently_used = {"Frank <frank@f.example>", "\"Grace Hopper\" <grace@g.example>", "frank.two@f.example"};
    return books;
}

TEST(FindAddressBook, ExactNameOnly) {
    AddressBooks books = Books();
    books.books.push_back({"", {}});
    // {name, entries of the book found (-1: none)}
    const std::pair<std::string, int> cases[] = {
        {"Friends", 3}, {"friends", 1}, {"FRIENDS", -1}, {"Friend", -1}, {"", -1}};
    for (const auto& [name, entries] : cases) {
        const AddressBook* found = FindAddressBook(std::as_const(books), name);
        EXPECT_EQ(found ? static_cast<int>(found->entries.size()) : -1, entries) << name;
    }
    // The editable overload finds the same book.
    EXPECT_EQ(FindAddressBook(books, "Work"), FindAddressBook(std::as_const(books), "Work"));
}

// Only ASCII letters are folded; recently used addresses are not part of a search.
TEST(SearchAddressBooks, CopiesMatchesInBookAndEntryOrder) {
    using Entries = std::vector<AddressBookEntry>;
    const std::pair<const char*, Entries> cases[] = {
        {"SMITH", {{"Ann Smith", "ann@a.example"}, {"Dave Smithers", "dave@work.example"}}},
        {"WORK.example", {{"Carol", "carol@work.example"}, {"Dave Smithers", "dave@work.example"}}},
        {"e.example", {{"Eve", "eve@e.example"}}}, {"Jö", {{"Jörg", "joerg@c.example"}}},
        {"JÖ", {}}, {"grace", {}}, {"nobody", {}},
    };
    for (const auto& [text, entries] : cases) {
        EXPECT_EQ(SearchAddressBooks(Books(), text).entries, entries) << text;
    }
}

TEST(ResolveAddress, BooksFirstThenRecentlyUsed) {
    const AddressBooks books = Books();
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"ann", "ann@a.example"}, {"BOB@B", "bob@b.example"},  // a name, an address
        {"carol@work.example", "carol@work.example"},
        {"smith", std::nullopt},  // Ann Smith and Dave Smithers, two books
        {"o", std::nullopt}, {".example", std::nullopt}, {"nobody", std::nullopt}, {"", std::nullopt},
        {"grace", "\"Grace Hopper\" <grace@g.example>"},  // only recently used
        {"FRANK", "Frank <frank@f.example>"},              // the oldest of two
        {"two@", "frank.two@f.example"},
    };
    for (const auto& [partial, expected] : cases) {
        EXPECT_EQ(ResolveAddress(books, partial), expected) << partial;
    }
    // Two matches inside one book are just as ambiguous.
    AddressBooks one_book;
    one_book.books = {{"B", {{"Ann", "x@x.example"}, {"Anna", "y@y.example"}}}};
    one_book.recently_used = {"Ann <recent@r.example>"};
    EXPECT_EQ(ResolveAddress(one_book, "ann"), std::nullopt);
    EXPECT_EQ(ResolveAddress(one_book, "anna"), "y@y.example");
}

TEST(RememberRecipients, NewestLastOneEntryPerAddressAHundredAtMost) {
    AddressBooks books;
    books.recently_used = {"Old Ann <ANN@a.example>", "bob@b.example", "carol@c.example"};
    RememberRecipients(books, "New Ann <ann@A.example>, dave@d.example", "carol@c.example",
                       "\"Eve, E.\" <eve@e.example>");
    EXPECT_EQ(books.recently_used,
              (std::vector<std::string>{"bob@b.example", "New Ann <ann@A.example>", "dave@d.example",
                                        "carol@c.example", "\"Eve, E.\" <eve@e.example>"}));
    // Nothing typed changes nothing.
    const std::vector<std::string> before = books.recently_used;
    RememberRecipients(books, "", "", "");
    EXPECT_EQ(books.recently_used, before);
    // A hundred and twenty recipients leave the hundred newest.
    std::string to;
    for (int i = 0; i < 120; ++i) {
        to += (i ? ", " : "") + std::string("user") + std::to_string(i) + "@x.example";
    }
    RememberRecipients(books, to, "", "");
    ASSERT_EQ(books.recently_used.size(), 100u);
    for (std::size_t i = 0; i < 100; ++i) {
        EXPECT_EQ(books.recently_used[i], "user" + std::to_string(i + 20) + "@x.example");
    }
    // One more recipient that is already listed moves to the end, no drop.
    RememberRecipients(books, "", "USER50@x.example", "");
    ASSERT_EQ(books.recently_used.size(), 100u);
    EXPECT_EQ(books.recently_used.front(), "user20@x.example");
    EXPECT_EQ(books.recently_used.back(), "USER50@x.example");
}

}  // namespace
}  // namespace tarvox
