// Answers the modal dialogs a test opens, as a user would: each queued action
// runs on the next modal window that appears (a message box, a prompt, any
// dialog), in order. An action that records a test failure closes every modal
// window it leaves open, so a failed step ends the test instead of leaving a
// modal loop waiting for a press that never comes; so does a modal window
// left open with no action for it beyond the deadline.
#pragma once

#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <thread>

namespace tarvox {

class DialogDriver {
public:
    using Action = std::function<void(QWidget* dialog)>;

    DialogDriver();
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;

    // The next modal window gets `action`; it must close it (or open another).
    void Then(Action action);
    // How long a wait may last before the test gives up on it. Generous: the
    // tests run two at a time beside a build on two cores.
    static constexpr int kDeadlineMs = 60000;

    // Runs the event loop until `done` holds or the deadline has passed;
    // false on the time-out.
    static bool RunUntil(const std::function<bool()>& done);
    // Runs the event loop until `done` holds, looking again each time
    // `sender` emits `signal` (a window's own "idle" signal); false when the
    // deadline passed first.
    template <typename Sender, typename Signal>
    static bool WaitForSignal(Sender* sender, Signal signal, const std::function<bool()>& done) {
        if (done()) {
            return true;
        }
        QEventLoop loop;
        QObject::connect(sender, signal, &loop, [&] {
            if (done()) {
                loop.quit();
            }
        });
        QTimer::singleShot(kDeadlineMs, &loop, &QEventLoop::quit);
        loop.exec();
        return done();
    }
    // Closes every modal window still open (a dialog ends with Rejected,
    // even one that refuses Escape while busy).
    static void CloseModalWindows();
    // Runs `work` on a thread of its own while the event loop turns, as a
    // worker calling the services would; false when it did not end in time.
    static bool RunWorker(const std::function<void()>& work);

    // The actions not yet used.
    std::size_t pending() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

// Common actions.
DialogDriver::Action ClickButton(const QString& text_or_name);
DialogDriver::Action TypeAndClick(const QString& text, const QString& button);

// What a message box showed.
struct SeenBox {
    QString title;
    QString text;
    int icon = 0;  // QMessageBox::Icon
    QStringList buttons;
    QString default_button;
    bool plain_text = false;  // the text is never read as rich text
};
DialogDriver::Action RecordBoxAndClick(SeenBox* seen, const QString& button);

// What a text prompt showed.
struct SeenPrompt {
    QString title;
    QString text;
    QString initial;  // the input's text as the prompt opened
};
// Records the prompt, then types `answer` and submits, or cancels when
// `answer` is null.
DialogDriver::Action RecordPromptAndAnswer(SeenPrompt* seen, const QString& answer);

}  // namespace tarvox
