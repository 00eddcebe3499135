#include "compose/quoting.h"

#include <algorithm>

#include "codec/utf8.h"
#include "compose/message_builder.h"

namespace tarvox {

namespace {

// The index of the line that holds character `offset`; the last line for an
// offset at or past the end.
std::size_t LineHolding(const std::vector<std::string>& lines, std::size_t offset) {
    std::size_t line_start = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        line_start += CharacterCount(lines[i]);
        if (offset < line_start) {
            return i;
        }
    }
    return lines.empty() ? 0 : lines.size() - 1;
}

void AppendWithoutTabs(std::string& out, std::string_view line) {
    for (char c : line) {
        if (c == '\t') {
            out += "    ";
        } else {
            out += c;
        }
    }
}

std::string_view WithoutTrailingBlanks(std::string_view line) {
    const std::size_t end = line.find_last_not_of(' ');
    return line.substr(0, end == std::string_view::npos ? 0 : end + 1);
}

void EmitLine(std::string& out, std::string_view line, QuoteMarker marker) {
    line = WithoutTrailingBlanks(line);
    if (marker == QuoteMarker::Marked) {
        out += "> ";
    }
    out += line;
    out += "\r\n";
}

}  // namespace

std::string CollectViewerText(const ViewerEditorText& editor, QuoteSelection selection) {
    std::size_t first = 0;
    std::size_t last = editor.lines.size();  // one past the last line used
    if (selection == QuoteSelection::SelectedLines &&
        editor.selection_start != editor.selection_end && !editor.lines.empty()) {
        const auto [start, end] = std::minmax(editor.selection_start, editor.selection_end);
        first = LineHolding(editor.lines, start);
        last = LineHolding(editor.lines, end) + 1;
    }

    std::string text;
    for (std::size_t i = first; i < last; ++i) {
        std::string_view line = CharacterPrefix(editor.lines[i], kEditorLineLimit);
        const std::size_t end = line.find_last_not_of("\r\n");
        line = line.substr(0, end == std::string_view::npos ? 0 : end + 1);
        if (editor.lines.size() < kLoneDotLineCount && line == ".") {
            continue;
        }
        AppendWithoutTabs(text, line);
        if (CharacterCount(line) > kJoinedLineLength) {
            if (!line.ends_with(' ')) {
                text += ' ';
            }
        } else {
            text += '\n';
        }
    }
    const std::size_t end = text.find_last_not_of('\n');
    text.erase(end == std::string::npos ? 0 : end + 1);
    text += '\n';
    return text;
}

void StripSignature(std::string& text) {
    std::size_t at = text.find("\n-- \n");
    if (at == std::string::npos) {
        at = text.find("\n- -- \n");
    }
    if (at != std::string::npos) {
        text.erase(at);
        text += '\n';
    }
}

std::string WrapText(std::string_view text, std::size_t width, QuoteMarker marker) {
    // The room for the text itself; at least one character, so that every
    // line takes something and the walk always ends.
    const std::size_t marker_width = marker == QuoteMarker::Marked ? 2 : 0;
    const std::size_t usable = width > marker_width + 1 ? width - marker_width : 1;

    std::string out;
    std::size_t line_start = 0;
    constexpr std::size_t kNoBreak = std::string_view::npos;
    std::size_t word_start = kNoBreak;  // where the line may break
    char previous = '\0';
    std::size_t previous_start = 0;  // where the character before the i-th starts
    std::size_t column = 0;          // characters from line_start to i
    for (std::size_t i = 0; i < text.size(); i += CharacterLength(text, i)) {
        const char c = text[i];
        if (previous == ' ' && c != ' ') {
            word_start = i;
        }
        previous = c;
        // A line that fits once its trailing blanks are gone needs no break:
        // breaking it would only add an empty line.
        const bool fitting_line_end = c == '\n' && CharacterCount(WithoutTrailingBlanks(text.substr(
                                                       line_start, i - line_start))) <= usable;
        if (!fitting_line_end && column > usable) {
            if (word_start != kNoBreak && word_start > line_start) {
                const std::string_view emitted = text.substr(line_start, word_start - line_start);
                EmitLine(out, emitted, marker);
                column -= CharacterCount(emitted);
                line_start = word_start;
            } else {
                EmitLine(out, text.substr(line_start, previous_start - line_start), marker);
                line_start = previous_start;
                column = 1;
            }
            word_start = kNoBreak;
        }
        previous_start = i;
        ++column;
        if (c == '\n') {
            EmitLine(out, text.substr(line_start, i - line_start), marker);
            line_start = i + 1;
            column = 0;
            word_start = kNoBreak;
        }
    }
    return out;
}

}  // namespace tarvox
