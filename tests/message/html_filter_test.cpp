#include "message/html_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvox {
namespace {

// The text of one message's lines, filtered with one state.
std::string Filtered(const std::vector<std::string>& lines) {
    HtmlFilterState state;
    std::string output;
    for (const std::string& line : lines) {
        HtmlToText(state, line, output);
    }
    return output;
}

TEST(HtmlToText, Lines) {
    struct Case {
        std::vector<std::string> lines;
        std::string text;
    };
    const Case cases[] = {
        // The first line starts with a blank, since nothing was output yet.
        {{"<p>Hello\r\n"}, " \r\nHello"},
        {{"a<br><br><br>b\r\n"}, " a\r\n\r\nb"},
        {{"a<br>b<br><br><br>c<br>d\r\n"}, " a\r\nb\r\n\r\nc\r\nd"},
        // Break counting goes on across lines.
        {{"a<br>\r\n", "<br>\r\n", "<br>b\r\n"}, " a\r\n\r\nb"},
        {{"a<BR>b<P ALIGN=center>c<H1 class=t>d</H3>e<body bgcolor=white>f</TITLE>g\r\n"},
         " a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng"},
        {{"a<br/>b<div>c</div>d<td>e</td>f\r\n"}, " abc\r\nde\r\nf"},
        {{"<u>word</u>\r\n"}, " _word_"},
        // Lines join with one blank, unless the text ends in a break or blank.
        {{"one\r\n", "two\r\n"}, " one two"},
        {{"one\t\r\n", "two\r\n"}, " one\ttwo"},
        {{"a    b\r\n"}, " a b"},
        {{"a\t\t b\r\n"}, " a\tb"},
        // A tag may span lines.
        {{"<a\r\n", "href=\"x\">link</a>\r\n"}, " link"},
        // A "<" meant as text hides up to the next ">".
        {{"a < b > c\r\n"}, " a c"},
        {{"x &gt; y &lt;z&gt; &AMP; &amp\r\n"}, " x > y <z> &AMP; &amp"},
        {{"&#169; &hellip; &euro;\r\n"}, " &#169; &hellip; &euro;"},
        // "&nbsp;" is a blank that does not collapse.
        {{"a&nbsp;&nbsp; b\r\n"}, " a  b"},
        // Script and style content is text; only their tags go.
        {{"<style>p { color: red }</style>\r\n"}, " p { color: red }"},
        {{"<script>if (a < b) go();</script>after\r\n"}, " if (a after"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Filtered(c.lines), c.text) << c.lines.front();
    }
}

TEST(HtmlToText, NamedEntities) {
    struct Case {
        const char* entity;
        std::string text;
    };
    // A sample of each kind: ASCII look-alikes and ISO-8859-1 signs and letters.
    const Case cases[] = {
        {"&quot;", "\""},    {"&nbsp;", " "},      {"&trade;", "(TM)"},  {"&frac34;", "3/4"},
        {"&lsquo;", "`"},    {"&rsquo;", "'"},     {"&lsaquo;", "<"},    {"&times;", "x"},
        {"&cent;", "\xA2"},  {"&middot;", "\xB7"}, {"&iquest;", "\xBF"}, {"&divide;", "\xF7"},
        {"&AElig;", "\xC6"}, {"&Ccedil;", "\xC7"}, {"&ouml;", "\xF6"},   {"&szlig;", "\xDF"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Filtered({std::string("x") + c.entity + "y\r\n"}), " x" + c.text + "y")
            << c.entity;
    }
}

TEST(FindLinks, Selections) {
    struct Case {
        std::string text;
        std::size_t start;
        std::size_t end;
        std::vector<std::string> links;
    };
    constexpr std::size_t kAll = std::string::npos;
    const std::string sentence = "Go to http://example.com/path now";
    const Case cases[] = {
        {"Read http://a.example/x. Then www.b.example too",
         0,
         kAll,
         {"http://a.example/x", "www.b.example"}},
        // The kinds are looked for in a fixed order, wherever each stands.
        {"www.first.example then http://second.example/", 0, kAll, {"http://second.example/"}},
        {"https://s.example/p?q=1 and ftp://f.example/file", 0, kAll, {"ftp://f.example/file"}},
        {"<http://a.example>(http://b.example)\"http://c.example\"[http://d.example]",
         0,
         kAll,
         {"http://a.example", "http://b.example", "http://c.example", "http://d.example"}},
        {"http://e.example\r\nhttp://f.example\thttps://g.example",
         0,
         kAll,
         {"http://e.example", "http://f.example", "https://g.example"}},
        {"http://x.example..", 0, kAll, {"http://x.example."}},
        {"http://www.example.com/", 0, kAll, {"http://www.example.com/"}},
        {"HTTP://X.EXAMPLE WWW.X.EXAMPLE", 0, kAll, {}},
        {"no address here", 0, kAll, {}},
        // Only the selection counts; the bounds may come in either order and
        // are clipped to the text.
        {sentence, 6, 16, {"http://exa"}},
        {sentence, 16, 6, {"http://exa"}},
        {sentence, 7, 40, {}},
        {sentence, 10, 10, {}},
        {sentence, 100, 200, {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindLinks(c.text, c.start, c.end), c.links) << c.text;
    }
}

}  // namespace
}  // namespace tarvox
