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
        JunkVerdict expected;
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
        {0x3f, "Someone <>", "hi", one, {}, JunkVerdict::EmptyFrom},
        {0x3f, "Someone ( )", "hi", one, {}, JunkVerdict::EmptyFrom},
        {0x3e, "Someone <>", "hi", one, {}, JunkVerdict::FromMissingAt},
        // Rule 1 before rule 4 when the sender has no at-sign.
        {0x09, "()", "hi", one, {}, JunkVerdict::EmptyFrom},
        {0x08, "()", "hi", one, {}, JunkVerdict::FromMissingAt},
        {0x02, "a@b", "cheap    pills", one, {}, JunkVerdict::SubjectSpaces},
        // Four blanks each with one character before the next blank.
        {0x02, "a@b", "a F R E E pills", one, {}, JunkVerdict::SubjectSpaces},
        {0x02, "a@b", "F R E E pills", one, {}, JunkVerdict::NotJunk},
        // Five entries, three pairs agree in their first three letters: 3/5.
        {0x04, "a@b", "hi", similar_names, {}, JunkVerdict::SimilarUsernames},
        {0x04, "a@b", "hi", Recipients({{"john1@a", ""}, {"JOHN2@b", ""}, {"x@d", ""}}),
         Recipients({{"y@e", ""}, {"z@f", ""}}), JunkVerdict::NotJunk},
        // To and Cc count as one list.
        {0x20, "a@b", "hi", four_same_domain, Recipients({{"f@d.example", ""}}),
         JunkVerdict::SimilarDomains},
        {0x20, "a@b", "hi", four_same_domain, {}, JunkVerdict::NotJunk},
        // Entries with a display name do not count for the domain rule.
        {0x20, "a@b", "hi", mostly_named, {}, JunkVerdict::NotJunk},
        {0x10, "a@b", "hi", {}, {}, JunkVerdict::ToMissingAddress},
        {0x10, "a@b", "hi", bare_word_first, {}, JunkVerdict::ToMissingAddress},
        {0x10, "a@b", "hi", one, {}, JunkVerdict::NotJunk},
        {0x00, "", "    ", {}, {}, JunkVerdict::NotJunk},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HeuristicVerdict(c.bits, c.from, c.subject, c.to, c.cc), c.expected)
            << "bits " << c.bits << " from[" << c.from << "] subject[" << c.subject << "]";
    }
}

}  // namespace
}  // namespace tarvox
