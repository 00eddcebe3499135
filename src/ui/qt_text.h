// The one place where the program's ISO-8859-1 bytes meet Qt's strings.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace tarvox {

QString ToQString(std::string_view latin1);

// Characters outside ISO-8859-1 become "?".
std::string FromQString(const QString& text);

}  // namespace tarvox
