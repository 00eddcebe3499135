#include "cli/message_commands.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "cli/terminal_text.h"
#include "codec/utf8.h"
#include "config/file_io.h"
#include "message/viewer_text.h"

namespace tarvox {

namespace {

constexpr const char* kViewUsage =
    "usage: tarvox-cli view FILE [--all-headers] [--no-html-filter] [--raw] [--bytes]\n";
constexpr const char* kAttachmentsUsage =
    "usage: tarvox-cli attachments FILE [--save DIR] [--bytes]\n";

// The whole file, or nothing with a one-line message on standard error.
std::optional<std::string> ReadMessageFile(const std::string& path) {
    FileReadError error = FileReadError::None;
    std::optional<std::string> text = ReadFileBytes(path, &error);
    if (error == FileReadError::TooLarge) {
        std::fprintf(stderr, "tarvox-cli: cannot read %s: larger than %llu MiB\n", path.c_str(),
                     static_cast<unsigned long long>(kFileReadCap >> 20));
    } else if (!text) {
        std::fprintf(
            stderr, "tarvox-cli: cannot read %s: %s\n", path.c_str(),
            error == FileReadError::NotRegularFile ? "not a regular file" : std::strerror(errno));
    }
    return text;
}

// Writes attachment `index` as a new file in `dir`; an existing file is left
// alone. True when the file was written.
bool SaveAttachment(const ViewedMessage& viewed, std::size_t index, const std::string& dir) {
    const ViewedAttachment& attachment = viewed.attachments()[index];
    const std::string path = dir + "/" + AttachmentFilePart(attachment.display_name);
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
        std::fprintf(stderr, "tarvox-cli: cannot create %s: %s%s\n", path.c_str(),
                     std::strerror(errno), errno == EEXIST ? " (not overwritten)" : "");
        return false;
    }
    std::size_t total = 0;
    int write_errno = 0;
    const bool written = viewed.WriteAttachmentData(index, [&](std::string_view bytes) {
        if (!WriteAll(fd, bytes)) {
            write_errno = errno;
            return false;
        }
        total += bytes.size();
        return true;
    });
    // Complete on disk before it is reported as saved.
    const bool synced = written && ::fsync(fd) == 0;
    if (written && !synced) {
        write_errno = errno;
    }
    const bool closed = ::close(fd) == 0;
    if (!synced || !closed) {
        std::fprintf(stderr, "tarvox-cli: cannot write %s: %s\n", path.c_str(),
                     std::strerror(write_errno != 0 ? write_errno : errno));
        ::unlink(path.c_str());
        return false;
    }
    std::printf("saved %s (%zu bytes)\n", path.c_str(), total);
    return true;
}

}  // namespace

std::string AttachmentFilePart(std::string_view name) {
    name = name.substr(0, name.find('\0'));
    const std::size_t slash = name.find_last_of("/\\");
    if (slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    name.remove_prefix(std::min(name.find_first_not_of('.'), name.size()));
    if (name.empty() || name == "\"\"" || name == "\" \"") {
        return "untitled";
    }
    // Control characters (C0, DEL, C1) and bytes that are not UTF-8 become "_".
    std::string part;
    std::size_t pos = 0;
    while (pos < name.size()) {
        std::uint32_t code_point = 0;
        const std::size_t length = DecodeUtf8Sequence(name, pos, code_point);
        const auto byte = static_cast<unsigned char>(name[pos]);
        if (length != 0 && code_point >= 0xa0) {
            part.append(name.substr(pos, length));
            pos += length;
            continue;
        }
        part.push_back(length == 0 && byte >= 0x20 && byte < 0x7f ? name[pos] : '_');
        pos += length == 0 ? 1 : length;
    }
    return part;
}

int RunViewCommand(std::span<const std::string_view> args) {
    ViewerOptions options;
    bool raw = false;
    bool bytes = false;
    std::optional<std::string> file;
    for (std::string_view arg : args) {
        if (arg == "--all-headers") {
            options.all_headers = true;
        } else if (arg == "--no-html-filter") {
            options.html_filter = HtmlFilterMode::ShowRaw;
        } else if (arg == "--raw") {
            raw = true;
        } else if (arg == "--bytes") {
            bytes = true;
        } else if (!arg.starts_with("--") && !file) {
            file = std::string(arg);
        } else {
            std::fputs(kViewUsage, stderr);
            return 2;
        }
    }
    if (!file) {
        std::fputs(kViewUsage, stderr);
        return 2;
    }
    std::optional<std::string> message = ReadMessageFile(*file);
    if (!message) {
        return 2;
    }
    const ViewedMessage viewed(std::move(*message), options, MessageOrigin::File);
    if (raw && bytes) {
        PrintRawMessage(viewed.message_text());
    } else {
        PrintTerminalText(raw ? viewed.raw_display_text() : viewed.display_text(), bytes);
    }
    if (!viewed.unknown_charset().empty()) {
        std::fprintf(stderr, "%s\n", UnknownCharsetText(viewed.unknown_charset()).c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int RunAttachmentsCommand(std::span<const std::string_view> args) {
    bool bytes = false;
    std::optional<std::string> file;
    std::optional<std::string> save_dir;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--bytes") {
            bytes = true;
        } else if (args[i] == "--save" && i + 1 < args.size() && !save_dir) {
            save_dir = std::string(args[++i]);
        } else if (!args[i].starts_with("--") && !file) {
            file = std::string(args[i]);
        } else {
            std::fputs(kAttachmentsUsage, stderr);
            return 2;
        }
    }
    if (!file) {
        std::fputs(kAttachmentsUsage, stderr);
        return 2;
    }
    std::optional<std::string> message = ReadMessageFile(*file);
    if (!message) {
        return 2;
    }
    if (save_dir) {
        struct stat info {};
        if (::stat(save_dir->c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
            std::fprintf(stderr, "tarvox-cli: %s is not a folder\n", save_dir->c_str());
            return 2;
        }
    }
    const ViewedMessage viewed(std::move(*message), ViewerOptions{}, MessageOrigin::File);
    const std::string_view line_end = bytes ? "\r\n" : "\n";
    std::string listing;
    for (const ViewedAttachment& attachment : viewed.attachments()) {
        listing += attachment.display_name;
        listing += '\t';
        listing += attachment.label;
        listing += line_end;
    }
    PrintTerminalText(listing, bytes);
    bool all_saved = true;
    if (save_dir) {
        std::fflush(stdout);
        for (std::size_t i = 0; i < viewed.attachments().size(); ++i) {
            all_saved = SaveAttachment(viewed, i, *save_dir) && all_saved;
        }
    }
    return std::fflush(stdout) == 0 && all_saved ? 0 : 1;
}

}  // namespace tarvox
