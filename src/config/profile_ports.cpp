#include "config/profile_ports.h"

namespace tarvox {

PortField FirstBadPort(const Profile& profile) {
    if (!IsPortNumber(profile.port)) {
        return PortField::Pop3;
    }
    if (!IsPortNumber(profile.SMTPport)) {
        return PortField::Smtp;
    }
    return PortField::None;
}

}  // namespace tarvox
