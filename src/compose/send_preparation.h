// What a new message starts from (the current profile's sender, Reply-To,
// automatic BCC and SMTP settings) and the checks that run before it is sent.
#pragma once

#include <string>

#include "compose/send_worker.h"
#include "config/global_settings.h"
#include "config/profile.h"

namespace tarvox {

class FrontendServices;

// The From field of a profile: "\"name\" <address>", only the address when
// there is no name, empty when there is no address.
std::string SenderFieldText(const Profile& profile);

// A send request filled as the composer fills its pages from the current
// profile and the global settings: From, Reply-To, the automatic BCC address
// (when `useautobcc` is on), the SMTP host, port, protocol, AUTH and POP
// before SMTP switches, user name, password and the host name for EHLO.
SendRequest SendRequestForProfile(const Profile& profile, const GlobalSettings& global);

// The checks of the Send button, in order, each failure shown in its box:
// every attachment can be opened (its size is taken again), the attachment
// warning when GnuPG was used, the encoded subject fits 75 characters (each
// of the folded words of a UTF-8 subject), SMTP host, port, From, To and
// Subject are given. False at the first failure.
bool CheckBeforeSend(ComposedMessage& message, const SmtpSendSettings& smtp, bool gpg_used,
                     FrontendServices& services);

}  // namespace tarvox
