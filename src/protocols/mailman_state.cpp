#include "protocols/mailman_state.h"

#include "codec/text_format.h"

namespace tarvox {

bool MailmanState::MayPoll(const GlobalSettings& settings, bool running,
                           const std::function<bool()>& dial_up_connected) {
    if (running) {
        return false;
    }
    return settings.checkras != 1 || dial_up_connected();
}

void MailmanState::PollStarted() {
    m_rows.clear();
    m_repoll_pending = false;
}

void MailmanState::RowAdded(const std::string& name) {
    m_rows.push_back({name});
}

bool MailmanState::RowHasNewMail(std::size_t row, std::uint32_t count,
                                 const GlobalSettings& settings) {
    if (row < m_rows.size()) {
        m_rows[row].marked = true;
        m_rows[row].count = count;
    }
    if (settings.mailman != 1 || m_new_mail_shown) {
        return false;
    }
    m_new_mail_shown = true;
    return true;
}

bool MailmanState::ShowNoNewMail(const GlobalSettings& settings) {
    if (settings.mailman != 1 || !m_new_mail_shown) {
        return false;
    }
    m_new_mail_shown = false;
    return true;
}

MailmanState::PollEnd MailmanState::PollEnded(bool new_found, bool timer_driven,
                                              const GlobalSettings& settings) {
    PollEnd end;
    if (!new_found || !m_new_mail_shown) {
        end.tray_to_no_mail = ShowNoNewMail(settings);
        return end;
    }
    end.notify = timer_driven;
    end.play_sound = timer_driven && settings.newsound == 1;
    return end;
}

MailmanState::Cleared MailmanState::ClearNewMark(const std::string& name,
                                                 const GlobalSettings& settings) {
    Cleared cleared;
    bool any_marked = false;
    for (std::size_t row = 0; row < m_rows.size(); ++row) {
        if (cleared.row < 0 && m_rows[row].name == name) {
            m_rows[row].marked = false;
            cleared.row = static_cast<std::ptrdiff_t>(row);
        }
        any_marked = any_marked || m_rows[row].marked;
    }
    if (cleared.row >= 0 && !any_marked) {
        cleared.tray_to_no_mail = ShowNoNewMail(settings);
    }
    return cleared;
}

bool MailmanState::RepollOnRightClick(const GlobalSettings& settings) {
    if (!m_new_mail_shown || settings.repoll != 1 || m_repoll_pending) {
        return false;
    }
    m_repoll_pending = true;
    return true;
}

NewMailNotice MailmanState::Notice() const {
    NewMailNotice notice{"Tarvox: You have mail!", {}, {}};
    for (const Row& row : m_rows) {
        if (!row.marked) {
            continue;
        }
        if (notice.first_profile.empty()) {
            notice.first_profile = row.name;
        } else {
            notice.body += '\n';
        }
        notice.body += TextFormat("%s: %u message(s)", row.name.c_str(), row.count);
    }
    return notice;
}

std::string LastMailrunText(const std::tm& when) {
    return TextFormat("Last mailrun was %02d:%02d:%02d", when.tm_hour, when.tm_min, when.tm_sec);
}

}  // namespace tarvox
