#include "protocols/save_mail_run.h"

#include <utility>

#include "codec/text_format.h"
#include "message/mail_file_name.h"

namespace tarvox {

SaveMailRun::SaveMailRun(std::vector<std::uint32_t> numbers)
    : m_numbers(std::move(numbers)), m_total(static_cast<int>(m_numbers.size())) {}

SaveMailStep SaveMailRun::MessageEnded(std::optional<SaveMailOutcome> outcome) {
    if (outcome != SaveMailOutcome::Saved && outcome != SaveMailOutcome::Skipped) {
        return SaveMailStep::Failed;
    }
    if (m_index < m_total && static_cast<std::size_t>(m_index) < m_numbers.size()) {
        ++m_index;
        return SaveMailStep::NextMessage;
    }
    return SaveMailStep::Done;
}

std::string SaveMailRun::ProgressText() const {
    return TextFormat("Downloading message %d of %d . . . [ %u%% ]", m_index, m_total,
                      static_cast<unsigned>(m_total > 0 ? m_index * 100 / m_total : 0));
}

std::string SaveMailRun::DoneText() const {
    return TextFormat("Done saving %d message(s)", m_total);
}

void KeepSavedMailSettings(ProfileList& stored, const Profile& working) {
    if (Profile* profile = FindProfile(stored, working.name)) {
        StoreMailSaveSettings(*profile, MailFolderUse::SavedMail,
                              MailSaveSettingsOf(working, MailFolderUse::SavedMail));
    }
}

}  // namespace tarvox
