#include "compose/draft_file.h"

#include <optional>

#include "codec/stored_text.h"
#include "compose/attach_file.h"
#include "compose/editor_lines.h"
#include "compose/line_pieces.h"
#include "config/file_io.h"

namespace tarvox {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// The value of `line` when it starts with `label`, then one or more blanks,
// then at least one character that is not a line feed: everything after the
// blanks up to the line feed.
std::optional<std::string_view> MatchLabel(std::string_view line, std::string_view label) {
    if (!line.starts_with(label)) {
        return std::nullopt;
    }
    std::size_t at = label.size();
    const std::size_t blanks_start = at;
    while (at < line.size() && IsBlank(line[at])) {
        ++at;
    }
    if (at == blanks_start || at == line.size() || line[at] == '\n') {
        return std::nullopt;
    }
    const std::size_t end = line.find('\n', at);
    return line.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
}

enum class Continuation { None, To, Cc, Bcc, References };

struct Collected {
    std::string to;
    std::string cc;
    std::string bcc;
    std::string references;
    Continuation mark = Continuation::None;

    std::string* Field(Continuation which) {
        switch (which) {
            case Continuation::To:
                return &to;
            case Continuation::Cc:
                return &cc;
            case Continuation::Bcc:
                return &bcc;
            case Continuation::References:
                return &references;
            case Continuation::None:
                break;
        }
        return nullptr;
    }
};

void ReadHeaderLine(std::string_view line, std::string_view attachment_type, Collected& collected,
                    ComposedMessage& message) {
    auto set = [&](std::string& field, std::string_view value) {
        field.assign(value);
        collected.mark = Continuation::None;
    };
    auto collect = [&](Continuation which, std::string_view value) {
        collected.Field(which)->append(value);
        collected.mark = which;
    };
    if (auto value = MatchLabel(line, "Subject:")) {
        set(message.subject, *value);
    } else if (auto value = MatchLabel(line, "Attach:")) {
        if (std::optional<ComposedAttachment> attachment = AttachFile(*value, attachment_type)) {
            message.attachments.push_back(std::move(*attachment));
        }
        collected.mark = Continuation::None;
    } else if (auto value = MatchLabel(line, "In-Reply-To:")) {
        set(message.in_reply_to, *value);
    } else if (auto value = MatchLabel(line, "From:")) {
        set(message.from, *value);
    } else if (auto value = MatchLabel(line, "Reply-To:")) {
        set(message.reply_to, *value);
    } else if (auto value = MatchLabel(line, "ReplyTo:")) {
        set(message.reply_to, *value);
    } else if (auto value = MatchLabel(line, "To:")) {
        collect(Continuation::To, *value);
    } else if (auto value = MatchLabel(line, "References:")) {
        collect(Continuation::References, *value);
    } else if (auto value = MatchLabel(line, "CC:")) {
        collect(Continuation::Cc, *value);
    } else if (auto value = MatchLabel(line, "Cc:")) {
        collect(Continuation::Cc, *value);
    } else if (auto value = MatchLabel(line, "BCC:")) {
        collect(Continuation::Bcc, *value);
    } else if (collected.mark != Continuation::None) {
        if (auto continued = MatchLabel(line, "")) {
            std::string& field = *collected.Field(collected.mark);
            if (collected.mark == Continuation::References) {
                field += ' ';
            } else {
                field += field.ends_with(',') ? " " : ", ";
            }
            field += *continued;
        }
    }
}

void ReplaceWhenCollected(std::string& field, std::string& collected) {
    if (!collected.empty()) {
        field = std::move(collected);
    }
}

}  // namespace

void ReadDraftText(std::string_view text, std::string_view attachment_type,
                   ComposedMessage& message) {
    const std::string lines = TextModeLines(text);

    message.attachments.clear();
    Collected collected;
    std::string body;
    bool in_body = false;
    LinePieceReader reader(lines);
    while (std::optional<std::string_view> line = reader.Next()) {
        if (in_body) {
            body.append(line->substr(0, line->find('\n')));
            body += "\r\n";
        } else if (*line == "\n") {
            in_body = true;
        } else {
            ReadHeaderLine(*line, attachment_type, collected, message);
        }
    }

    const std::size_t body_end = body.find_last_not_of("\r\n");
    if (body_end != std::string::npos) {
        body.erase(body_end + 1);
        body += "\r\n";
        message.body_lines = EditorLinesFromText(body);
    }
    ReplaceWhenCollected(message.to, collected.to);
    ReplaceWhenCollected(message.cc, collected.cc);
    ReplaceWhenCollected(message.bcc, collected.bcc);
    ReplaceWhenCollected(message.references, collected.references);
}

bool ReadDraftFile(const std::string& path, std::string_view attachment_type,
                   ComposedMessage& message) {
    const std::optional<std::string> text = ReadFileBytes(path);
    if (!text) {
        return false;
    }
    ReadDraftText(FromStoredText(*text), attachment_type, message);
    return true;
}

}  // namespace tarvox
