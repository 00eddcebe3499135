#include "message/save_mail.h"

#include "message/header_scan.h"
#include "message/mail_file_name.h"

namespace tarvox {

SaveMailResult SaveDownloadedMessage(FrontendServices& services, const Profile& profile,
                                     const std::filesystem::path& mail_folder_root,
                                     std::string_view message_text) {
    const HeaderSummary summary = ScanHeaders(message_text);
    MailNameFields fields;
    fields.date = summary.date;
    fields.from = summary.from;
    if (!summary.to.empty()) {
        fields.to = summary.to.front().address;
    }
    fields.subject = summary.subject;

    SaveMailResult result;
    if (profile.savemail_dir.empty()) {
        // A folder that cannot be made shows up as a file that cannot be
        // created, which offers another name.
        CreateMailFolder(
            DefaultMailFolder(mail_folder_root, profile.name, MailFolderUse::SavedMail));
    }
    const std::optional<std::string> path =
        MailFilePathFor(profile, MailFolderUse::SavedMail, mail_folder_root, fields);
    if (!path) {
        services.ShowMessage(kNoValidMailFileName, kSaveMailTitle, BoxIcon::Error);
        result.outcome = SaveMailOutcome::NoName;
        return result;
    }
    const MailFileResult file = CreateMailFile(services, kSaveMailTitle, *path, message_text);
    result.path = file.path;
    switch (file.outcome) {
        case MailFileOutcome::Written:
            result.outcome = SaveMailOutcome::Saved;
            break;
        case MailFileOutcome::Skipped:
            result.outcome = SaveMailOutcome::Skipped;
            break;
        case MailFileOutcome::WriteFailed:
            result.outcome = SaveMailOutcome::Failed;
            break;
    }
    return result;
}

}  // namespace tarvox
