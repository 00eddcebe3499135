#include "compose/send_worker.h"

#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <memory>

#include "codec/base64.h"
#include "codec/text_format.h"
#include "codec/utf8.h"
#include "compose/system_random.h"
#include "config/file_io.h"
#include "frontend/services.h"
#include "message/address_list.h"
#include "message/header_words.h"
#include "protocols/smtp_session.h"

namespace tarvox {

void SendAbortHandle::Abort() {
    std::lock_guard lock(m_mutex);
    m_aborted = true;
    if (m_session != nullptr) {
        m_session->Abort();
    }
}

void SendAbortHandle::Attach(SmtpSession* session) {
    std::lock_guard lock(m_mutex);
    m_session = session;
    if (session != nullptr && m_aborted) {
        session->Abort();
    }
}

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// The attachment's file opened for reading, or nothing when it is no longer
// a regular file that can be opened; a FIFO put in its place is not waited on.
File OpenAttachment(const std::string& path) {
    FileReadError error = FileReadError::None;
    const int fd = OpenRegularFile(path, error);
    if (fd < 0) {
        return nullptr;
    }
    File file(::fdopen(fd, "rb"));
    if (!file) {
        ::close(fd);
    }
    return file;
}

// The file part of a path.
std::string FileName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A file name cut to the header limit and encoded when needed.
std::string EncodedFileName(const std::string& file_name) {
    std::string name(Utf8Prefix(file_name, 511));
    if (CountNonAscii(name) > 0) {
        EncodeHeaderWord(name, 512);
    }
    return name;
}

// A file name as an RFC 2231 extended value: "UTF-8''" and the bytes, all but
// the attribute characters percent-encoded.
std::string ExtendedFileName(const std::string& file_name) {
    static constexpr std::string_view kAttributeCharacters = "!#$&+-.^_`|~";
    std::string value = "UTF-8''";
    for (const char c : ValidUtf8(file_name)) {
        const bool alphanumeric =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (alphanumeric || kAttributeCharacters.find(c) != std::string_view::npos) {
            value += c;
        } else {
            value += TextFormat("%%%02X", static_cast<unsigned char>(c));
        }
    }
    return value;
}

// The part headers of an attachment. A name that does not fit ISO-8859-1 is
// given by RFC 2231 in the disposition, and by encoded words in the type for
// readers that know only those.
std::string AttachmentHeaders(const ComposedAttachment& attachment) {
    const std::string file_name = FileName(attachment.path);
    const std::string name = EncodedFileName(file_name);
    std::string headers =
        TextFormat("Content-Type: %s; name=\"%s\"\r\n", attachment.mime_type.c_str(), name.c_str());
    if (CharsetFor(file_name) == MessageCharset::Utf8) {
        headers +=
            "Content-Disposition: attachment; filename*=" + ExtendedFileName(file_name) + "\r\n";
    } else {
        headers += TextFormat("Content-Disposition: attachment; filename=\"%s\"\r\n", name.c_str());
    }
    headers += "Content-Transfer-Encoding: BASE64\r\n";
    return CharsetBytes(headers, CharsetFor(headers));
}

class SendRun {
public:
    SendRun(const TlsLibrary* tls, const SendRequest& request, FrontendServices& services,
            SendAbortHandle* abort)
        : m_tls(tls), m_request(request), m_services(services), m_abort(abort) {}

    bool Run();

private:
    bool Envelope(SmtpSession& session);
    bool SendAttachments(SmtpSession& session, const std::string& delimiter);

    const TlsLibrary* m_tls;
    const SendRequest& m_request;
    FrontendServices& m_services;
    SendAbortHandle* m_abort;
    std::uint64_t m_total_size = 0;
};

bool SendRun::Envelope(SmtpSession& session) {
    const ComposedMessage& message = m_request.message;
    AddressList from;
    ParseAddressList(message.from, from);
    if (!session.MailFrom(from.empty() ? message.from : from.front().address)) {
        return false;
    }
    AddressList recipients;
    ParseAddressList(message.to + ", " + message.cc + ", " + message.bcc, recipients);
    for (const AddressEntry& recipient : recipients) {
        if (!session.RcptTo(recipient.address)) {
            return false;
        }
    }
    return true;
}

bool SendRun::SendAttachments(SmtpSession& session, const std::string& delimiter) {
    if (!session.SendLine("")) {
        return false;
    }
    using Clock = std::chrono::steady_clock;
    std::uint64_t estimate = 0;
    for (const ComposedAttachment& attachment : m_request.message.attachments) {
        File file(OpenAttachment(attachment.path));
        if (!file) {
            // Gone since it was measured: the rest is skipped and the message
            // still closes properly.
            break;
        }
        if (!session.SendLine(delimiter) || !session.SendLine(AttachmentHeaders(attachment))) {
            return false;
        }
        Clock::time_point last_update = Clock::now();
        char slice[kAttachmentSlice];
        for (;;) {
            std::size_t count = std::fread(slice, 1, sizeof(slice), file.get());
            if (count == 0) {
                break;
            }
            if (!session.SendLine(EncodeBase64(std::string_view(slice, count)))) {
                return false;
            }
            estimate += kAttachmentSlice;
            if (Clock::now() - last_update >= std::chrono::milliseconds(1000)) {
                last_update = Clock::now();
                const std::uint64_t percent = m_total_size > 0 ? estimate * 100 / m_total_size : 0;
                m_services.ShowStatus(StatusLine::Composer,
                                      TextFormat("Uploading attachment(s) . . . %u%%",
                                                 static_cast<unsigned>(percent)));
            }
        }
        if (!session.SendLine("")) {
            return false;
        }
    }
    return true;
}

bool SendRun::Run() {
    const SendRequest& request = m_request;
    const ComposedMessage& message = request.message;
    const std::string host = MessageHost(request.fqdn);
    const std::string& user = request.smtp.user.empty() ? request.profile.user : request.smtp.user;
    const std::string& password =
        request.smtp.password.empty() ? request.profile.pass : request.smtp.password;

    if (request.smtp.pop_before_smtp) {
        m_services.ShowStatus(StatusLine::Composer, "Authenticating through POP3 server...");
        PopBeforeSmtpRequest pop;
        pop.inbox_open = request.inbox_open;
        pop.host = request.profile.host;
        pop.port = request.profile.port;
        pop.user = request.profile.user;
        pop.password = request.profile.pass;
        pop.protopop = request.profile.protopop;
        pop.apop = request.profile.apop == 1;
        pop.recorded_fingerprint =
            &TrustedFingerprint(request.profile.pop_sslid, request.profile.pop_sslid256);
        pop.idle_limit = request.idle_limit;
        const PopBeforeSmtpResult result = PopBeforeSmtp(m_tls, pop);
        if (result != PopBeforeSmtpResult::LoggedIn) {
            m_services.ShowMessage(PopBeforeSmtpText(result), "POP before SMTP authentication",
                                   BoxIcon::Error);
        }
    }

    SmtpSession session(m_tls, m_services, host);
    session.SetIdleLimit(request.idle_limit);
    if (m_abort != nullptr) {
        m_abort->Attach(&session);
    }
    struct Detach {
        SendAbortHandle* handle;
        ~Detach() {
            if (handle != nullptr) {
                handle->Attach(nullptr);
            }
        }
    } detach{m_abort};

    if (!session.Connect(request.smtp.server, request.smtp.port, request.smtp.protocol,
                         request.recorded_smtp_fingerprint, request.record_smtp_fingerprint)) {
        return false;
    }
    if (request.smtp.use_auth && !user.empty() && !password.empty() &&
        !session.Auth(user, password)) {
        return false;
    }
    if (!Envelope(session)) {
        return false;
    }

    // The boundary and the Message-ID are drawn in that order.
    const std::time_t now = std::time(nullptr);
    const RandomDraw draw = request.draw ? request.draw : RandomDraw(SystemRandomDraw);
    const bool eight_bit = BodyHasEightBit(message);
    const MessageCharset charset = BodyCharset(message);
    bool all_files_there = true;
    for (const ComposedAttachment& attachment : message.attachments) {
        File file(OpenAttachment(attachment.path));
        if (!file || std::fseek(file.get(), 0, SEEK_END) != 0) {
            all_files_there = false;
            continue;
        }
        long size = std::ftell(file.get());
        m_total_size += size > 0 ? static_cast<std::uint64_t>(size) : 0;
    }
    const std::string boundary =
        !message.attachments.empty() && all_files_there ? MakeBoundary(draw) : std::string();

    HeaderBlockRequest header;
    header.boundary = boundary;
    header.quoted_printable = eight_bit;
    header.charset = charset;
    header.date = MakeMailDate(now);
    header.message_id = MakeMessageId(now, host, draw);
    if (!session.Data() || !session.SendLine(BuildHeaderBlock(message, header))) {
        return false;
    }
    const std::string delimiter = "--" + boundary;
    if (!boundary.empty()) {
        if (!session.SendLine(delimiter)) {
            return false;
        }
        bool ok = eight_bit
                      ? session.SendLine("Content-Type: text/plain; charset=" +
                                         std::string(CharsetName(charset))) &&
                            session.SendLine("Content-Transfer-Encoding: QUOTED-PRINTABLE\r\n")
                      : session.SendLine("Content-Type: text/plain; charset=US-ASCII") &&
                            session.SendLine("Content-Transfer-Encoding: 7BIT\r\n");
        if (!ok) {
            return false;
        }
    }
    bool ok = true;
    for (const std::string& editor_line : message.body_lines) {
        std::string line = BodyLine(editor_line, charset);
        if (eight_bit) {
            EncodeQuotedPrintableLine(line, [&](std::string_view piece) {
                ok = ok && session.SendLine(piece);
            });
        } else {
            ok = session.SendLine(line);
        }
        if (!ok) {
            return false;
        }
    }
    if (!boundary.empty()) {
        if (!SendAttachments(session, delimiter) || !session.SendLine(delimiter + "--")) {
            return false;
        }
    }
    if (!session.EndData()) {
        return false;
    }
    session.Quit();
    return true;
}

}  // namespace

bool SendWorker(const TlsLibrary* tls, const SendRequest& request, FrontendServices& services,
                SendAbortHandle* abort) {
    bool sent = SendRun(tls, request, services, abort).Run();
    services.ReportSendResult(sent);
    return sent;
}

}  // namespace tarvox
