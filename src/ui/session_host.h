// What the windows opened from the inbox (the viewer, the save-mail dialog)
// need of the open POP3 session: its one worker thread, the busy rule and
// Abort. The inbox window provides it, so that every network operation of a
// session runs on the same worker, one at a time, whichever window asked.
#pragma once

#include <functional>

namespace tarvox {

struct PopSession;

class SessionHost {
public:
    virtual ~SessionHost() = default;

    virtual PopSession& Session() = 0;
    // Whether a network operation runs.
    virtual bool Busy() const = 0;
    // The "Busy" box.
    virtual void ShowBusyBox() = 0;
    // Runs `work` on the session's worker thread; once the thread has ended,
    // `ended` runs on the GUI thread. The two share the job's outcome through
    // what they capture; a job that let out an exception leaves it untouched.
    // `ended` is not called when the inbox has closed meanwhile (a lost
    // connection closes it), so it may not be the only place that releases
    // what `work` holds. The caller checks Busy() first.
    virtual void RunSessionJob(std::function<void()> work, std::function<void()> ended) = 0;
    // Asks "Are you sure you want to abort ..."; Yes closes the connection,
    // which makes the running operation fail.
    virtual void AbortSession() = 0;
};

}  // namespace tarvox
