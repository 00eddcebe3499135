#include "ui/qt_services.h"

#include <QLabel>

#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QMessageBox>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QThread>
#include <QVBoxLayout>

#include "ui/certificate_dialog.h"
#include "ui/qt_text.h"
#include "ui/text_prompt_dialog.h"

namespace tarvox {

namespace {

QMessageBox::Icon BoxIconOf(BoxIcon icon) {
    switch (icon) {
        case BoxIcon::Error:
            return QMessageBox::Critical;
        case BoxIcon::Warning:
            return QMessageBox::Warning;
        case BoxIcon::Question:
            return QMessageBox::Question;
        case BoxIcon::Information:
            return QMessageBox::Information;
        case BoxIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

QtServices::QtServices(QObject* parent) : QObject(parent) {}

void QtServices::RunOnGuiThread(const std::function<void()>& call) {
    if (QThread::currentThread() == thread()) {
        call();
        return;
    }
    QMetaObject::invokeMethod(this, call, Qt::BlockingQueuedConnection);
}

QWidget* QtServices::DialogParent() const {
    return m_dialog_parent.data();
}

void QtServices::SetDialogParent(QWidget* parent) {
    RunOnGuiThread([&] { m_dialog_parent = parent; });
}

void QtServices::SetStatusLabel(StatusLine line, QLabel* label) {
    // Status texts carry servers' replies: never read them as rich text.
    label->setTextFormat(Qt::PlainText);
    SetStatusSink(line, [status = QPointer<QLabel>(label)](const QString& text) {
        if (status) {
            status->setText(text);
        }
    });
}

void QtServices::SetStatusSink(StatusLine line, std::function<void(const QString&)> sink) {
    std::lock_guard lock(m_mutex);
    m_status_sinks.at(static_cast<std::size_t>(line)) = std::move(sink);
}

void QtServices::SetLostConnectionHandler(std::function<void(NetResult)> handler) {
    std::lock_guard lock(m_mutex);
    m_lost_connection = std::move(handler);
}

void QtServices::SetSendResultHandler(std::function<void(bool)> handler) {
    std::lock_guard lock(m_mutex);
    m_send_result = std::move(handler);
}

void QtServices::SetHelpHandler(std::function<void(const QString&)> handler) {
    std::lock_guard lock(m_mutex);
    m_help = std::move(handler);
}

BoxAnswer QtServices::ShowMessageBox(const MessageBoxRequest& request) {
    BoxAnswer answer = BoxAnswer::Ok;
    RunOnGuiThread([&] {
        QMessageBox box(BoxIconOf(request.icon), ToQString(request.caption),
                        ToQString(request.text), QMessageBox::NoButton, DialogParent());
        // Box texts often carry a server's reply or a message's header.
        box.setTextFormat(Qt::PlainText);
        switch (request.buttons) {
            case BoxButtons::Ok:
                box.setStandardButtons(QMessageBox::Ok);
                box.exec();
                answer = BoxAnswer::Ok;
                return;
            case BoxButtons::YesNo:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
                box.setDefaultButton(QMessageBox::Yes);
                break;
            case BoxButtons::YesNoDefaultNo:
                box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
                box.setDefaultButton(QMessageBox::No);
                break;
        }
        // Closing the box without a button counts as No.
        box.setEscapeButton(QMessageBox::No);
        answer = box.exec() == QMessageBox::Yes ? BoxAnswer::Yes : BoxAnswer::No;
    });
    return answer;
}

TextPromptResult QtServices::TextPrompt(const TextPromptRequest& request) {
    TextPromptResult result;
    RunOnGuiThread([&] {
        TextPromptDialog dialog(request, DialogParent());
        result = dialog.Ask();
    });
    return result;
}

void QtServices::ShowStatus(StatusLine line, std::string_view text) {
    std::function<void(const QString&)> sink;
    {
        std::lock_guard lock(m_mutex);
        sink = m_status_sinks.at(static_cast<std::size_t>(line));
    }
    if (!sink) {
        return;
    }
    const QString shown = ToQString(text);
    if (QThread::currentThread() == thread()) {
        sink(shown);
        return;
    }
    QMetaObject::invokeMethod(
        this, [sink, shown] { sink(shown); }, Qt::QueuedConnection);
}

CertificateDecision QtServices::ShowCertificate(const CertificateView& view) {
    CertificateDecision decision = CertificateDecision::Cancel;
    RunOnGuiThread([&] {
        CertificateDialog dialog(view, DialogParent());
        std::function<void(const QString&)> help;
        {
            std::lock_guard lock(m_mutex);
            help = m_help;
        }
        if (help) {
            dialog.SetHelpHandler([help] { help("#sslinfo"); });
        }
        decision = dialog.Decide();
    });
    return decision;
}

void QtServices::NotifyLostConnection(NetResult result) {
    std::function<void(NetResult)> handler;
    {
        std::lock_guard lock(m_mutex);
        handler = m_lost_connection;
    }
    RunOnGuiThread([&] {
        if (handler) {
            handler(result);
            return;
        }
        QMessageBox box(QMessageBox::Critical, tr("Lost connection"),
                        ToQString(NetResultText(result)), QMessageBox::Ok, DialogParent());
        box.exec();
    });
}

void QtServices::ReportSendResult(bool sent) {
    std::function<void(bool)> handler;
    {
        std::lock_guard lock(m_mutex);
        handler = m_send_result;
    }
    if (handler) {
        QMetaObject::invokeMethod(
            this, [handler, sent] { handler(sent); }, Qt::QueuedConnection);
    }
}

}  // namespace tarvox

namespace tarvox {

void QtServices::ShowTextOutput(std::string_view title, std::string_view text) {
    RunOnGuiThread([&] {
        QDialog dialog(DialogParent());
        dialog.setWindowTitle(ToQString(title));
        auto* layout = new QVBoxLayout(&dialog);
        auto* field = new QPlainTextEdit(&dialog);
        field->setObjectName("output");
        field->setReadOnly(true);
        field->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        QString shown = ToQString(text);
        shown.replace("\r\n", "\n");
        field->setPlainText(shown);
        layout->addWidget(field);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        layout->addWidget(buttons);
        dialog.resize(560, 320);
        dialog.exec();
    });
}

}  // namespace tarvox
