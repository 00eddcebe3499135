#include "message/html_filter.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace tarvox {
namespace {

TEST(HtmlToText, Lines) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"<p>Hello\r\n"}, " \r\nHello"}, {{"a<br><br><br>b\r\n"}, " a\r\n\r\nb"},
        {{"a<br>b<br><br><br>c<br>d\r\n"}, " a\r\nb\r\n\r\nc\r\nd"},
        {{"a<br>\r\n", "<br>\r\n", "<br>b\r\n"}, " a\r\n\r\nb"},  // counted across lines
        {{"a<BR>b<P ALIGN=center>c<H1 class=t>d</H3>e<body bgcolor=white>f</TITLE>g\r\n"},
         " a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng"},
        {{"a<br/>b<div>c</div>d<td>e</td>f\r\n"}, " abc\r\nde\r\nf"},
        // Lines join with one blank, unless the text ends in a break or blank.
        {{"<u>word</u>\r\n"}, " _word_"}, {{"one\r\n", "two\r\n"}, " one two"},
        {{"one\t\r\n", "two\r\n"}, " one\ttwo"},
        {{"a    b\r\n"}, " a b"}, {{"a\t\t b\r\n"}, " a\tb"},
        {{"<a\r\n", "href=\"x\">link</a>\r\n"}, " link"},  // a tag may span lines
        {{"a < b > c\r\n"}, " a c"},  // a "<" meant as text hides up to the next ">"
        {{"x &gt; y &lt;z&gt; &AMP; &amp\r\n"}, " x > y <z> &AMP; &amp"},
        // Numeric references give their character; other names, controls and non-characters stay.
        {{"&#169; &#x20AC;&#X41; &hellip; &euro; &#10; &#xD800; &#12\r\n"},
         " © €A &hellip; &euro; &#10; &#xD800; &#12"},
        {{"a&nbsp;&nbsp; b\r\n"}, " a  b"},  // "&nbsp;" does not collapse
        // Script and style content is text; only their tags go.
        {{"<style>p { color: red }</style>\r\n"}, " p { color: red }"},
        {{"<script>if (a < b) go();</script>after\r\n"}, " if (a after"},
        // A sample of the named entities: ASCII look-alikes, ISO-8859-1 signs and letters.
        {{"&quot;&trade;&frac34;&lsquo;&rsquo;&lsaquo;&times;\r\n"}, " \"(TM)3/4`'<x"},
        {{"&cent;&middot;&iquest;&divide;&AElig;&Ccedil;&ouml;&szlig;\r\n"},
         " ¢·¿÷ÆÇöß"},
    };
    for (const auto& [lines, text] : cases) {
        HtmlFilterState state;
        std::string output;
        for (const std::string& line : lines) {
            HtmlToText(state, line, output);
        }
        EXPECT_EQ(output, text) << lines.front();
    }
}

TEST(FindLinks, Selections) {
    constexpr std::size_t kAll = std::string::npos;
    const std::string sentence = "Go to http://example.com/path now";
    const std::tuple<std::string, std::size_t, std::size_t, std::vector<std::string>> cases[] = {
        {"Read http://a.example/x. Then www.b.example too", 0, kAll,
         {"http://a.example/x", "www.b.example"}},
        // The kinds are looked for in a fixed order, wherever each stands.
        {"www.first.example then http://second.example/", 0, kAll, {"http://second.example/"}},
        {"https://s.example/p?q=1 and ftp://f.example/file", 0, kAll, {"ftp://f.example/file"}},
        {"<http://a.example>(http://b.example)\"http://c.example\"[http://d.example]", 0, kAll,
         {"http://a.example", "http://b.example", "http://c.example", "http://d.example"}},
        {"http://e.example\r\nhttp://f.example\thttps://g.example", 0, kAll,
         {"http://e.example", "http://f.example", "https://g.example"}},
        {"http://x.example..", 0, kAll, {"http://x.example."}}, {"no address here", 0, kAll, {}},
        {"http://www.example.com/", 0, kAll, {"http://www.example.com/"}},
        {"HTTP://X.EXAMPLE WWW.X.EXAMPLE", 0, kAll, {}},
        // Only the selection counts; the bounds come in either order, clipped to the text.
        {sentence, 6, 16, {"http://exa"}}, {sentence, 16, 6, {"http://exa"}},
        {sentence, 7, 40, {}}, {sentence, 10, 10, {}}, {sentence, 100, 200, {}},
    };
    for (const auto& [text, start, end, links] : cases) {
        EXPECT_EQ(FindLinks(text, start, end), links) << text;
    }
}

}  // namespace
}  // namespace tarvox
