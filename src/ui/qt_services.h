// The front-end services of the Qt program. Workers call them from their own
// threads: status texts are queued to the GUI thread; boxes, prompts, the
// certificate dialog and the lost-connection notice are run on the GUI thread
// while the worker waits for the answer.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <array>
#include <functional>
#include <mutex>

#include "frontend/services.h"

class QLabel;

namespace tarvox {

class QtServices : public QObject, public FrontendServices {
    Q_OBJECT

public:
    // Must be created on the GUI thread.
    explicit QtServices(QObject* parent = nullptr);

    BoxAnswer ShowMessageBox(const MessageBoxRequest& request) override;
    TextPromptResult TextPrompt(const TextPromptRequest& request) override;
    void ShowStatus(StatusLine line, std::string_view text) override;
    CertificateDecision ShowCertificate(const CertificateView& view) override;
    void NotifyLostConnection(NetResult result) override;
    void ReportSendResult(bool sent) override;
    void ShowTextOutput(std::string_view title, std::string_view text) override;

    // The window that owns the dialogs (none: they stand alone).
    void SetDialogParent(QWidget* parent);
    QWidget* DialogParent() const;
    // Where the texts of a status line go; run on the GUI thread. An empty
    // function drops them.
    void SetStatusSink(StatusLine line, std::function<void(const QString&)> sink);
    // The texts of a status line go to `label` for as long as it exists.
    void SetStatusLabel(StatusLine line, QLabel* label);
    // The inbox's handling of a lost connection, run on the GUI thread; the
    // worker waits until it returns. Without one a box tells the user.
    void SetLostConnectionHandler(std::function<void(NetResult)> handler);
    void SetSendResultHandler(std::function<void(bool)> handler);
    // Opens the help page at an anchor ("#sslinfo").
    void SetHelpHandler(std::function<void(const QString& anchor)> handler);

    // Runs `call` on the GUI thread and waits for it (at once on the GUI
    // thread itself). A worker asks its window this way; the GUI thread never
    // waits for a worker, so this cannot deadlock.
    void RunOnGuiThread(const std::function<void()>& call);

private:
    QPointer<QWidget> m_dialog_parent;
    mutable std::mutex m_mutex;  // guards the handlers, which any thread may read
    std::array<std::function<void(const QString&)>, 5> m_status_sinks;
    std::function<void(NetResult)> m_lost_connection;
    std::function<void(bool)> m_send_result;
    std::function<void(const QString&)> m_help;
};

}  // namespace tarvox
