#include "message/html_filter.h"

#include <gtest/gtest.h>

#include <iterator>
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
        {{"one<br>\r\n", "two\r\n"}, " one\r\ntwo"},
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
        {{"no line end"}, " no line end"},
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
    auto latin1 = [](unsigned code) { return std::string(1, static_cast<char>(code)); };
    const Case cases[] = {
        {"&quot;", "\""},
        {"&nbsp;", " "},
        {"&copy;", "(C)"},
        {"&reg;", "(R)"},
        {"&amp;", "&"},
        {"&lt;", "<"},
        {"&gt;", ">"},
        {"&frasl;", "/"},
        {"&lsaquo;", "<"},
        {"&rsaquo;", ">"},
        {"&lsquo;", "`"},
        {"&rsquo;", "'"},
        {"&ldquo;", "\""},
        {"&rdquo;", "\""},
        {"&trade;", "(TM)"},
        {"&frac14;", "1/4"},
        {"&frac12;", "1/2"},
        {"&frac34;", "3/4"},
        {"&times;", "x"},
        {"&cent;", latin1(162)},
        {"&deg;", latin1(176)},
        {"&para;", latin1(182)},
        {"&pound;", latin1(163)},
        {"&sect;", latin1(167)},
        {"&yen;", latin1(165)},
        {"&laquo;", latin1(171)},
        {"&raquo;", latin1(187)},
        {"&micro;", latin1(181)},
        {"&middot;", latin1(183)},
        {"&plusmn;", latin1(177)},
        {"&divide;", latin1(247)},
        {"&iexcl;", latin1(161)},
        {"&iquest;", latin1(191)},
        {"&AElig;", latin1(198)},
        {"&aelig;", latin1(230)},
        {"&Agrave;", latin1(192)},
        {"&agrave;", latin1(224)},
        {"&Aacute;", latin1(193)},
        {"&aacute;", latin1(225)},
        {"&Acirc;", latin1(194)},
        {"&acirc;", latin1(226)},
        {"&Auml;", latin1(196)},
        {"&auml;", latin1(228)},
        {"&Ccedil;", latin1(199)},
        {"&ccedil;", latin1(231)},
        {"&Egrave;", latin1(200)},
        {"&egrave;", latin1(232)},
        {"&Eacute;", latin1(201)},
        {"&eacute;", latin1(233)},
        {"&Ecirc;", latin1(202)},
        {"&ecirc;", latin1(234)},
        {"&Euml;", latin1(203)},
        {"&euml;", latin1(235)},
        {"&Ouml;", latin1(214)},
        {"&ouml;", latin1(246)},
        {"&Uuml;", latin1(220)},
        {"&uuml;", latin1(252)},
        {"&szlig;", latin1(223)},
    };
    EXPECT_EQ(std::size(cases), 58u);
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
