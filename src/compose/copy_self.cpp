#include "compose/copy_self.h"

#include <optional>
#include <string>

#include "codec/stored_text.h"
#include "compose/message_builder.h"
#include "compose/save_text.h"
#include "message/mail_file_creation.h"
#include "message/mail_file_name.h"

namespace tarvox {

CopySelfOutcome WriteCopyToSelf(const ComposedMessage& message, const Profile& profile,
                                const std::filesystem::path& mail_folder_root, std::time_t now,
                                FrontendServices& services) {
    constexpr MailFolderUse kUse = MailFolderUse::CopyToSelf;
    if (MailSaveSettingsOf(profile, kUse).folder.empty()) {
        // A folder that cannot be made shows up as a file that cannot be
        // created, which offers another name.
        CreateMailFolder(DefaultMailFolder(mail_folder_root, profile.name, kUse));
    }
    MailNameFields fields;
    fields.date = MakeMailDate(now);
    fields.from = message.from;
    fields.to = message.to;
    fields.subject = message.subject;
    const std::optional<std::string> path =
        MailFilePathFor(profile, kUse, mail_folder_root, fields);
    if (!path) {
        services.ShowMessage(kNoValidMailFileName, kCopySelfTitle, BoxIcon::Error);
        return CopySelfOutcome::NoValidName;
    }
    const std::string text = ToStoredText(ComposeText(message, true, now));
    switch (CreateMailFile(services, kCopySelfTitle, *path, text).outcome) {
        case MailFileOutcome::Written:
            return CopySelfOutcome::Written;
        case MailFileOutcome::Skipped:
            return CopySelfOutcome::Skipped;
        case MailFileOutcome::WriteFailed:
            break;
    }
    services.ShowMessage(kUnableToCreateFile, kCopySelfTitle, BoxIcon::Error);
    return CopySelfOutcome::Failed;
}

}  // namespace tarvox
