// The save-mail dialog of the inbox: downloads the selected messages one after
// another on the session's worker and writes each, exactly as downloaded, to a
// file of its own, named by the profile's saving settings. Stop ends the run
// after the message in progress; Abort closes the connection; Options edits
// the saving settings of the profile.
#pragma once

#include <QDialog>

#include <cstdint>
#include <optional>
#include <vector>

#include "message/save_mail.h"
#include "protocols/save_mail_run.h"

class QLabel;
class QPushButton;

namespace tarvox {

struct AppContext;
class MessageList;
struct Profile;
class SessionHost;

inline constexpr const char* kSaveMailFailure = "Failure while saving mail";

class SaveMailDialog : public QDialog {
    Q_OBJECT

public:
    // `context.services` must be set. `list` is the inbox's list: the rows
    // selected when Save is pressed are saved, in row order. `profile` gives
    // the saving settings and the name the files are named with; Options
    // changes its settings. All of them must outlive the dialog. While open,
    // the dialog takes the services' download progress line and dialog
    // parent; the inbox takes them back.
    SaveMailDialog(AppContext& context, SessionHost& host, const MessageList& list,
                   Profile& profile, QWidget* parent = nullptr);

    // The buttons' commands.
    void Save();
    void Stop();
    void Abort();
    void ShowOptions();

    // Whether a run goes, from Save to its end. A run that a lost connection
    // cut off (the inbox has closed) stays marked.
    bool running() const { return m_running; }

    QLabel* folder_line() const { return m_folder; }
    QLabel* progress_line() const { return m_progress; }
    QLabel* size_line() const { return m_size; }
    QPushButton* save_button() const { return m_save; }
    QPushButton* stop_button() const { return m_stop; }
    QPushButton* abort_button() const { return m_abort; }
    QPushButton* options_button() const { return m_options; }
    QPushButton* close_button() const { return m_close; }

signals:
    // The download of message `index` of `total` (from 1) has been started.
    void messageStarted(int index, int total);

protected:
    // Close, Cancel and Escape: refused with the Busy box while a network
    // operation runs.
    void reject() override;

private:
    // Starts the job that downloads and saves `numbers` one after another.
    void StartRun(std::vector<std::uint32_t> numbers);
    // Before message `index` (from 1): moves the run on and shows it; false
    // when the run was stopped (on the GUI thread).
    bool MessageStarting(int index);
    // The run's job has ended with its last message's outcome (on the GUI thread).
    void RunEnded(std::optional<SaveMailOutcome> outcome);
    void EndRun();
    void FailRun();
    void SetRunning(bool running);
    void ShowFolder();

    AppContext& m_context;
    SessionHost& m_host;
    const MessageList& m_list;
    Profile& m_profile;

    QLabel* m_folder = nullptr;
    QLabel* m_progress = nullptr;
    QLabel* m_size = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_abort = nullptr;
    QPushButton* m_options = nullptr;
    QPushButton* m_close = nullptr;

    bool m_running = false;
    // The last run started; it stays after its end for the texts it gave.
    std::optional<SaveMailRun> m_run;
};

}  // namespace tarvox
