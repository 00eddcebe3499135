#include "compose/quoting.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace tarvox {
namespace {

std::string Repeat(std::string_view text, std::size_t count) {
    std::string repeated;
    for (std::size_t i = 0; i < count; ++i) {
        repeated += text;
    }
    return repeated;
}

TEST(CollectViewerText, Lines) {
    const std::string sixty(60, 'a');
    const std::string sixty_one(61, 'b');
    const std::tuple<const char*, std::vector<std::string>, std::string> cases[] = {
        {"short lines end with LF", {"one\r\n", "two\r\n"}, "one\ntwo\n"},
        {"a line of 60 characters ends", {sixty + "\r\n", "next\r\n"}, sixty + "\nnext\n"},
        {"a line of 61 characters goes on after a blank", {sixty_one, "rest\r\n"}, sixty_one + " rest\n"},
        {"no second blank after one already there", {sixty_one + " ", "rest\r\n"}, sixty_one + " rest\n"},
        {"a long paragraph end also joins", {sixty_one + "\r\n", "next\r\n"}, sixty_one + " next\n"},
        {"tabs become four blanks", {"a\tb\r\n"}, "a    b\n"},
        {"the 60 counts the tab as one", {"\t" + std::string(59, 'c') + "\r\n", "d\r\n"},
         "    " + std::string(59, 'c') + "\nd\n"},
        {"a lone dot with fewer than 5 lines is left out", {"a\r\n", ".\r\n", "b\r\n"}, "a\nb\n"},
        {"a lone dot with 5 lines stays", {"a\r\n", ".\r\n", "b\r\n", "c\r\n", "d\r\n"}, "a\n.\nb\nc\nd\n"},
        {"a dot with other text stays", {". \r\n", "..\r\n"}, ". \n..\n"},
        {"trailing empty lines become one LF", {"a\r\n", "\r\n", "\r\n"}, "a\n"},
        {"leading empty lines stay", {"\r\n", "a\r\n"}, "\na\n"},
        {"an empty editor gives one LF", {}, "\n"},
        {"the 60 counts characters", {Repeat("é", 60) + "\r\n", "d\r\n"}, Repeat("é", 60) + "\nd\n"},
        {"at most 1024 characters of a line", {std::string(1030, 'x') + "\r\n", "y\r\n"},
         std::string(1024, 'x') + " y\n"},
    };
    for (const auto& [what, lines, expected] : cases) {
        EXPECT_EQ(CollectViewerText({lines}, QuoteSelection::All), expected) << what;
    }
}

TEST(CollectViewerText, SelectionQuotesWholeLines) {
    ViewerEditorText editor{{"first line\r\n", "second line\r\n", "third line\r\n", "fourth line\r\n",
                             "fifth line\r\n"}};
    const std::string all = "first line\nsecond line\nthird line\nfourth line\nfifth line\n";
    const std::string middle = "second line\nthird line\nfourth line\n";
    // {selection start, end, quote selection, expected}; the lines start at 0, 12, 25, 37 and 50.
    const std::tuple<std::size_t, std::size_t, QuoteSelection, std::string> cases[] = {
        {15, 42, QuoteSelection::SelectedLines, middle}, {15, 42, QuoteSelection::All, all},
        {42, 15, QuoteSelection::SelectedLines, middle},  // selected backwards
        {26, 29, QuoteSelection::SelectedLines, "third line\n"},
        {26, 62, QuoteSelection::SelectedLines, "third line\nfourth line\nfifth line\n"},
        {27, 27, QuoteSelection::SelectedLines, all},  // no selection
    };
    for (const auto& [start, end, quote, expected] : cases) {
        editor.selection_start = start;
        editor.selection_end = end;
        EXPECT_EQ(CollectViewerText(editor, quote), expected) << start << " " << end;
    }
}

TEST(StripSignature, Cases) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Hello\n\n-- \nMe\nPhone\n", "Hello\n\n"}, {"Hello\n- -- \nMe\n", "Hello\n"},
        {"A\n-- \nfirst\n- -- \nsecond\n", "A\n"},
        {"A\n- -- \nx\n-- \ny\n", "A\n- -- \nx\n"},  // "\n-- \n" is looked for first
        {"No signature\n--\nhere\n", "No signature\n--\nhere\n"},
        {"-- \nat the very start\n", "-- \nat the very start\n"}, {"Text\n-- ", "Text\n-- "},
    };
    for (const auto& [text, expected] : cases) {
        std::string stripped = text;
        StripSignature(stripped);
        EXPECT_EQ(stripped, expected) << text;
    }
}

TEST(WrapText, Cases) {
    const std::string w(100, 'w'), x(72, 'x');
    constexpr QuoteMarker kMarked = QuoteMarker::Marked, kNone = QuoteMarker::None;
    const std::tuple<const char*, std::string, std::size_t, QuoteMarker, std::string> cases[] = {
        {"a word of 100 characters is cut hard at 72", w + "\n", 74, kMarked,
         "> " + w.substr(0, 72) + "\r\n> " + w.substr(72) + "\r\n"},
        {"and at 75 without the marker", w + "\n", 75, kNone,
         w.substr(0, 75) + "\r\n" + w.substr(75) + "\r\n"},
        {"a long word after a short one moves whole", "ab " + w + "\n", 74, kMarked,
         "> ab\r\n> " + w.substr(0, 72) + "\r\n> " + w.substr(72) + "\r\n"},
        {"empty lines are kept, marked", "a\n\nb\n", 74, kMarked, "> a\r\n> \r\n> b\r\n"},
        {"trailing blanks go", "a   \n", 75, kNone, "a\r\n"},
        {"a line of exactly the width stays", x + "\n", 74, kMarked, "> " + x + "\r\n"},
        {"breaks at the last word start that fits", "aaaa bbbb cccc\n", 9, kNone,
         "aaaa bbbb\r\ncccc\r\n"},
        {"a full line whose blank falls past the width adds no empty line", x + " \n", 74,
         kMarked, "> " + x + "\r\n"},
        {"nor does one that ends a longer paragraph", "aaaa bbbb ccccccccc \nd\n", 9, kNone,
         "aaaa bbbb\r\nccccccccc\r\nd\r\n"},
        {"text after the last LF is left out", "a\nb", 75, kNone, "a\r\n"},
        {"a width below the marker still ends", "abc\n", 1, kMarked, "> a\r\n> b\r\n> c\r\n"},
        {"the width counts characters", Repeat("日", 100) + "\n", 74, kMarked,
         "> " + Repeat("日", 72) + "\r\n> " + Repeat("日", 28) + "\r\n"},
        {"and breaks before a word of them", "ab " + Repeat("ü", 8) + "\n", 9, kNone,
         "ab\r\n" + Repeat("ü", 8) + "\r\n"},
    };
    for (const auto& [what, text, width, marker, expected] : cases) {
        EXPECT_EQ(WrapText(text, width, marker), expected) << what;
    }
}

}  // namespace
}  // namespace tarvox
