#include "message/html_filter.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "codec/ascii.h"

namespace tarvox {
namespace {

// Tags that end a line of text. Each is matched as a prefix of its own
// length, so "<h1" also stands for "<h1 class=...>" and "<body" for
// "<body bgcolor=...>".
constexpr std::string_view kBlockTags[] = {
    "<p>", "<p align", "</p>",  "<br>",  "</div>", "</td>", "</tr>",   "<h1",   "<h2",
    "<h3", "</h1>",    "</h2>", "</h3>", "<li>",   "</ul>", "</html>", "<body", "</title>",
};

constexpr std::string_view kUnderlineTags[] = {"<u>", "</u>"};

struct Entity {
    std::string_view name;
    std::string_view text;
};

// Tested in this order. The letters and signs become the ISO-8859-1 byte of
// the same code point (HTML 4); the rest become ASCII look-alikes.
constexpr Entity kEntities[] = {
    {"&quot;", "\""},     {"&nbsp;", " "},      {"&copy;", "(C)"},    {"&reg;", "(R)"},
    {"&amp;", "&"},       {"&lt;", "<"},        {"&gt;", ">"},        {"&frasl;", "/"},
    {"&cent;", "\xA2"},   {"&deg;", "\xB0"},    {"&para;", "\xB6"},   {"&pound;", "\xA3"},
    {"&sect;", "\xA7"},   {"&yen;", "\xA5"},    {"&laquo;", "\xAB"},  {"&raquo;", "\xBB"},
    {"&lsaquo;", "<"},    {"&rsaquo;", ">"},    {"&lsquo;", "`"},     {"&rsquo;", "'"},
    {"&ldquo;", "\""},    {"&rdquo;", "\""},    {"&trade;", "(TM)"},  {"&micro;", "\xB5"},
    {"&middot;", "\xB7"}, {"&plusmn;", "\xB1"}, {"&frac14;", "1/4"},  {"&frac12;", "1/2"},
    {"&frac34;", "3/4"},  {"&times;", "x"},     {"&divide;", "\xF7"}, {"&iexcl;", "\xA1"},
    {"&iquest;", "\xBF"}, {"&AElig;", "\xC6"},  {"&aelig;", "\xE6"},  {"&Agrave;", "\xC0"},
    {"&agrave;", "\xE0"}, {"&Aacute;", "\xC1"}, {"&aacute;", "\xE1"}, {"&Acirc;", "\xC2"},
    {"&acirc;", "\xE2"},  {"&Auml;", "\xC4"},   {"&auml;", "\xE4"},   {"&Ccedil;", "\xC7"},
    {"&ccedil;", "\xE7"}, {"&Egrave;", "\xC8"}, {"&egrave;", "\xE8"}, {"&Eacute;", "\xC9"},
    {"&eacute;", "\xE9"}, {"&Ecirc;", "\xCA"},  {"&ecirc;", "\xEA"},  {"&Euml;", "\xCB"},
    {"&euml;", "\xEB"},   {"&Ouml;", "\xD6"},   {"&ouml;", "\xF6"},   {"&Uuml;", "\xDC"},
    {"&uuml;", "\xFC"},   {"&szlig;", "\xDF"},
};
static_assert(std::size(kEntities) == 19 + 39,
              "19 ASCII replacements and 39 Latin-1 letters and signs");

bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

// Handles a "<" at the start of `rest`.
void OpenTag(HtmlFilterState& state, std::string_view rest, std::string& output) {
    state.inside_tag = true;
    const bool block =
        std::any_of(std::begin(kBlockTags), std::end(kBlockTags),
                    [&](std::string_view tag) { return StartsWithIgnoreAsciiCase(rest, tag); });
    if (block) {
        if (state.last_output == '\n') {
            ++state.break_count;
            if (state.break_count >= 2) {
                return;  // at most one empty line in a row
            }
        } else {
            state.break_count = 0;
        }
        output += "\r\n";
        return;
    }
    if (std::any_of(std::begin(kUnderlineTags), std::end(kUnderlineTags),
                    [&](std::string_view tag) { return StartsWithIgnoreAsciiCase(rest, tag); })) {
        output += '_';
    }
}

const Entity* MatchEntity(std::string_view rest) {
    for (const Entity& entity : kEntities) {
        if (rest.starts_with(entity.name)) {
            return &entity;
        }
    }
    return nullptr;
}

}  // namespace

void HtmlToText(HtmlFilterState& state, std::string_view line, std::string& output) {
    const std::size_t first = output.size();
    if (state.last_output != '\n' && !IsBlankOrTab(state.last_output)) {
        output += ' ';
        state.last_output = ' ';
    }
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        const bool line_end = c == '\r' || c == '\n';
        if (c == '<') {
            OpenTag(state, line.substr(i), output);
        } else if (!state.inside_tag && !line_end) {
            if (const Entity* entity = MatchEntity(line.substr(i))) {
                output += entity->text;
                i += entity->name.size() - 1;  // the ";" is the last character read
            } else if (!(IsBlankOrTab(c) && IsBlankOrTab(state.last_output))) {
                output += c;
            }
        }
        if (line[i] == '>') {
            state.inside_tag = false;
        }
        if (!line_end) {
            state.last_input = line[i];
        }
        if (output.size() > first) {
            state.last_output = output.back();
        }
    }
}

std::vector<std::string> FindLinks(std::string_view text, std::size_t selection_start,
                                   std::size_t selection_end) {
    static constexpr std::array<std::string_view, 4> kStarts = {"http://", "ftp://", "https://",
                                                                "www."};
    static constexpr std::string_view kEnds = " \r\n\t\">)]";

    const std::size_t from = std::min({selection_start, selection_end, text.size()});
    const std::size_t to = std::min(std::max(selection_start, selection_end), text.size());
    const std::string_view selected = text.substr(from, to - from);

    std::vector<std::string> links;
    std::size_t position = 0;
    while (position < selected.size()) {
        std::size_t start = std::string_view::npos;
        for (std::string_view prefix : kStarts) {
            start = selected.find(prefix, position);
            if (start != std::string_view::npos) {
                break;
            }
        }
        if (start == std::string_view::npos) {
            break;
        }
        std::size_t end = selected.find_first_of(kEnds, start);
        if (end == std::string_view::npos) {
            end = selected.size();
        }
        std::string_view link = selected.substr(start, end - start);
        if (link.ends_with('.')) {
            link.remove_suffix(1);
        }
        links.emplace_back(link);
        position = end;
    }
    return links;
}

}  // namespace tarvox
