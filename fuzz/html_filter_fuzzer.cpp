// The HTML filter line by line with its state over UTF-8 text (its output
// stays UTF-8), and the link finder with arbitrary selections.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "codec/utf8.h"
#include "message/html_filter.h"

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvox;
    if (size < 4) {
        return 0;
    }
    const std::size_t selection_start = data[0] | (data[1] << 8);
    const std::size_t selection_end = data[2] | (data[3] << 8);
    const std::string_view bytes(reinterpret_cast<const char*>(data + 4), size - 4);
    const std::string valid = ValidUtf8(bytes);
    const std::string_view text = IsUtf8(bytes) ? bytes : std::string_view(valid);

    HtmlFilterState state;
    std::string all;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find("\r\n", start);
        end = end == std::string_view::npos ? text.size() : end + 2;
        const std::string_view line = text.substr(start, end - start);
        std::string output;
        HtmlToText(state, line, output);
        Check(output.size() <= line.size() + 1);
        // Line breaks come only from block tags, as CR LF.
        for (std::size_t i = 0; i < output.size(); ++i) {
            if (output[i] == '\r') {
                Check(i + 1 < output.size() && output[i + 1] == '\n');
            } else if (output[i] == '\n') {
                Check(i > 0 && output[i - 1] == '\r');
            }
        }
        if (!output.empty()) {
            Check(state.last_output == output.back());
        }
        all += output;
        start = end;
    }
    Check(IsUtf8(all));

    const std::size_t from = std::min({selection_start, selection_end, text.size()});
    const std::size_t to = std::min(std::max(selection_start, selection_end), text.size());
    const std::string_view selected = text.substr(from, to - from);
    for (const std::string& link : FindLinks(text, selection_start, selection_end)) {
        Check(!link.empty());
        Check(selected.find(link) != std::string_view::npos);
        Check(link.find_first_of(" \r\n\t\">)]") == std::string::npos);
        Check(link.starts_with("http://") || link.starts_with("ftp://") ||
              link.starts_with("https://") || link.starts_with("www"));
    }
    return 0;
}
