#include "protocols/inbox_loader.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "codec/text_format.h"
#include "codec/unsigned_scan.h"
#include "frontend/services.h"
#include "protocols/inbox_entry.h"
#include "protocols/pop_download.h"
#include "protocols/pop_pipeline.h"
#include "protocols/pop_session.h"

namespace tarvox {

namespace {

constexpr std::string_view kListParseError = "Unable to parse server's response to LIST command";

double Kilobytes(std::uint32_t size) { return static_cast<double>(size) / 1024.0; }

enum class ListRead { Done, NetworkFailure, ParseFailure };

// Reads the LIST reply into session.sizes. The buffer keeps what has arrived,
// receives more only while it holds no CR LF, and drops each line once used.
// What arrived after the reply's end line (the replies to commands sent
// behind LIST) is left in `rest`.
//
// The table grows with the reply, never with the STAT count alone: a line
// stores its size only while its number is at most the bytes of the reply
// received so far. A real listing (RFC 1939 section 5, one line of at least
// five bytes per message) always meets that, so the table never holds more
// entries than the server sent bytes.
ListRead ReadList(PopSession& session, NetResult& failure, std::string& rest) {
    session.sizes.clear();
    std::uint64_t reply_bytes = 0;
    std::string buffer;
    buffer.reserve(kListLineBufferSize);
    std::array<char, kListLineBufferSize> piece{};
    bool first_line = true;
    for (;;) {
        std::size_t line_end;
        while ((line_end = buffer.find("\r\n")) == std::string::npos) {
            const std::size_t room = kListLineBufferSize - 1 - buffer.size();
            if (room == 0) {
                failure = NetResult::GracefullyClosed;
                return ListRead::NetworkFailure;
            }
            std::size_t received = 0;
            NetResult result = session.connection.Receive(piece.data(), room, &received);
            if (result != NetResult::Success) {
                failure = result;
                return ListRead::NetworkFailure;
            }
            buffer.append(piece.data(), received);
            reply_bytes += received;
        }
        const std::string_view line = std::string_view(buffer).substr(0, line_end);
        if (first_line) {
            if (!line.starts_with('+')) {
                return ListRead::ParseFailure;
            }
            first_line = false;
        } else if (line == ".") {
            // The end line arrived on its own, or cut after its dot: it ends
            // the reply as well as when it comes whole behind the last line.
            rest = buffer.substr(line_end + 2);
            return ListRead::Done;
        } else {
            std::size_t pos = 0;
            std::uint32_t number = 0;
            std::uint32_t size = 0;
            if (!ScanUnsigned(line, pos, number) || !ScanUnsigned(line, pos, size)) {
                return ListRead::ParseFailure;
            }
            if (number >= 1 && number <= session.message_count && number <= reply_bytes) {
                if (number > session.sizes.size()) {
                    session.sizes.resize(number);
                }
                session.sizes[number - 1] = size;
            }
        }
        buffer.erase(0, line_end + 2);
        if (buffer == ".\r\n") {
            return ListRead::Done;
        }
    }
}

LoadOutcome Purge(PopSession& session, const InboxLoadRequest& request,
                  FrontendServices& services, bool& go_on) {
    go_on = false;
    if (request.set_title) {
        request.set_title("Tarvox - Purge mode");
    }
    const std::uint32_t count = session.message_count;
    BoxAnswer answer = services.ShowMessage(
        TextFormat("WARNING: You have indicated that you wish to delete all mail from your POP3 "
                   "mailbox. Your mailbox currently contains %u messages occupying %.1f KB. DO "
                   "YOU WISH TO DELETE ALL OF THIS MAIL?",
                   count, Kilobytes(session.mailbox_size)),
        "Tarvox", BoxIcon::Warning, BoxButtons::YesNoDefaultNo);
    if (answer != BoxAnswer::Yes) {
        if (request.set_title) {
            request.set_title("Tarvox - Reading inbox");
        }
        go_on = true;
        return LoadOutcome::Loaded;
    }
    // With PIPELINING the DELE commands run ahead of their replies. A refused
    // DELE is not judged.
    std::optional<PopPipeline> pipeline;
    if (count > 0 && UsePipelining(session)) {
        std::vector<std::string> commands;
        commands.reserve(count);
        for (std::uint32_t i = 1; i <= count; ++i) {
            commands.push_back(DeleteCommand(i));
        }
        pipeline.emplace(session, std::move(commands));
    }
    for (std::uint32_t i = 1; i <= count; ++i) {
        services.ShowStatus(StatusLine::Inbox,
                            TextFormat("Deleting message %u of %u . . . %u%%", i, count,
                                       static_cast<unsigned>(std::uint64_t{i} * 100 / count)));
        StatusReply reply = StatusReply::Lost;
        if (pipeline) {
            reply = pipeline->NextStatus(services);
        } else {
            PopSend(session, DeleteCommand(i));
            reply = ReadStatus(session, services);
        }
        if (reply == StatusReply::Lost) {
            return LoadOutcome::Lost;
        }
    }
    pipeline.reset();
    answer = services.ShowMessage("LAST CHANCE. Confirm delete? (Yes writes changes to mailbox).",
                                  "Tarvox", BoxIcon::Warning, BoxButtons::YesNoDefaultNo);
    InboxExit exit = answer == BoxAnswer::Yes ? PopSaveAndExit(session, services)
                                              : PopResetAndExit(session, services);
    return exit == InboxExit::Lost ? LoadOutcome::Lost : LoadOutcome::Purged;
}

LoadOutcome FailLoad(PopSession& session) {
    session.connection.Close();
    return LoadOutcome::Failed;
}

// TOP n 0: the header block of message n, with its progress text.
DownloadRequest HeaderRequest(std::uint32_t n, std::uint32_t count) {
    DownloadRequest top;
    top.message_number = n;
    top.top = true;
    top.lines = 0;
    top.progress_prefix = TextFormat("Reading message %u of %u . . . ", n, count);
    top.progress_line = StatusLine::Inbox;
    return top;
}

JunkSettings JunkSettingsOf(const Profile& profile) {
    JunkSettings junk;
    junk.blacklist = profile.blacklist;
    junk.antispam = profile.antispam;
    junk.whitepat = profile.whitepat;
    junk.blackpat = profile.blackpat;
    junk.filterbits = profile.filterbits;
    return junk;
}

}  // namespace

LoadOutcome LoadInbox(PopSession& session, const InboxLoadRequest& request, MessageList& list,
                      FrontendServices& services) {
    const Profile& working = *request.working;
    const std::uint32_t count = session.message_count;
    services.ShowStatus(StatusLine::Inbox, TextFormat("Reading inbox [%u messages] . . .", count));
    PopSession::BusyGuard busy(session);

    if (working.mode == MailboxMode::Purge) {
        bool go_on = false;
        LoadOutcome outcome = Purge(session, request, services, go_on);
        if (!go_on) {
            return outcome;
        }
    }

    std::uint32_t first = 1;
    if (working.mode == MailboxMode::Partial && working.maximum > 0 &&
        static_cast<std::uint32_t>(working.maximum) < count) {
        first = count - static_cast<std::uint32_t>(working.maximum) + 1;
    }

    // With PIPELINING the first window of TOP commands goes out behind LIST
    // in one write, the rest once LIST has backed the STAT count, and the
    // replies are read as they stream in; the replies, progress and failures
    // are the same as one at a time.
    const auto tops = [count](std::uint32_t from, std::uint32_t to) {
        std::vector<std::string> commands;
        for (std::uint32_t n = from; n <= to && n != 0; ++n) {
            commands.push_back(DownloadCommand(HeaderRequest(n, count)));
        }
        return commands;
    };
    std::optional<PopPipeline> pipeline;
    std::uint32_t sent_behind_list = 0;  // the last message whose TOP goes with LIST
    if (working.parse != 0 && first <= count && UsePipelining(session)) {
        sent_behind_list = first + std::min<std::uint32_t>(count - first, kPipelineCommands - 1);
        pipeline.emplace(session, tops(first, sent_behind_list));
    }

    NetResult failure = NetResult::Success;
    ListRead list_read = ListRead::NetworkFailure;
    std::string rest;
    if (pipeline) {
        pipeline->Start("LIST\r\n");
    } else {
        PopSend(session, "LIST\r\n");
    }
    if (session.last_result != NetResult::Success) {
        failure = session.last_result;
    } else {
        list_read = ReadList(session, failure, rest);
    }
    if (list_read == ListRead::NetworkFailure) {
        session.last_result = failure;
        services.ShowMessage(NetResultText(failure), "Error during LIST", BoxIcon::Error);
        return FailLoad(session);
    }
    if (list_read == ListRead::ParseFailure) {
        services.ShowMessage(kListParseError, "Protocol error", BoxIcon::Error);
        return FailLoad(session);
    }

    // Messages past the last one LIST gave are not shown: a STAT count of
    // billions costs nothing unless the listing backs it.
    const auto last = static_cast<std::uint32_t>(session.sizes.size());
    if (working.parse == 0) {
        for (std::uint32_t n = first; n <= last; ++n) {
            list.Add(MakeUnparsedEntry(n, session.sizes[n - 1]));
        }
    } else {
        const Profile* stored =
            request.stored != nullptr ? FindProfile(*request.stored, working.name) : nullptr;
        const std::string_view networks =
            stored != nullptr ? stored->ispnetworks : working.ispnetworks;
        // Without a stored profile no flags are stored: an empty list has none.
        const InboxEntryMaker maker(JunkSettingsOf(working), networks,
                                    stored != nullptr ? stored->msgid : std::string_view(),
                                    working.use_status == 1);
        if (pipeline) {
            pipeline->Received(rest);
            pipeline->Add(tops(sent_behind_list + 1, last));
        }
        for (std::uint32_t n = first; n <= last; ++n) {
            DownloadedMessage message;
            std::string_view text;
            const DownloadRequest top = HeaderRequest(n, count);
            const DownloadResult result = pipeline ? pipeline->NextMessage(&top, text, services)
                                                   : PopDownload(session, top, message, services);
            switch (result) {
            case DownloadResult::Complete: break;
            case DownloadResult::Lost: return LoadOutcome::Lost;
            case DownloadResult::Refused: return LoadOutcome::Failed;
            case DownloadResult::NoMemory: return FailLoad(session);
            }
            if (!pipeline) {
                text = message.Text();
            } else if (HeaderBlockHoldsStatusLine(text)) {
                RefuseDownload(session, services);
                return LoadOutcome::Failed;
            }
            list.Add(maker.Make(text, n, session.sizes[n - 1]));
        }
        // TOP commands sent for messages that LIST did not give are answered
        // too; their replies are read past.
        if (pipeline && !pipeline->Finish(services)) {
            return LoadOutcome::Lost;
        }
    }

    if (first > 1) {
        services.ShowStatus(StatusLine::Inbox,
                            TextFormat("Showing %u newest from total %u messages (mailbox size: "
                                       "%.1f KB)",
                                       count - first + 1, count, Kilobytes(session.mailbox_size)));
    } else {
        services.ShowStatus(StatusLine::Inbox,
                            TextFormat("Loaded %u message(s) occupying %.1f KB", count,
                                       Kilobytes(session.mailbox_size)));
    }
    if (working.alive == 1 && working.nop_int != 0 && request.start_keep_alive) {
        request.start_keep_alive(std::chrono::milliseconds(std::int64_t{working.nop_int} * 1000));
    }
    if (working.autosort == 1) {
        list.SortNewestFirst();
    }
    if (request.set_title) {
        request.set_title(TextFormat("Tarvox - %s on %s", working.user.c_str(), working.host.c_str()));
    }
    return LoadOutcome::Loaded;
}

}  // namespace tarvox
