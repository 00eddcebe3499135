#include "config/comma_list.h"

#include "codec/stored_text.h"
#include "config/settings_line_reader.h"

namespace tarvox {

namespace {

// The non-empty pieces between any of the separators.
std::vector<std::string_view> SplitItems(std::string_view list, std::string_view separators) {
    std::vector<std::string_view> items;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find_first_of(separators, start);
        if (end == std::string_view::npos) {
            end = list.size();
        }
        if (end > start) {
            items.push_back(list.substr(start, end - start));
        }
        start = end + 1;
    }
    return items;
}

}  // namespace

std::vector<std::string_view> SplitCommaList(std::string_view list) {
    return SplitItems(list, ",");
}

CommaList JoinCommaList(std::span<const std::string> items) {
    CommaList list;
    for (const std::string& item : items) {
        if (&item != items.data()) {
            list += ',';
        }
        list += item;
    }
    return list;
}

void WriteCommaList(std::string& out, std::string_view key, std::string_view list) {
    // A line break inside a list cannot be stored (it would start a line of
    // its own, which could even read as another key), so CR and LF separate
    // items like commas do.
    // Each line is stored text of its own, since each is read back alone;
    // items are measured in their stored form.
    std::string line;
    std::size_t stored_size = key.size();
    auto flush = [&] {
        out += key;
        out += ToStoredText(line);
        out += '\n';
    };
    for (std::string_view item : SplitItems(list, ",\r\n")) {
        const std::size_t item_size = ToStoredText(item).size();
        if (line.empty()) {
            line += item;
            stored_size += item_size;
        } else if (stored_size + item_size > kCommaListLineLimit) {
            flush();
            line.assign(item);
            stored_size = key.size() + item_size;
        } else {
            line += ',';
            line += item;
            stored_size += 1 + item_size;
        }
    }
    flush();
}

bool ReadCommaListLine(CommaList& list, std::string_view key, std::string_view line) {
    if (line.size() <= key.size() || line.substr(0, key.size()) != key) {
        return false;
    }
    std::string_view value = line.substr(key.size());
    while (!value.empty() && value.back() == '\n') {
        value.remove_suffix(1);
    }
    while (!value.empty() && (value.back() == ' ' || value.back() == ',')) {
        value.remove_suffix(1);
    }
    if (!list.empty()) {
        list += ',';
    }
    list += FromStoredText(value);
    return true;
}

CommaList ReadBackCommaList(std::string_view list) {
    static constexpr std::string_view kKey = "x=";
    std::string text;
    WriteCommaList(text, kKey, list);
    CommaList result;
    SettingsLineReader reader{std::string_view(text)};
    std::string line;
    while (reader.Next(line)) {
        ReadCommaListLine(result, kKey, line);
    }
    return result;
}

}  // namespace tarvox
