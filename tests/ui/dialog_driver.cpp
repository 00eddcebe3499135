#include "ui/dialog_driver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <vector>

namespace tarvox {

struct DialogDriver::State : std::enable_shared_from_this<State> {
    std::deque<Action> actions;
    // The window handed out last: it may stay up a moment after its action closed it.
    QPointer<QWidget> last_handled;
    // Windows whose action still runs: back on top they must not take the next box's action.
    std::vector<QPointer<QWidget>> running;
    // A modal window that no action is meant for, and since when.
    QPointer<QWidget> unhandled;
    QElapsedTimer unhandled_since;
    QTimer timer;

    bool Running(QWidget* window) const {
        return std::find(running.begin(), running.end(), window) != running.end();
    }
    void Tick();
};

void DialogDriver::State::Tick() {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible() || Running(modal)) {
        unhandled = nullptr;
        return;
    }
    if (modal == last_handled || actions.empty()) {
        if (unhandled != modal) {
            unhandled = modal;
            unhandled_since.start();
        } else if (unhandled_since.elapsed() > kDeadlineMs) {
            ADD_FAILURE() << "a modal window stayed open with no action for it: "
                          << modal->windowTitle().toStdString();
            unhandled = nullptr;
            CloseModalWindows();
        }
        return;
    }
    unhandled = nullptr;
    last_handled = modal;
    running.emplace_back(modal);
    Action action = std::move(actions.front());
    actions.pop_front();
    // A timer of its own, not a posted event: the action runs nested loops that must see timers.
    QTimer::singleShot(1, modal, [weak = weak_from_this(), action = std::move(action), modal] {
        const bool failed_before = ::testing::Test::HasFailure();
        action(modal);
        if (const std::shared_ptr<State> state = weak.lock()) {
            std::erase_if(state->running, [modal](const QPointer<QWidget>& w) {
                return w == nullptr || w == modal;
            });
        }
        if (!failed_before && ::testing::Test::HasFailure()) {
            CloseModalWindows();
        }
    });
}

DialogDriver::DialogDriver() : m_state(std::make_shared<State>()) {
    m_state->timer.setInterval(20);
    QObject::connect(&m_state->timer, &QTimer::timeout, [state = m_state.get()] { state->Tick(); });
    m_state->timer.start();
}

DialogDriver::~DialogDriver() = default;

void DialogDriver::Then(Action action) {
    m_state->actions.push_back(std::move(action));
}

std::size_t DialogDriver::pending() const {
    return m_state->actions.size();
}

bool DialogDriver::RunUntil(const std::function<bool()>& done) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done()) {
        if (elapsed.elapsed() > kDeadlineMs) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

bool DialogDriver::RunWorker(const std::function<void()>& work) {
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        work();
        finished = true;
    });
    const bool in_time = RunUntil([&] { return finished.load(); });
    if (!in_time) {
        CloseModalWindows();
    }
    worker.join();
    return in_time;
}

void DialogDriver::CloseModalWindows() {
    QWidget* previous = nullptr;
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (modal == previous) {
            modal->hide();
        } else if (auto* dialog = qobject_cast<QDialog*>(modal)) {
            dialog->done(QDialog::Rejected);
        } else {
            modal->close();
        }
        previous = modal;
        QApplication::processEvents();
    }
}

namespace {

// A button of `dialog` itself, never one of a box standing over it.
QAbstractButton* FindButton(QWidget* dialog, const QString& text_or_name) {
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->window() != dialog) {
            continue;
        }
        QString text = button->text();
        text.remove('&');
        if (button->objectName() == text_or_name || text == text_or_name) {
            return button;
        }
    }
    return nullptr;
}

}  // namespace

DialogDriver::Action ClickButton(const QString& text_or_name) {
    return [text_or_name](QWidget* dialog) {
        if (QAbstractButton* button = FindButton(dialog, text_or_name)) {
            button->click();
        } else {
            ADD_FAILURE_AT(__FILE__, __LINE__) << "no button " << text_or_name.toStdString();
            dialog->close();
        }
    };
}

DialogDriver::Action TypeAndClick(const QString& text, const QString& button) {
    return [text, button](QWidget* dialog) {
        if (auto* input = dialog->findChild<QLineEdit*>()) {
            input->setText(text);
        }
        ClickButton(button)(dialog);
    };
}

DialogDriver::Action RecordBoxAndClick(SeenBox* seen, const QString& button) {
    return [seen, button](QWidget* dialog) {
        if (qobject_cast<QMessageBox*>(dialog) == nullptr &&
            FindButton(dialog, button) == nullptr) {
            // Handed the window the box is about to stand over: the box is meant.
            DialogDriver::RunUntil([&] {
                QWidget* modal = QApplication::activeModalWidget();
                if (qobject_cast<QMessageBox*>(modal) == nullptr) {
                    return false;
                }
                dialog = modal;
                return true;
            });
        }
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            seen->title = box->windowTitle();
            seen->text = box->text();
            seen->icon = box->icon();
            seen->plain_text = box->textFormat() == Qt::PlainText;
            for (QAbstractButton* b : box->buttons()) {
                seen->buttons << b->text().remove('&');
            }
            if (box->defaultButton() != nullptr) {
                seen->default_button = box->defaultButton()->text().remove('&');
            }
        }
        ClickButton(button)(dialog);
    };
}

DialogDriver::Action RecordPromptAndAnswer(SeenPrompt* seen, const QString& answer) {
    return [seen, answer](QWidget* dialog) {
        seen->title = dialog->windowTitle();
        if (auto* label = dialog->findChild<QLabel*>()) {
            seen->text = label->text();
        }
        auto* input = dialog->findChild<QLineEdit*>("input");
        if (input == nullptr) {
            ADD_FAILURE_AT(__FILE__, __LINE__) << "not a text prompt";
            dialog->close();
            return;
        }
        seen->initial = input->text();
        if (answer.isNull()) {
            ClickButton("cancel")(dialog);
            return;
        }
        input->setText(answer);
        ClickButton("submit")(dialog);
    };
}

}  // namespace tarvox
