#include "message/attachment_safety.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "codec/ascii.h"
#include "codec/text_format.h"
#include "config/comma_list.h"
#include "config/global_settings.h"
#include "frontend/services.h"

namespace tarvox {

namespace {

constexpr std::size_t kNameCapacity = 512;
constexpr std::uint32_t kSanityRange = 1000;

}  // namespace

bool IsBlockedName(std::string_view name, std::string_view blockext) {
    for (std::string_view fragment : SplitCommaList(blockext)) {
        if (ContainsIgnoreAsciiCase(name, fragment)) {
            return true;
        }
    }
    return false;
}

bool LooksExecutable(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return true;
    }
    struct stat status {};
    const bool executable_bit =
        ::fstat(fd, &status) == 0 && (status.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
    std::array<unsigned char, 4> head{};
    ssize_t got = 0;
    do {
        got = ::read(fd, head.data(), head.size());
    } while (got < 0 && errno == EINTR);
    ::close(fd);
    if (got < 0) {
        return true;
    }
    const auto starts_with = [&](std::string_view magic) {
        return static_cast<std::size_t>(got) >= magic.size() &&
               std::equal(magic.begin(), magic.end(), head.begin(), [](char m, unsigned char h) {
                   return static_cast<unsigned char>(m) == h;
               });
    };
    return executable_bit || starts_with("MZ") ||
           starts_with(
               "\x7f"
               "ELF") ||
           starts_with("#!");
}

std::string SanityCheckNumber(std::uint32_t a, std::uint32_t b) {
    return TextFormat("%u%u", b, a);
}

bool RunSanityCheck(FrontendServices& services, const std::function<std::uint32_t()>& draw) {
    const std::uint32_t a = draw() % kSanityRange;
    const std::uint32_t b = draw() % kSanityRange;
    const std::string number = SanityCheckNumber(a, b);
    TextPromptRequest request;
    request.title = "SanityCheck - " + number;
    request.prompt =
        "This is a potentially dangerous executable program!! To confirm execution repeat the "
        "numeric sequence shown:";
    request.capacity = kNameCapacity;
    const TextPromptResult answer = services.TextPrompt(request);
    return answer.submitted && answer.text == number;
}

std::string ProposedAttachmentName(std::string_view name) {
    if (name.empty() || name == "\" \"" || name == "\"\"" || name.size() >= kNameCapacity) {
        return "untitled";
    }
    const std::size_t slash = name.find_last_of("/\\");
    const std::string_view file = slash == std::string_view::npos ? name : name.substr(slash + 1);
    if (file.empty() || file == "." || file == "..") {
        return "untitled";
    }
    return std::string(file);
}

std::vector<BlockListRow> BlockListRows(std::string_view blockext) {
    std::vector<BlockListRow> rows;
    for (std::string_view fragment : SplitCommaList(kDefaultBlockList)) {
        rows.push_back({std::string(fragment), false});
    }
    for (std::string_view fragment : SplitCommaList(blockext)) {
        bool found = false;
        for (BlockListRow& row : rows) {
            if (row.fragment == fragment) {
                row.checked = true;
                found = true;
                break;
            }
        }
        if (!found) {
            rows.push_back({std::string(fragment), true});
        }
    }
    return rows;
}

std::string BlockListValue(const std::vector<BlockListRow>& rows) {
    std::string value;
    for (const BlockListRow& row : rows) {
        if (row.checked) {
            value += row.fragment;
            value += ',';
        }
    }
    return value;
}

}  // namespace tarvox
