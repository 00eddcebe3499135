#include "compose/send_preparation.h"

#include <unistd.h>
#include <algorithm>

#include "config/file_io.h"
#include "frontend/services.h"
#include "message/header_words.h"

namespace tarvox {

namespace {

constexpr std::size_t kLongestSubject = 75;
constexpr const char* kIncomplete = "Incomplete/incorrect parameters";

// Opens the file for reading and takes its size by seeking to its end. False
// for anything but a regular file: a FIFO would make the send wait forever.
bool TakeFileSize(const std::string& path, std::uint64_t& size) {
    FileReadError error = FileReadError::None;
    const int fd = OpenRegularFile(path, error);
    if (fd < 0) {
        return false;
    }
    const off_t end = ::lseek(fd, 0, SEEK_END);
    ::close(fd);
    if (end < 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(end);
    return true;
}

// UTF-8 subjects are encoded as words of at most 66 characters on lines of
// their own; the limit holds for each of them.
std::size_t LongestFoldedLine(std::string_view value) {
    std::size_t longest = 0;
    for (std::size_t start = 0; start <= value.size();) {
        const std::size_t end = std::min(value.find("\r\n ", start), value.size());
        longest = std::max(longest, end - start);
        start = end + 3;
    }
    return longest;
}

bool Refuse(FrontendServices& services, std::string_view text) {
    services.ShowMessage(text, kIncomplete, BoxIcon::Warning);
    return false;
}

}  // namespace

std::string SenderFieldText(const Profile& profile) {
    if (profile.SMTPaddress.empty()) {
        return {};
    }
    if (profile.SMTPname.empty()) {
        return profile.SMTPaddress;
    }
    return "\"" + profile.SMTPname + "\" <" + profile.SMTPaddress + ">";
}

SendRequest SendRequestForProfile(const Profile& profile, const GlobalSettings& global) {
    SendRequest request;
    request.message.from = SenderFieldText(profile);
    request.message.reply_to = profile.SMTPreplyto;
    if (global.useautobcc != 0 && !profile.SMTPautobcc.empty()) {
        request.message.bcc = profile.SMTPautobcc;
    }
    request.smtp.server = profile.SMTPserver;
    request.smtp.port = profile.SMTPport;
    request.smtp.protocol = profile.SMTPproto;
    request.smtp.use_auth = profile.SMTPauth != 0;
    request.smtp.pop_before_smtp = profile.SMTPpopbefore != 0;
    request.smtp.user = profile.SMTPuser;
    request.smtp.password = profile.SMTPpass;
    request.fqdn = global.fqdn;
    request.profile = profile;
    return request;
}

bool CheckBeforeSend(ComposedMessage& message, const SmtpSendSettings& smtp, bool gpg_used,
                     FrontendServices& services) {
    for (ComposedAttachment& attachment : message.attachments) {
        if (!TakeFileSize(attachment.path, attachment.size)) {
            services.ShowMessage(
                "At least one of the attached files cannot be opened for reading. Please "
                "correct then re-try.",
                "Problem with attachments", BoxIcon::Warning);
            return false;
        }
    }
    if (gpg_used && !message.attachments.empty() &&
        services.ShowMessage("WARNING: Tarvox does not sign or encrypt attachments. Proceed with "
                             "send?",
                             "PGP/GPG support", BoxIcon::Warning,
                             BoxButtons::YesNo) != BoxAnswer::Yes) {
        return false;
    }
    std::string subject = message.subject;
    if (CountNonAscii(subject) > 0) {
        EncodeHeaderWord(subject);
    }
    if (LongestFoldedLine(subject) > kLongestSubject) {
        return Refuse(services,
                      "The subject is too long. The maximum length of the subject, after non "
                      "US-ASCII character encoding (if needed) is 75 characters.");
    }
    if (smtp.server.empty()) {
        return Refuse(services,
                      "Please define an SMTP server (SMTP tab) in order to send this e-mail");
    }
    if (smtp.port == 0) {
        return Refuse(services, "Please enter a valid SMTP port number, usually 25 (SMTP tab)");
    }
    if (message.from.empty()) {
        return Refuse(services, "Please provide a From: field (SMTP tab) to identify the sender");
    }
    if (message.to.empty()) {
        return Refuse(services, "Please identify the recipient(s) by filling in the To: field");
    }
    if (message.subject.empty()) {
        return Refuse(services, "Please fill in the Subject: field");
    }
    return true;
}

}  // namespace tarvox
