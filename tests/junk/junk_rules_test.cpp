#include "junk/junk_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codec/base64.h"

namespace tarvox {
namespace {

using namespace std::string_literals;

// Recipients given by raw text only; the term lists look at nothing else.
AddressList Raw(std::initializer_list<std::string> raws) {
    AddressList list;
    for (const std::string& raw : raws) {
        list.push_back({"", "", raw});
    }
    return list;
}

TEST(MatchTermList, FindsTermsInSubjectFromAndRawRecipients) {
    struct Case {
        std::string terms;
        std::string subject;
        std::string from;
        AddressList to;
        AddressList cc;
        bool expected;
    };
    const Case cases[] = {
        {"viagra", "Buy VIAGRA now", "", {}, {}, true},
        {"casino,lottery", "", "Lottery Office <x@y>", {}, {}, true},
        {"winner", "", "", Raw({"a@x"}), Raw({"b@x", "Winner <w@x>"}), true},
        {"winner", "", "", {{"winner@x", "Winner", "other"}}, {}, false},
        // Items are used as typed: a leading blank must be matched too.
        {"zz, deal", "ideal offer", "", {}, {}, false},
        {"zz, deal", "a deal", "", {}, {}, true},
        {",,", "anything", "", {}, {}, false},
        {"", "anything", "", {}, {}, false},
        {"caf\xe9", "CAF\xe9", "", {}, {}, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchTermList(c.terms, c.subject, c.from, c.to, c.cc), c.expected)
            << c.terms << " / " << c.subject;
    }
}

TEST(MatchWildcard, OneRestartPointNoBacktracking) {
    struct Case {
        std::string pattern;
        std::string text;
        bool expected;
    };
    const Case cases[] = {
        {"", "", true}, {"", "a", false}, {"*", "", true}, {"*", "anything at all", true},
        {"**", "x", true}, {"?", "", false}, {"?", "x", true}, {"a?c", "ABC", true},
        {"abc", "abcd", false}, {"abcd", "abc", false}, {"a*", "abc", true}, {"*c", "abc", true},
        {"*b", "abc", false}, {"a*c*e", "abcde", true},
        {"X-Example-Header: *spam*", "x-example-header: buy SPAM now", true},
        {"X-Example-Header: *spam*", "X-Example-Header: spam", true},
        {"X-Example-Header: *spam*", "X-Example-Header:spam", false},
        {"X-Example-Header: *spam*", "X-Other-Header: spam", false},
        // A backtracking matcher would accept these.
        {"*aab*", "aaab", false}, {"*ab", "aab", true}, {"*aab", "xaaab", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchWildcard(c.pattern, c.text), c.expected)
            << "pattern[" << c.pattern << "] text[" << c.text << "]";
    }
}

TEST(MatchPatternList, TriesEachDecodablePattern) {
    struct Case {
        std::string patterns;
        std::string line;
        bool expected;
    };
    const std::string spam = EncodeBase64("X-Spam-Flag: YES");
    const Case cases[] = {
        {spam, "x-spam-flag: yes", true},
        {EncodeBase64("Subject: a") + "," + spam, "X-Spam-Flag: YES", true},
        {"not base64," + spam, "X-Spam-Flag: YES", true},
        {"not base64", "not base64", false},
        {EncodeBase64("a,b"), "A,B", true},
        // A decoded pattern ends at a NUL byte.
        {EncodeBase64("X-A: *\0junk"s), "X-A: 1", true},
        {"", "", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MatchPatternList(c.line, c.patterns), c.expected)
            << c.patterns << " / " << c.line;
    }
}

AddressList Recipients(std::initializer_list<std::pair<std::string, std::string>> entries) {
    AddressList list;
    for (const auto& [address, name] : entries) {
        list.push_back({address, name, address});
    }
    return list;
}

TEST(HeuristicVerdict, FirstRuleThatFiresInOrder) {
    struct Case {
        int bits;
        std::string from;
        std::string subject;
        AddressList to;
        AddressList cc;
        std::uint32_t expected;
    };
    const AddressList one = Recipients({{"me@home.example", ""}});
    const AddressList four_same_domain = Recipients(
        {{"a@d.example", ""}, {"b@d.example", ""}, {"c@D.EXAMPLE", ""}, {"e@d.example", ""}});
    const AddressList similar_names =
        Recipients({{"john1@a", ""}, {"JOHN2@b", ""}, {"joh@c", ""}, {"x@d", ""}, {"y@e", ""}});
    const AddressList mostly_named = Recipients({{"a@d.example", ""},
                                                 {"b@d.example", ""},
                                                 {"c@d.example", "C"},
                                                 {"e@d.example", "E"},
                                                 {"f@d.example", "F"}});
    const AddressList bare_word_first = Recipients({{"nobody", ""}, {"x@y", ""}});
    const Case cases[] = {
        {0x3f, "Someone <>", "hi", one, {}, verdict::kEmptyFrom},
        {0x3f, "Someone ( )", "hi", one, {}, verdict::kEmptyFrom},
        {0x3e, "Someone <>", "hi", one, {}, verdict::kFromMissingAt},
        // Rule 1 before rule 4 when the sender has no at-sign.
        {0x09, "()", "hi", one, {}, verdict::kEmptyFrom},
        {0x08, "()", "hi", one, {}, verdict::kFromMissingAt},
        {0x02, "a@b", "cheap    pills", one, {}, verdict::kSubjectSpaces},
        // Four blanks each with one character before the next blank.
        {0x02, "a@b", "a F R E E pills", one, {}, verdict::kSubjectSpaces},
        {0x02, "a@b", "F R E E pills", one, {}, verdict::kNotJunk},
        // Five entries, three pairs agree in their first three letters: 3/5.
        {0x04, "a@b", "hi", similar_names, {}, verdict::kSimilarUsernames},
        {0x04, "a@b", "hi", Recipients({{"john1@a", ""}, {"JOHN2@b", ""}, {"x@d", ""}}),
         Recipients({{"y@e", ""}, {"z@f", ""}}), verdict::kNotJunk},
        // To and Cc count as one list.
        {0x20, "a@b", "hi", four_same_domain, Recipients({{"f@d.example", ""}}),
         verdict::kSimilarDomains},
        {0x20, "a@b", "hi", four_same_domain, {}, verdict::kNotJunk},
        // Entries with a display name do not count for the domain rule.
        {0x20, "a@b", "hi", mostly_named, {}, verdict::kNotJunk},
        {0x10, "a@b", "hi", {}, {}, verdict::kToMissingAddress},
        {0x10, "a@b", "hi", bare_word_first, {}, verdict::kToMissingAddress},
        {0x10, "a@b", "hi", one, {}, verdict::kNotJunk},
        {0x00, "", "    ", {}, {}, verdict::kNotJunk},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HeuristicVerdict(c.bits, c.from, c.subject, c.to, c.cc), c.expected)
            << "bits " << c.bits << " from[" << c.from << "] subject[" << c.subject << "]";
    }
}

}  // namespace
}  // namespace tarvox
