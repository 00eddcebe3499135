#include "ui/desktop_notifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "ui/qt_text.h"

namespace tarvox {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
const QString kInterface = QStringLiteral("org.freedesktop.Notifications");

QDBusMessage Call(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

}  // namespace

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    bus.connect(kService, kPath, kInterface, QStringLiteral("ActionInvoked"), this,
                SLOT(ActionInvoked(uint, QString)));
    bus.callWithCallback(Call(QStringLiteral("GetCapabilities")), this,
                         SLOT(CapabilitiesRead(QStringList)));
}

bool DesktopNotifier::Available() const {
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QDBusConnectionInterface* names = bus.isConnected() ? bus.interface() : nullptr;
    if (names == nullptr) {
        return false;
    }
    return names->isServiceRegistered(kService).value() ||
           names->activatableServiceNames().value().contains(kService);
}

void DesktopNotifier::Show(const NewMailNotice& notice) {
    m_profile = notice.first_profile;
    QString body = ToQString(notice.body);
    if (m_markup) {
        // Profile names are the user's text, not markup.
        body = body.toHtmlEscaped();
    }
    QDBusMessage call = Call(QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("category"), QStringLiteral("email.arrived")},
                            {QStringLiteral("desktop-entry"), QStringLiteral("tarvox")}};
    call << QStringLiteral("Tarvox") << m_id << QStringLiteral("mail-unread")
         << ToQString(notice.summary) << body
         << QStringList{QStringLiteral("default"), QStringLiteral("Open")} << hints << -1;
    auto* watcher = new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* done) {
        const QDBusPendingReply<uint> reply = *done;
        if (reply.isValid()) {
            m_id = reply.value();
        }
        done->deleteLater();
    });
}

void DesktopNotifier::ActionInvoked(uint id, const QString& action) {
    if (id == m_id && m_id != 0 && action == QStringLiteral("default") && clicked) {
        clicked(m_profile);
    }
}

void DesktopNotifier::CapabilitiesRead(const QStringList& capabilities) {
    m_markup = capabilities.contains(QStringLiteral("body-markup"));
}

}  // namespace tarvox
