// What Mailman remembers between polls and decides around them: the rows of
// the last poll with their new-mail marks, the tray's new-mail state, the
// repoll a right click asks for, and what the end of a poll shows, plays and
// announces. The tray changes only while Mailman is enabled (`mailman` 1).
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "config/global_settings.h"

namespace tarvox {

// The desktop notification of new mail: one per poll, naming each profile
// with new mail and its message count.
struct NewMailNotice {
    std::string summary;
    std::string body;
    std::string first_profile;  // the one a click on the notice opens
};

class MailmanState {
public:
    // Whether a timer tick or a button may start a poll: none runs, and with
    // `checkras` set a dial-up connection is up.
    static bool MayPoll(const GlobalSettings& settings, bool running,
                        const std::function<bool()>& dial_up_connected);

    // A poll starts: its rows replace the last poll's, and a pending repoll
    // has begun.
    void PollStarted();
    void RowAdded(const std::string& name);
    // The row's mailbox changed: it is marked. True when the tray turns to
    // "you have mail".
    bool RowHasNewMail(std::size_t row, std::uint32_t count, const GlobalSettings& settings);

    struct PollEnd {
        bool tray_to_no_mail = false;
        bool play_sound = false;
        bool notify = false;
    };
    // Sound and notice only for timer-driven polls that found new mail while
    // the tray shows it; otherwise the tray goes back to "no new mail".
    PollEnd PollEnded(bool new_found, bool timer_driven, const GlobalSettings& settings);

    // The row named `name` (exactly) is no longer new: its mailbox was opened
    // or found empty. The row cleared, if any, and whether the tray turned to
    // "no new mail" because no row is marked any more.
    struct Cleared {
        std::ptrdiff_t row = -1;
        bool tray_to_no_mail = false;
    };
    Cleared ClearNewMark(const std::string& name, const GlobalSettings& settings);

    // A right click on the tray icon: whether to poll again (the tray shows
    // new mail, `repoll` is set and no repoll is pending yet).
    bool RepollOnRightClick(const GlobalSettings& settings);

    // "Tarvox: You have mail!" with one line a marked row; nothing to tell
    // when no row is marked.
    NewMailNotice Notice() const;

    bool new_mail_shown() const { return m_new_mail_shown; }

private:
    bool ShowNoNewMail(const GlobalSettings& settings);

    struct Row {
        std::string name;
        std::uint32_t count = 0;
        bool marked = false;
    };
    std::vector<Row> m_rows;
    bool m_new_mail_shown = false;
    bool m_repoll_pending = false;
};

// "Last mailrun was HH:MM:SS" for the local time `when`.
std::string LastMailrunText(const std::tm& when);

}  // namespace tarvox
