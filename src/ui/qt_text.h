// The one place where the program's UTF-8 text meets Qt's strings.
#pragma once

#include <QString>

#include <string>
#include <string_view>

namespace tarvox {

// Ill-formed bytes become U+FFFD.
QString ToQString(std::string_view utf8);

// The text as UTF-8; every character a QString holds has a UTF-8 form.
std::string FromQString(const QString& text);

}  // namespace tarvox
