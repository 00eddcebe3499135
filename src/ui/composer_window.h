// The composer: a message is written on its Message page, files attached on
// its Attachments page and the sending profile and server chosen on its SMTP
// page; Send runs the checks, writes the copy to self when asked and sends on
// the window's own joined worker; Cancel offers to abort a send under way.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

#include "compose/composed_message.h"
#include "compose/send_worker.h"
#include "config/profile.h"
#include "ui/file_open_picker.h"
#include "ui/file_save_picker.h"
#include "ui/session_worker.h"
#include "ui/viewer_window.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;

namespace tarvox {

struct AppContext;
class AddressCompleter;
class ComposerAttachmentsPage;
class ComposerMessagePage;
class ComposerSmtpPage;

class ComposerWindow : public QDialog {
    Q_OBJECT

public:
    // Opens on `start` (recipients, subject, body, threading fields) for
    // `profile`, whose sender, server and automatic BCC fill the pages.
    ComposerWindow(AppContext& context, const ComposedMessage& start, Profile profile,
                   QWidget* parent = nullptr);
    ~ComposerWindow() override;

    // Replaceable desktop pieces (tests answer them).
    void SetOpenPicker(FileOpenPicker picker);
    void SetSavePicker(FileSavePicker picker) { m_save_picker = std::move(picker); }
    void SetTextPrinter(TextPrinter printer) { m_printer = std::move(printer); }
    void SetUrlOpener(UrlOpener opener) { m_url_opener = std::move(opener); }
    // How long the servers may stay silent during a send (none by default).
    void SetIdleLimit(std::chrono::milliseconds limit) { m_idle_limit = limit; }

    // Whether the message was sent.
    bool sent() const { return m_sent; }
    // Whether a send is under way.
    bool sending() const { return m_worker.running(); }

    QTabWidget* tabs() const { return m_tabs; }
    ComposerMessagePage* message_page() const { return m_message_page; }
    ComposerAttachmentsPage* attachments_page() const { return m_attachments_page; }
    ComposerSmtpPage* smtp_page() const { return m_smtp_page; }
    QLabel* status_line() const { return m_status; }
    QPushButton* send_button() const { return m_send; }
    QPushButton* cancel_button() const { return m_cancel; }
    QPushButton* gpg_button() const { return m_gpg; }
    QComboBox* gpg_list() const { return m_gpg_list; }

    // Cancel, Escape and Close: the abort question while sending, else the
    // cancel question.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenu();
    void ShowProfile(const Profile& profile);
    void ChooseProfile(int index);
    ComposedMessage CurrentMessage() const;
    void Send();
    void SendEnded(bool sent);
    void NewMessage();
    void InsertRecentAddress(QLineEdit* field);
    void StripAddresses();
    void InsertTextFile();
    void OpenDraft();
    void SaveDraft(bool append);
    void Print();
    void RunGpg();
    void EditCopySelfOptions();
    void UpdateCaption();
    void UpdateAttachmentSummary();
    void Finish(bool sent);
    std::unique_ptr<QMenu> BuildBodyMenu();

    AppContext& m_context;
    Profile m_profile;
    QWidget* m_previous_dialog_parent = nullptr;
    QTabWidget* m_tabs = nullptr;
    ComposerMessagePage* m_message_page = nullptr;
    ComposerAttachmentsPage* m_attachments_page = nullptr;
    ComposerSmtpPage* m_smtp_page = nullptr;
    // The address field that last had the focus: the address book manager's Paste goes there.
    QPointer<QLineEdit> m_address_field;
    QLabel* m_status = nullptr;
    QPushButton* m_gpg = nullptr;
    QComboBox* m_gpg_list = nullptr;
    QPushButton* m_send = nullptr;
    QPushButton* m_cancel = nullptr;
    QMenu* m_edit_menu = nullptr;
    std::vector<AddressCompleter*> m_completers;  // To, CC, BCC; owned by their fields

    FileOpenPicker m_open_picker = PickExistingFile;
    FileSavePicker m_save_picker = PickSaveFile;
    TextPrinter m_printer;
    UrlOpener m_url_opener;
    std::chrono::milliseconds m_idle_limit{0};

    // The send in progress: its request outlives the worker's job.
    SessionWorker m_worker;
    std::unique_ptr<SendAbortHandle> m_abort;  // made anew for each send
    std::unique_ptr<SendRequest> m_request;
    bool m_gpg_used = false;
    bool m_sent = false;
    bool m_finished = false;
};

// Runs a composer on `start` modally in front of `owner`; true when it sent
// the message. The profile is the working one, else the last one used.
bool RunComposer(AppContext& context, ComposedMessage start, QWidget* owner);

}  // namespace tarvox
