// One run of the program after the command line was read: the other-instance
// handling, TLS, settings and address books, then view mode or the loop
// between the options window and the inbox window, and saving on the way
// out. Returns the exit code.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "ui/app_context.h"

namespace tarvox {

// The windows a run opens; tests replace them.
struct ProgramWindows {
    // Runs the options window modally; 1 when it entered a mailbox (the
    // session is then in the context).
    std::function<int(AppContext&)> options_window;
    // Runs the inbox window on the context's session. Empty until the inbox
    // window exists: the session is then ended with QUIT at once.
    std::function<void(AppContext&)> inbox_window;
    // Runs the viewer on a message file. Empty until the viewer exists.
    std::function<void(AppContext&, const std::string& file)> viewer;
    // Opens the composer on a handed-over /TO link (in context.start.to_link,
    // its address in context.start.to_address). Empty until the composer
    // exists.
    std::function<void(AppContext&)> compose_to;
    // Makes the background poller's window, which lives until the run ends.
    // Empty: the run has no poller.
    std::function<std::unique_ptr<QWidget>(AppContext&)> mailman;
    // The local socket of the running program; empty: this user's own.
    QString instance_name;
};

inline constexpr int kExitRefused = 255;

// `context.paths`, `context.start` and `context.services` must be set.
int RunProgram(AppContext& context, const ProgramWindows& windows);

}  // namespace tarvox
