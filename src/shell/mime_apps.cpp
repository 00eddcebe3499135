#include "shell/mime_apps.h"

#include <vector>

namespace tarvox {

namespace {

constexpr std::string_view kGroup = "[Default Applications]";

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

// "type=a.desktop;b.desktop;" with `desktop_id` first and not again.
std::string DefaultLine(std::string_view mime_type, std::string_view desktop_id,
                        std::string_view listed) {
    std::string line = std::string(mime_type) + "=" + std::string(desktop_id) + ";";
    while (!listed.empty()) {
        const std::size_t end = listed.find(';');
        const std::string_view entry = Trimmed(listed.substr(0, end));
        listed.remove_prefix(end == std::string_view::npos ? listed.size() : end + 1);
        if (!entry.empty() && entry != desktop_id) {
            line += std::string(entry) + ";";
        }
    }
    return line;
}

}  // namespace

std::string SetDefaultApplication(std::string_view text, std::string_view mime_type,
                                  std::string_view desktop_id) {
    std::vector<std::string> out;
    bool in_group = false;
    bool group_seen = false;
    bool done = false;
    for (std::string_view raw : Lines(text)) {
        const std::string_view line = Trimmed(raw);
        if (line.starts_with('[')) {
            if (in_group && !done) {
                out.push_back(DefaultLine(mime_type, desktop_id, {}));
                done = true;
            }
            in_group = line == kGroup;
            group_seen = group_seen || in_group;
        } else if (in_group && !done) {
            const std::size_t equals = line.find('=');
            if (equals != std::string_view::npos && Trimmed(line.substr(0, equals)) == mime_type) {
                out.push_back(DefaultLine(mime_type, desktop_id, line.substr(equals + 1)));
                done = true;
                continue;
            }
        }
        out.emplace_back(raw);
    }
    if (!done) {
        if (!group_seen) {
            out.emplace_back(kGroup);
        }
        out.push_back(DefaultLine(mime_type, desktop_id, {}));
    }
    std::string result;
    for (const std::string& line : out) {
        result += line;
        result += '\n';
    }
    return result;
}

}  // namespace tarvox
