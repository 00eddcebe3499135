// New mail announced on the desktop: one freedesktop notification (the
// org.freedesktop.Notifications service on the session bus) that replaces
// the one shown before; a click on it is handed back with the profile it
// names first.
#pragma once

#include <QObject>

#include <functional>
#include <string>

#include "protocols/mailman_state.h"

namespace tarvox {

class DesktopNotifier : public QObject {
    Q_OBJECT

public:
    explicit DesktopNotifier(QObject* parent = nullptr);

    // Whether the session bus has, or can start, a notification service.
    bool Available() const;
    void Show(const NewMailNotice& notice);

    // Runs on the GUI thread when the user clicks the notice.
    std::function<void(const std::string& profile)> clicked;

private slots:
    void ActionInvoked(uint id, const QString& action);
    void CapabilitiesRead(const QStringList& capabilities);

private:
    uint m_id = 0;  // the notice shown last, which the next one replaces
    std::string m_profile;
    bool m_markup = false;  // the service reads the body as markup
};

}  // namespace tarvox
