// Runs each queued action on the next modal window, in order; a failed action or a modal
// window left with no action past the deadline closes the modal windows instead of hanging.
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
    // How long a wait may last; generous, as tests run beside a build on two cores.
    static constexpr int kDeadlineMs = 60000;

    // Runs the event loop until `done` holds; false when the deadline passed first.
    static bool RunUntil(const std::function<bool()>& done);
    // As RunUntil, looking again each time `sender` emits `signal`.
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
    // Runs the event loop until the worker of `window` has ended; false on the time-out.
    template <typename Window>
    static bool WorkerEnded(Window& window) {
        return RunUntil([&] { return !window.worker_running(); });
    }
    // Closes every modal window still open, even one that refuses Escape while busy.
    static void CloseModalWindows();
    // Runs `work` on a thread while the event loop turns; false when it did not end in time.
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
// Records the prompt, then submits `answer`, or cancels when `answer` is null.
DialogDriver::Action RecordPromptAndAnswer(SeenPrompt* seen, const QString& answer);

}  // namespace tarvox
