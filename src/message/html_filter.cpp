#include "message/html_filter.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "codec/ascii.h"
#include "codec/utf8.h"

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

// Tested in this order. The letters and signs become the UTF-8 text of the
// same character (HTML 4); the rest become ASCII look-alikes.
constexpr Entity kEntities[] = {
    {"&quot;", "\""},    {"&nbsp;", " "},   {"&copy;", "(C)"},   {"&reg;", "(R)"},
    {"&amp;", "&"},      {"&lt;", "<"},     {"&gt;", ">"},       {"&frasl;", "/"},
    {"&cent;", "¢"},     {"&deg;", "°"},    {"&para;", "¶"},     {"&pound;", "£"},
    {"&sect;", "§"},     {"&yen;", "¥"},    {"&laquo;", "«"},    {"&raquo;", "»"},
    {"&lsaquo;", "<"},   {"&rsaquo;", ">"}, {"&lsquo;", "`"},    {"&rsquo;", "'"},
    {"&ldquo;", "\""},   {"&rdquo;", "\""}, {"&trade;", "(TM)"}, {"&micro;", "µ"},
    {"&middot;", "·"},   {"&plusmn;", "±"}, {"&frac14;", "1/4"}, {"&frac12;", "1/2"},
    {"&frac34;", "3/4"}, {"&times;", "x"},  {"&divide;", "÷"},   {"&iexcl;", "¡"},
    {"&iquest;", "¿"},   {"&AElig;", "Æ"},  {"&aelig;", "æ"},    {"&Agrave;", "À"},
    {"&agrave;", "à"},   {"&Aacute;", "Á"}, {"&aacute;", "á"},   {"&Acirc;", "Â"},
    {"&acirc;", "â"},    {"&Auml;", "Ä"},   {"&auml;", "ä"},     {"&Ccedil;", "Ç"},
    {"&ccedil;", "ç"},   {"&Egrave;", "È"}, {"&egrave;", "è"},   {"&Eacute;", "É"},
    {"&eacute;", "é"},   {"&Ecirc;", "Ê"},  {"&ecirc;", "ê"},    {"&Euml;", "Ë"},
    {"&euml;", "ë"},     {"&Ouml;", "Ö"},   {"&ouml;", "ö"},     {"&Uuml;", "Ü"},
    {"&uuml;", "ü"},     {"&szlig;", "ß"},
};
static_assert(std::size(kEntities) == 19 + 39,
              "19 ASCII replacements and 39 Latin-1 letters and signs");
static_assert(std::all_of(std::begin(kEntities), std::end(kEntities),
                          [](const Entity& entity) { return entity.name.starts_with('&'); }));

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

// Every entity name starts with "&", so other characters (nearly all of
// them) skip the table.
const Entity* MatchEntity(std::string_view rest) {
    if (!rest.starts_with('&')) {
        return nullptr;
    }
    for (const Entity& entity : kEntities) {
        if (rest.starts_with(entity.name)) {
            return &entity;
        }
    }
    return nullptr;
}

// A numeric character reference "&#233;" or "&#xE9;" at the start of `rest`:
// appends the character and returns the reference's length; 0, with nothing
// appended, when there is none or it names a control character or no Unicode
// scalar value.
std::size_t AppendNumericReference(std::string_view rest, std::string& output) {
    if (!rest.starts_with("&#")) {
        return 0;
    }
    const bool hex = rest.size() > 2 && (rest[2] == 'x' || rest[2] == 'X');
    std::size_t at = hex ? 3 : 2;
    const std::size_t digits_start = at;
    std::uint32_t code_point = 0;
    for (; at < rest.size() && at - digits_start < 8; ++at) {
        const int digit = hex ? HexDigitValue(rest[at])
                              : (rest[at] >= '0' && rest[at] <= '9' ? rest[at] - '0' : -1);
        if (digit < 0) {
            break;
        }
        code_point = code_point * (hex ? 16 : 10) + static_cast<std::uint32_t>(digit);
    }
    // Control characters stay as references: line breaks come only from tags.
    const bool control = code_point < 0x20 || (code_point >= 0x7F && code_point < 0xA0);
    if (at == digits_start || at >= rest.size() || rest[at] != ';' || control ||
        code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) {
        return 0;
    }
    AppendUtf8(output, code_point);
    return at + 1;
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
            } else if (const std::size_t length = AppendNumericReference(line.substr(i), output)) {
                i += length - 1;
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
