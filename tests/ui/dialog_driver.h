// Answers the modal dialogs a test opens, as a user would: each queued action
// runs on the next modal window that appears (a message box, a prompt, any
// dialog), in order.
#pragma once

#include <QString>
#include <QWidget>

#include <functional>
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
    // Runs the event loop until `done` holds or five seconds have passed;
    // false on the time-out.
    static bool RunUntil(const std::function<bool()>& done);
    // Runs `work` on a thread of its own while the event loop turns, as a
    // worker calling the services would; false when it did not end in time.
    static bool RunWorker(const std::function<void()>& work);

    // The actions not yet used.
    std::size_t pending() const;

private:
    struct State;
    State* m_state;
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
