#include "keyring/desktop_keyring.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QString>

#include <qt6keychain/keychain.h>

namespace tarvox {

namespace {

// The service every entry is filed under.
const QString kService = QStringLiteral("Tarvox");

// Starts the job and waits for its end.
KeyringReply Run(QKeychain::Job& job) {
    job.setAutoDelete(false);
    bool finished = false;
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, [&] {
        finished = true;
        loop.quit();
    });
    job.start();
    if (!finished) {
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    switch (job.error()) {
        case QKeychain::NoError:
            return {KeyringStatus::Done, {}};
        case QKeychain::EntryNotFound:
            return {KeyringStatus::NotFound, {}};
        default:
            break;
    }
    QString reason = job.errorString();
    if (reason.isEmpty()) {
        reason = QStringLiteral("no keyring service answered");
    }
    return {KeyringStatus::Unavailable, reason.toStdString()};
}

}  // namespace

DesktopKeyring::DesktopKeyring() = default;
DesktopKeyring::~DesktopKeyring() = default;

void DesktopKeyring::EnsureApplication() {
    if (QCoreApplication::instance() == nullptr) {
        m_application = std::make_unique<QCoreApplication>(m_argc, m_argv);
    }
}

KeyringReply DesktopKeyring::Read(const std::string& name) {
    EnsureApplication();
    QKeychain::ReadPasswordJob job(kService);
    job.setKey(QString::fromStdString(name));
    KeyringReply reply = Run(job);
    if (reply.status == KeyringStatus::Done) {
        reply.text = job.textData().toStdString();
    }
    return reply;
}

KeyringReply DesktopKeyring::Write(const std::string& name, const std::string& secret) {
    EnsureApplication();
    QKeychain::WritePasswordJob job(kService);
    job.setKey(QString::fromStdString(name));
    job.setTextData(QString::fromStdString(secret));
    return Run(job);
}

KeyringReply DesktopKeyring::Remove(const std::string& name) {
    EnsureApplication();
    QKeychain::DeletePasswordJob job(kService);
    job.setKey(QString::fromStdString(name));
    KeyringReply reply = Run(job);
    if (reply.status == KeyringStatus::NotFound) {
        reply.status = KeyringStatus::Done;  // already gone
    }
    return reply;
}

}  // namespace tarvox
