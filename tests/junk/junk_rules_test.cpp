#include "junk/junk_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "codec/base64.h"

namespace tarvox {
namespace {

using namespace std::string_literals;

// Recipients with one text as address and raw text, and a display name.
AddressList Entries(std::initializer_list<std::pair<std::string, std::string>> entries) {
    AddressList list;
    for (const auto& [text, name] : entries) {
        list.push_back({text, name, text});
    }
    return list;
}

TEST(MatchTermList, FindsTermsInSubjectFromAndRawRecipients) {
    const std::tuple<std::string, std::string, std::string, AddressList, AddressList, bool>
        cases[] = {
            {"viagra", "Buy VIAGRA now", "", {}, {}, true},
            {"casino,lottery", "", "Lottery Office <x@y>", {}, {}, true},
            {"winner", "", "", Entries({{"a@x", ""}}), Entries({{"Winner <w@x>", ""}}), true},
            {"winner", "", "", {{"winner@x", "Winner", "other"}}, {}, false},  // raw text only
            // Items are used as typed: a leading blank must be matched too.
            {"zz, deal", "ideal offer", "", {}, {}, false},
            {"zz, deal", "a deal", "", {}, {}, true},
            {",,", "anything", "", {}, {}, false}, {"", "anything", "", {}, {}, false},
            {"café", "CAFé", "", {}, {}, true},
        };
    for (const auto& [terms, subject, from, to, cc, expected] : cases) {
        EXPECT_EQ(MatchTermList(terms, subject, from, to, cc), expected) << terms << "/" << subject;
    }
}

TEST(MatchWildcard, OneRestartPointNoBacktracking) {
    const std::string header = "X-Example-Header: *spam*";
    const std::tuple<std::string, std::string, bool> cases[] = {
        {"", "", true}, {"", "a", false}, {"*", "", true}, {"*", "anything at all", true},
        {"**", "x", true}, {"?", "", false}, {"?", "x", true}, {"a?c", "ABC", true},
        {"abc", "abcd", false}, {"abcd", "abc", false}, {"a*", "abc", true}, {"*c", "abc", true},
        {"*b", "abc", false}, {"a*c*e", "abcde", true},
        {header, "x-example-header: buy SPAM now", true}, {header, "X-Example-Header: spam", true},
        {header, "X-Example-Header:spam", false}, {header, "X-Other-Header: spam", false},
        // A backtracking matcher would accept these.
        {"*aab*", "aaab", false}, {"*ab", "aab", true}, {"*aab", "xaaab", false},
    };
    for (const auto& [pattern, text, expected] : cases) {
        EXPECT_EQ(MatchWildcard(pattern, text), expected) << pattern << " / " << text;
    }
}

TEST(MatchPatternList, TriesEachDecodablePattern) {
    const std::string spam = EncodeBase64("X-Spam-Flag: YES");
    const std::tuple<std::string, std::string, bool> cases[] = {
        {spam, "x-spam-flag: yes", true},
        {EncodeBase64("Subject: a") + "," + spam, "X-Spam-Flag: YES", true},
        {"not base64," + spam, "X-Spam-Flag: YES", true}, {"not base64", "not base64", false},
        {EncodeBase64("a,b"), "A,B", true},
        {EncodeBase64("X-A: *\0junk"s), "X-A: 1", true},  // a decoded pattern ends at a NUL
        {"", "", false},
        // Raw header lines meet the patterns in their stored form: ISO-8859-1, or UTF-8.
        {EncodeBase64("Subject: *Caf\xe9*"), "Subject: Caf\xe9 au lait", true},
        {EncodeBase64("Subject: *日本*"), "Subject: 日本語", true},
    };
    for (const auto& [patterns, line, expected] : cases) {
        EXPECT_EQ(MatchPatternList(line, patterns), expected) << patterns << " / " << line;
    }
}

TEST(HeuristicVerdict, FirstRuleThatFiresInOrder) {
    using enum JunkVerdict;
    const AddressList one = Entries({{"me@home.example", ""}});
    const AddressList same_domain = Entries(
        {{"a@d.example", ""}, {"b@d.example", ""}, {"c@D.EXAMPLE", ""}, {"e@d.example", ""}});
    const AddressList similar_names =
        Entries({{"john1@a", ""}, {"JOHN2@b", ""}, {"joh@c", ""}, {"x@d", ""}, {"y@e", ""}});
    const AddressList mostly_named = Entries({{"a@d.example", ""}, {"b@d.example", ""},
        {"c@d.example", "C"}, {"e@d.example", "E"}, {"f@d.example", "F"}});
    const std::tuple<int, std::string, std::string, AddressList, AddressList, JunkVerdict> cases[] = {
        {0x3f, "Someone <>", "hi", one, {}, EmptyFrom},
        {0x3f, "Someone ( )", "hi", one, {}, EmptyFrom},
        {0x3e, "Someone <>", "hi", one, {}, FromMissingAt},
        {0x09, "()", "hi", one, {}, EmptyFrom},  // rule 1 before rule 4
        {0x08, "()", "hi", one, {}, FromMissingAt},
        {0x02, "a@b", "cheap    pills", one, {}, SubjectSpaces},
        // Four blanks each with one character before the next blank.
        {0x02, "a@b", "a F R E E pills", one, {}, SubjectSpaces},
        {0x02, "a@b", "F R E E pills", one, {}, NotJunk},
        // Three pairs of five entries agree in their first three letters.
        {0x04, "a@b", "hi", similar_names, {}, SimilarUsernames},
        {0x04, "a@b", "hi", Entries({{"john1@a", ""}, {"JOHN2@b", ""}, {"x@d", ""}}),
         Entries({{"y@e", ""}, {"z@f", ""}}), NotJunk},
        // To and Cc count as one list; entries with a display name do not count.
        {0x20, "a@b", "hi", same_domain, Entries({{"f@d.example", ""}}), SimilarDomains},
        {0x20, "a@b", "hi", same_domain, {}, NotJunk},
        {0x20, "a@b", "hi", mostly_named, {}, NotJunk},
        {0x10, "a@b", "hi", {}, {}, ToMissingAddress},
        {0x10, "a@b", "hi", Entries({{"nobody", ""}, {"x@y", ""}}), {}, ToMissingAddress},
        {0x10, "a@b", "hi", one, {}, NotJunk}, {0x00, "", "    ", {}, {}, NotJunk},
    };
    for (const auto& [bits, from, subject, to, cc, expected] : cases) {
        EXPECT_EQ(HeuristicVerdict(bits, from, subject, to, cc), expected)
            << "bits " << bits << " from[" << from << "] subject[" << subject << "]";
    }
}

TEST(WithJunkRules, ReplacesTheRuleBitsAndKeepsTheOthers) {
    const std::tuple<int, int, int> cases[] = {  // filterbits, checked rules, result
        {0x101, 0x02, 0x102}, {0x7f, 0, 0}, {0x180, 0x7f, 0x1ff}, {0, 0x180, 0}};
    for (const auto& [filterbits, rules, expected] : cases) {
        EXPECT_EQ(WithJunkRules(filterbits, rules), expected) << filterbits << " " << rules;
    }
}

}  // namespace
}  // namespace tarvox
