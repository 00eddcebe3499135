#include "protocols/pop_session.h"

#include "codec/text_format.h"
#include "codec/unsigned_scan.h"
#include "config/profile.h"
#include "frontend/services.h"

namespace tarvox {

bool PopSend(PopSession& session, std::string_view command) {
    session.last_result = session.connection.Send(command);
    return session.last_result == NetResult::Success;
}

StatusReply ReadStatus(PopSession& session, FrontendServices& services) {
    session.last_result = ReadReply(session.connection, session.text, kPopTextBufferSize);
    if (session.last_result != NetResult::Success) {
        session.connection.Close();
        services.NotifyLostConnection(session.last_result);
        return StatusReply::Lost;
    }
    return session.text.starts_with('+') ? StatusReply::Positive : StatusReply::Negative;
}

bool PopStat(NetConnection& connection, std::uint32_t& count, std::uint32_t& size,
             NetResult& result) {
    static constexpr std::size_t kStatReplySize = 100;
    result = connection.Send("STAT\r\n");
    if (result != NetResult::Success) {
        return false;
    }
    std::string reply;
    result = ReadReply(connection, reply, kStatReplySize);
    if (result != NetResult::Success) {
        return false;
    }
    std::string_view text = reply;
    std::size_t pos = 3;
    std::uint32_t parsed_count = 0;
    std::uint32_t parsed_size = 0;
    if (!text.starts_with("+OK") || !ScanUnsigned(text, pos, parsed_count) ||
        !ScanUnsigned(text, pos, parsed_size)) {
        return false;
    }
    count = parsed_count;
    size = parsed_size;
    return true;
}

NetResult PopQuit(NetConnection& connection, std::string* reply, std::size_t reply_size) {
    if (connection.Send("QUIT\r\n") == NetResult::Success) {
        std::string ignored;
        ReadReply(connection, reply != nullptr ? *reply : ignored, reply_size);
    }
    return connection.Close();
}

bool MailboxModified(Profile& stored, std::uint32_t count, std::uint32_t size) {
    // The recorded pair comes from "maildrop=%d %d"; compare as the unsigned
    // numbers they were stored from.
    const auto recorded_count = static_cast<std::uint32_t>(stored.maildrop[0]);
    const auto recorded_size = static_cast<std::uint64_t>(static_cast<std::uint32_t>(stored.maildrop[1]));
    if (count == 0) {
        stored.maildrop = {0, 0};
        return false;
    }
    if (count != recorded_count) {
        return true;
    }
    const std::uint64_t current = size;
    if (current + 100 < recorded_size) {
        return true;
    }
    return current > recorded_size + 100ull * count;
}

std::string DeleteCommand(std::uint32_t message_number) {
    return TextFormat("DELE %u\r\n", message_number);
}

bool DeleteAnswered(StatusReply reply, std::uint32_t message_number, FrontendServices& services,
                    const std::function<void(std::uint32_t)>& remove_from_list) {
    if (reply == StatusReply::Lost) {
        return false;
    }
    if (reply == StatusReply::Negative) {
        services.ShowMessage(
            "The mail server was unable to delete this message, either because it was deleted "
            "earlier or because of an internal server error.",
            "Error during delete!", BoxIcon::Error);
    }
    if (remove_from_list) {
        remove_from_list(message_number);
    }
    return true;
}

bool PopDelete(PopSession& session, std::uint32_t message_number, bool last_of_batch,
               FrontendServices& services,
               const std::function<void(std::uint32_t)>& remove_from_list) {
    PopSession::BusyGuard busy(session);
    PopSend(session, DeleteCommand(message_number));
    if (!DeleteAnswered(ReadStatus(session, services), message_number, services, remove_from_list)) {
        return false;
    }
    if (last_of_batch) {
        services.ShowStatus(StatusLine::Inbox, "Finished deleting message(s)");
    }
    return true;
}

void PopKeepAlive(PopSession& session, FrontendServices& services) {
    PopSession::BusyGuard busy(session);
    services.ShowStatus(StatusLine::Inbox, "Prodding server . . .");
    PopSend(session, "NOOP\r\n");
    if (ReadStatus(session, services) == StatusReply::Lost) {
        return;
    }
    services.ShowStatus(StatusLine::Inbox, "Connection is alive");
}

void RefreshMailboxStat(PopSession& session, FrontendServices& services) {
    PopSession::BusyGuard busy(session);
    services.ShowStatus(StatusLine::Inbox, "Retrieving mailbox stat...");
    std::uint32_t count = 0;
    std::uint32_t size = 0;
    NetResult result = NetResult::Success;
    if (PopStat(session.connection, count, size, result)) {
        services.ShowStatus(StatusLine::Inbox,
                            TextFormat("Mailbox contains %u message(s) occupying %.1f KB", count,
                                       static_cast<double>(size) / 1024.0));
    } else {
        services.ShowMessage("Server did not return mailbox stat", "Tarvox", BoxIcon::Error);
        services.ShowStatus(StatusLine::Inbox, "Mailbox stat unavailable");
    }
}

namespace {

// A server reply shown to the user, without its line end.
std::string ReplyLine(std::string_view reply) {
    std::size_t end = reply.find("\r\n");
    return std::string(reply.substr(0, end));
}

}  // namespace

InboxExit PopResetAndExit(PopSession& session, FrontendServices& services) {
    PopSession::BusyGuard busy(session);
    services.ShowStatus(StatusLine::Inbox, "Resetting mailbox and exiting . . .");
    PopSend(session, "RSET\r\n");
    StatusReply reply = ReadStatus(session, services);
    if (reply == StatusReply::Lost) {
        return InboxExit::Lost;
    }
    std::string reply_line = ReplyLine(session.text);
    services.ShowStatus(StatusLine::Inbox, reply_line);
    if (reply == StatusReply::Negative) {
        services.ShowMessage(reply_line, "", BoxIcon::Error);
        return InboxExit::StayOpen;
    }
    PopQuit(session.connection, &session.text, kPopTextBufferSize);
    return InboxExit::CloseInbox;
}

InboxExit PopSaveAndExit(PopSession& session, FrontendServices& services) {
    PopSession::BusyGuard busy(session);
    services.ShowStatus(StatusLine::Inbox, "Saving changes to mailbox and exiting . . .");
    session.text.clear();
    PopQuit(session.connection, &session.text, kPopTextBufferSize);
    if (!session.text.starts_with("+OK")) {
        std::string reason = session.text.substr(0, session.text.find_first_of("\r\n"));
        if (reason.empty()) {
            reason = "no answer";
        }
        services.ShowMessage(TextFormat(kQuitNotConfirmedFormat, reason.c_str()), "Tarvox",
                             BoxIcon::Error);
    }
    return InboxExit::CloseInbox;
}

}  // namespace tarvox
